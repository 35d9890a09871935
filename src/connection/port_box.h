// PortBox: the port box's entries and what goes with them. A USB adapter shows what it is
// ("FT232R USB UART (A50285BI)"), other ports their name; the entry keeps the port's name for the
// connection, and its tool tip and the status bar's device field show the name and device path.
#pragma once

#include "serial/port_list.h"

#include <QString>
#include <map>
#include <vector>

class QComboBox;
class QLabel;

namespace kelvane {

class PortBox
{
public:
    PortBox(QComboBox *box, QLabel *deviceField);

    // Lists `ports` anew, keeping the chosen port while it is listed (else the first is chosen),
    // and a port the user named beyond the list at its end.
    void show(std::vector<SerialPortInfo> ports);
    // Chooses the port named `name` when it is listed.
    bool choose(const std::string &name);
    // The chosen port's name ("" when the box is empty); what a connect opens.
    std::string chosenName() const;
    // The listed port named `name`, or null.
    const SerialPortInfo *find(const std::string &name) const;
    // Fills the tool tip and the device field for the chosen port.
    void describeChoice();
    // How the port named `name` is said in texts: what the adapter is, when it is one that has
    // been listed (a stable link is too long for the status line), else its name.
    QString label(const std::string &name) const;

private:
    QComboBox *m_box;
    QLabel *m_deviceField;
    std::vector<SerialPortInfo> m_ports;
    std::map<std::string, std::string> m_descriptions; // of every adapter listed so far
    std::string m_named; // a port the user named that the list did not hold
};

// How a USB adapter is named to the user: its description and its device path.
QString adapterText(const SerialPortInfo &port);

} // namespace kelvane
