// StopSignal: a one-way, level-triggered flag that one thread sets and another thread can wait
// for together with the device (an eventfd on POSIX, a manual-reset event on Windows).
// Thread-safe.
#pragma once

#include <cstdint>

namespace kelvane {

class StopSignal
{
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal &) = delete;
    StopSignal &operator=(const StopSignal &) = delete;

    void set();
    bool isSet() const;
    // What the system waits on: a descriptor readable (POLLIN) once set() was called, or an event
    // handle signalled then; it stays so.
    intptr_t nativeHandle() const { return m_handle; }

private:
    intptr_t m_handle;
};

} // namespace kelvane
