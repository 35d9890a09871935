// TComThread: the worker thread a TBComPort runs while its port is open. It waits for device
// events or its stop signal (the stop wins), turns the device's event bits into TPortEvents and
// has the port's Fire steps run by SyncMethod. Created by OpenPort, destroyed by ClosePort; it
// never touches the settings and never reads or writes data itself.
//
// PortEventWindow: the hidden receiver of PortEventMessage in the main thread (smWindowSync).
#pragma once

#include "serial/com_types.h"
#include "serial/stop_signal.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace kelvane {

class TBComPort;

// Window message that carries one port event (the mask value of the event) to the main thread.
inline constexpr unsigned PortEventMessage = 0x0401;

// Device event mask of a set of port events, and back (bits outside the eight are ignored).
uint32_t eventsToMask(TPortEvents events);
TPortEvents maskToEvents(uint32_t mask);

// Every event the port monitors: the mask handed to the device is 1469.
inline constexpr TPortEvents AllPortEvents
    = {peRxChar, peTxEmpty, peRing, peCTS, peDSR, peRLSD, peError, peRx80Full};

class TComThread
{
public:
    // Sets the device's event mask and starts the thread.
    // REQUIRES: `owner` is open and outlives the thread.
    explicit TComThread(TBComPort &owner);
    // Stops the thread and returns once it has ended, serving the main thread's pending
    // hand-overs meanwhile.
    ~TComThread();
    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    // Sets the stop signal; the thread leaves its loop at its next wait.
    void StopThread();
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }

    // Runs the Fire steps of `events` in the fixed order, errors first. Stops early when the
    // port was closed by one of the handlers.
    static void DeliverEvents(TBComPort &port, TPortEvents events);
    // One PortEventMessage per event, in the same order, each waiting until the main thread has
    // taken it in hand.
    static void SendEventsToWindow(TBComPort &port, TPortEvents events);

private:
    void Execute();
    void handOver(TPortEvents events);

    TBComPort &m_owner;
    TPortEvents m_events;
    StopSignal m_stopEvent;
    std::atomic<bool> m_finished = false;
    std::thread m_thread;
};

class PortEventWindow
{
public:
    explicit PortEventWindow(TBComPort &owner) : m_owner(owner) { }

    // PortEventMessage: runs the Fire step of the event in wParam while the port is open. An
    // exception is shown by the error display and goes no further. Returns 0.
    intptr_t WindowProc(unsigned message, uintptr_t wParam, intptr_t lParam);

private:
    TBComPort &m_owner;
};

} // namespace kelvane
