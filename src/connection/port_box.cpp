#include "connection/port_box.h"

#include "framework/left_eliding_combo_box.h"

#include <QComboBox>
#include <QLabel>

namespace kelvane {

PortBox::PortBox(QComboBox *box, QLabel *deviceField) : m_box(box), m_deviceField(deviceField) { }

void PortBox::show(std::vector<SerialPortInfo> ports)
{
    const std::string chosen = chosenName();
    // A port the user named (on the command line) that no list has held stays in the box: the
    // list shows only what it finds, and the user asked for this one.
    if (!chosen.empty() && !find(chosen) && m_box->findData(QString::fromStdString(chosen)) >= 0)
        m_named = chosen;
    m_ports = std::move(ports);
    m_box->clear();
    for (const SerialPortInfo &port : m_ports) {
        const QString name = QString::fromStdString(port.name);
        const bool described = !port.description.empty();
        if (described)
            m_descriptions[port.name] = port.description;
        m_box->addItem(described ? QString::fromStdString(port.description) : name, name);
        const int at = m_box->count() - 1;
        m_box->setItemData(
            at, name + QStringLiteral("\n") + QString::fromStdString(port.device), Qt::ToolTipRole);
        // A description tells most at its beginning, a path at its end.
        m_box->setItemData(at, described, LeftElidingComboBox::KeepsBeginningRole);
    }
    if (!m_named.empty() && !find(m_named))
        m_box->addItem(QString::fromStdString(m_named), QString::fromStdString(m_named));
    if (!choose(chosen))
        m_box->setCurrentIndex(m_ports.empty() ? -1 : 0);
    describeChoice();
}

bool PortBox::choose(const std::string &name)
{
    const int at = m_box->findData(QString::fromStdString(name));
    if (name.empty() || at < 0)
        return false;
    m_box->setCurrentIndex(at);
    describeChoice();
    return true;
}

std::string PortBox::chosenName() const
{
    const QVariant name = m_box->currentData();
    return (name.isValid() ? name.toString() : m_box->currentText()).toStdString();
}

const SerialPortInfo *PortBox::find(const std::string &name) const
{
    for (const SerialPortInfo &port : m_ports)
        if (port.name == name)
            return &port;
    return nullptr;
}

void PortBox::describeChoice()
{
    const SerialPortInfo *port = find(chosenName());
    m_box->setToolTip(port ? m_box->currentData(Qt::ToolTipRole).toString() : QString());
    m_deviceField->setText(port ? QString::fromStdString(port->device) : QString());
}

QString PortBox::label(const std::string &name) const
{
    const auto known = m_descriptions.find(name);
    return QString::fromStdString(known != m_descriptions.end() ? known->second : name);
}

QString adapterText(const SerialPortInfo &port)
{
    return QStringLiteral("%1 (%2)").arg(
        QString::fromStdString(port.description), QString::fromStdString(port.device));
}

} // namespace kelvane
