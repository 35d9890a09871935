#include "serial/stop_signal.h"

#include <system_error>
#include <windows.h>

namespace kelvane {

StopSignal::StopSignal()
    : m_handle(reinterpret_cast<intptr_t>(CreateEventW(nullptr, TRUE, FALSE, nullptr)))
{
    if (m_handle == 0)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "event");
}

StopSignal::~StopSignal()
{
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

void StopSignal::set()
{
    SetEvent(reinterpret_cast<HANDLE>(m_handle));
}

bool StopSignal::isSet() const
{
    return WaitForSingleObject(reinterpret_cast<HANDLE>(m_handle), 0) == WAIT_OBJECT_0;
}

} // namespace kelvane
