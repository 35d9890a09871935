#include "serial/com_thread.h"

#include "serial/com_port.h"
#include "serial/main_thread.h"

#include <array>
#include <exception>
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

void reportCurrentException(TBComPort &port)
{
    try {
        throw;
    } catch (const std::exception &e) {
        port.mainThread().ReportError(e.what());
    } catch (...) {
        port.mainThread().ReportError("Unknown error");
    }
}

} // namespace

uint32_t EventsToMask(TPortEvents events)
{
    uint32_t mask = 0;
    for (const EventStep &step : DeliveryOrder)
        if (events.Contains(step.event))
            mask |= step.mask;
    return mask;
}

TPortEvents MaskToEvents(uint32_t mask)
{
    TPortEvents events;
    for (const EventStep &step : DeliveryOrder)
        if (mask & step.mask)
            events.Include(step.event);
    return events;
}

TComThread::TComThread(TBComPort &owner) : owner_(owner)
{
    owner_.Device()->SetCommMask(EventsToMask(AllPortEvents));
    thread_ = std::thread(&TComThread::Execute, this);
}

TComThread::~TComThread()
{
    StopThread();
    owner_.mainThread().ServeUntil([this] { return Finished(); });
    thread_.join();
}

void TComThread::StopThread()
{
    stopEvent_.Set();
    // A hand-over that is running right now may be the one closing the port: let it go.
    owner_.mainThread().Notify();
}

void TComThread::Execute()
{
    SerialDevice &device = *owner_.Device();
    try {
        for (;;) {
            uint32_t mask = 0;
            const SerialDevice::WaitResult result = device.WaitCommEvent(mask, stopEvent_);
            if (result == SerialDevice::WaitResult::Event) {
                events_ = MaskToEvents(mask);
                handOver(events_);
            } else if (result != SerialDevice::WaitResult::ResultFailed) {
                break;
            }
        }
    } catch (...) {
        // Delivery catches what handlers raise; this is the last guard against an unexpected
        // failure (out of memory) ending the process from a worker thread.
        reportCurrentException(owner_);
    }
    device.SetCommMask(0);
    device.PurgeComm(Purge::TxClear | Purge::RxClear);
    finished_.store(true, std::memory_order_release);
    owner_.mainThread().Notify();
}

void TComThread::handOver(TPortEvents events)
{
    if (events.Empty())
        return;
    switch (owner_.SyncMethod()) {
    case smThreadSync:
        owner_.mainThread().Call(
            [&port = owner_, events] { DeliverEvents(port, events); }, stopEvent_);
        break;
    case smWindowSync:
        SendEventsToWindow(owner_, events);
        break;
    case smNone:
        DeliverEvents(owner_, events);
        break;
    }
}

void TComThread::DeliverEvents(TBComPort &port, TPortEvents events)
{
    for (const EventStep &step : DeliveryOrder) {
        if (!events.Contains(step.event))
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
        if (!events.Contains(step.event))
            continue;
        port.mainThread().Send(
            [window, mask = step.mask] { window->WindowProc(PortEventMessage, mask, 0); });
    }
}

intptr_t PortEventWindow::WindowProc(unsigned message, uintptr_t wParam, intptr_t /*lParam*/)
{
    if (message != PortEventMessage || !owner_.IsOpen())
        return 0;
    for (const EventStep &step : DeliveryOrder) {
        if (step.mask != wParam)
            continue;
        try {
            (owner_.*step.fire)();
        } catch (...) {
            reportCurrentException(owner_);
        }
    }
    return 0;
}

} // namespace kelvane
