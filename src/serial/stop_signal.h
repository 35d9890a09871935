// StopSignal: a one-way, level-triggered flag that one thread sets and another thread can wait
// for together with file descriptors (it is an eventfd). Thread-safe.
#pragma once

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
    // Readable (POLLIN) once Set() was called; stays readable.
    int fd() const { return m_fd; }

private:
    int m_fd;
};

} // namespace kelvane
