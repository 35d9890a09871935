#include "serial/com_thread.h"

#include "serial/com_port.h"
#include "serial/main_thread.h"

#include <array>
#include <utility>

namespace kelvane {

namespace {

// Each event with its device mask value, in delivery order: errors are read and cleared before
// the received characters are counted.
struct EventStep
{
    PortEvent event;
    uint32_t mask;
    void (TBComPort::*fire)();
};

constexpr std::array<EventStep, 8> DeliveryOrder = {{
    {peError, CommEvent::Err, &TBComPort::FireError},
    {peRxChar, CommEvent::RxChar, &TBComPort::FireRxChar},
    {peTxEmpty, CommEvent::TxEmpty, &TBComPort::FireTxEmpty},
    {peRing, CommEvent::Ring, &TBComPort::FireRing},
    {peCTS, CommEvent::Cts, &TBComPort::FireCTSChange},
    {peDSR, CommEvent::Dsr, &TBComPort::FireDSRChange},
    {peRLSD, CommEvent::Rlsd, &TBComPort::FireRLSDChange},
    {peRx80Full, CommEvent::Rx80Full, &TBComPort::FireRx80Full},
}};

// REQUIRES: called inside a catch block.
void reportCurrentException(TBComPort &port)
{
    port.mainThread().errorSink().error(currentExceptionText());
}

} // namespace

uint32_t eventsToMask(TPortEvents events)
{
    uint32_t mask = 0;
    for (const EventStep &step : DeliveryOrder)
        if (events.contains(step.event))
            mask |= step.mask;
    return mask;
}

TPortEvents maskToEvents(uint32_t mask)
{
    TPortEvents events;
    for (const EventStep &step : DeliveryOrder)
        if (mask & step.mask)
            events.include(step.event);
    return events;
}

TComThread::TComThread(TBComPort &owner) : m_owner(owner)
{
    m_owner.device()->SetCommMask(eventsToMask(AllPortEvents));
    m_thread = std::thread(&TComThread::Execute, this);
}

TComThread::~TComThread()
{
    StopThread();
    m_owner.mainThread().serveUntil([this] { return Finished(); });
    m_thread.join();
}

void TComThread::StopThread()
{
    m_stopEvent.set();
    // A hand-over that is running right now may be the one closing the port: let it go.
    m_owner.mainThread().notify();
}

void TComThread::Execute()
{
    SerialDevice &device = *m_owner.device();
    try {
        for (;;) {
            uint32_t mask = 0;
            const SerialDevice::WaitResult result = device.WaitCommEvent(mask, m_stopEvent);
            if (result == SerialDevice::WaitResult::Event) {
                m_events = maskToEvents(mask);
                handOver(m_events);
            } else if (result != SerialDevice::WaitResult::ResultFailed) {
                break;
            }
        }
    } catch (...) {
        // Delivery catches what handlers raise; this is the last guard against an unexpected
        // failure (out of memory) ending the process from a worker thread.
        reportCurrentException(m_owner);
    }
    device.SetCommMask(0);
    device.PurgeComm(Purge::TxClear | Purge::RxClear);
    m_finished.store(true, std::memory_order_release);
    m_owner.mainThread().notify();
}

void TComThread::handOver(TPortEvents events)
{
    if (events.empty())
        return;
    switch (m_owner.SyncMethod()) {
    case smThreadSync:
        m_owner.mainThread().call(
            [&port = m_owner, events] { DeliverEvents(port, events); }, m_stopEvent);
        break;
    case smWindowSync:
        SendEventsToWindow(m_owner, events);
        break;
    case smNone:
        DeliverEvents(m_owner, events);
        break;
    }
}

void TComThread::DeliverEvents(TBComPort &port, TPortEvents events)
{
    for (const EventStep &step : DeliveryOrder) {
        if (!events.contains(step.event))
            continue;
        if (!port.IsOpen())
            return;
        // One failing step must not cost the others: an error in the error handler would
        // otherwise hide the characters that arrived with it.
        try {
            (port.*step.fire)();
        } catch (...) {
            reportCurrentException(port);
        }
    }
}

void TComThread::SendEventsToWindow(TBComPort &port, TPortEvents events)
{
    std::shared_ptr<PortEventWindow> window = port.notifyWindowRef();
    if (!window)
        return;
    for (const EventStep &step : DeliveryOrder) {
        if (!events.contains(step.event))
            continue;
        port.mainThread().send(
            [window, mask = step.mask] { window->WindowProc(PortEventMessage, mask, 0); });
    }
}

intptr_t PortEventWindow::WindowProc(unsigned message, uintptr_t wParam, intptr_t /*lParam*/)
{
    if (message != PortEventMessage || !m_owner.IsOpen())
        return 0;
    for (const EventStep &step : DeliveryOrder) {
        if (step.mask != wParam)
            continue;
        try {
            (m_owner.*step.fire)();
        } catch (...) {
            reportCurrentException(m_owner);
        }
    }
    return 0;
}

} // namespace kelvane
