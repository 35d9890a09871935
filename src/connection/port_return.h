// PortReturn: the port whose device went away while connected, waited for while the user wants
// the connection back. Anything the user does with the connection meanwhile forgets it.
#pragma once

#include <QString>
#include <chrono>
#include <string>

namespace kelvane {

class PortReturn
{
public:
    void lost(std::string port);
    void forget() { m_port.clear(); }
    bool waiting() const { return !m_port.empty(); }
    const std::string &port() const { return m_port; }
    // How long the port has been gone, as durationText() says it.
    QString goneText() const;

private:
    std::string m_port;
    std::chrono::steady_clock::time_point m_since;
};

// "0,4 с", "59,9 с", "1 мин 00 с", "1 ч 00 мин": tenths while they matter, then whole units.
QString durationText(std::chrono::milliseconds duration);

} // namespace kelvane
