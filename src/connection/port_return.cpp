#include "connection/port_return.h"

#include <QCoreApplication>

namespace kelvane {

void PortReturn::lost(std::string port)
{
    m_port = std::move(port);
    m_since = std::chrono::steady_clock::now();
}

QString PortReturn::goneText() const
{
    return durationText(std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_since));
}

QString durationText(std::chrono::milliseconds duration)
{
    const long long tenths = duration.count() / 100;
    if (tenths < 600)
        return QCoreApplication::translate("kelvane::PortReturn", "%1,%2 с")
            .arg(tenths / 10)
            .arg(tenths % 10);
    const long long seconds = tenths / 10;
    if (seconds < 3600)
        return QCoreApplication::translate("kelvane::PortReturn", "%1 мин %2 с")
            .arg(seconds / 60)
            .arg(seconds % 60, 2, 10, QChar('0'));
    return QCoreApplication::translate("kelvane::PortReturn", "%1 ч %2 мин")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QChar('0'));
}

} // namespace kelvane
