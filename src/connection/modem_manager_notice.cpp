#include "connection/modem_manager_notice.h"

#include "connection/port_box.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvane {

bool modemManagerRunning()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.ModemManager1"));
}

QString modemManagerRule(const SerialPortInfo &port)
{
    return QStringLiteral(
        R"(ATTRS{idVendor}=="%1", ATTRS{idProduct}=="%2", ENV{ID_MM_DEVICE_IGNORE}="1")")
        .arg(QString::fromStdString(port.vendorId), QString::fromStdString(port.productId));
}

std::unique_ptr<ConnectNotice> systemConnectNotice(std::function<bool()> modemManagerRunning)
{
    return std::make_unique<ModemManagerNotice>(std::move(modemManagerRunning));
}

ModemManagerNotice::ModemManagerNotice(std::function<bool()> running)
    : m_running(running ? std::move(running) : std::function<bool()>(modemManagerRunning))
{ }

void ModemManagerNotice::connected(const SerialPortInfo &port, QWidget *parent)
{
    if (!port.isUsb() || port.modemManagerIgnores)
        return;
    const std::string adapter = port.vendorId + ":" + port.productId + ":" + port.description;
    if (m_told.count(adapter) != 0 || !m_running())
        return;
    m_told.insert(adapter);
    if (m_dialog)
        m_dialog->close();
    auto *dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("ModemManagerNotice"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(
        QCoreApplication::translate("kelvane::ModemManagerNotice", "Служба ModemManager"));
    auto *text = new QLabel(QCoreApplication::translate("kelvane::ModemManagerNotice",
        "В системе работает служба ModemManager. Она открывает вновь подключённые "
        "USB-адаптеры и посылает в них AT-команды, которые накопитель примет за "
        "свои. Чтобы служба не трогала адаптер %1, сохраните это правило в файл "
        "/etc/udev/rules.d/99-kelvane-adapter.rules, выполните "
        "«sudo udevadm control --reload» и подключите адаптер заново:")
                                .arg(adapterText(port)));
    text->setWordWrap(true);
    auto *rule = new QPlainTextEdit(modemManagerRule(port));
    rule->setObjectName(QStringLiteral("ModemManagerRule"));
    rule->setAccessibleName(
        QCoreApplication::translate("kelvane::ModemManagerNotice", "Правило udev"));
    rule->setReadOnly(true);
    rule->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    rule->setMaximumHeight(3 * rule->fontMetrics().lineSpacing() + 12);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(text);
    layout->addWidget(rule);
    layout->addWidget(buttons);
    dialog->resize(460, dialog->sizeHint().height());
    m_dialog = dialog;
    dialog->show();
    rule->setFocus();
    rule->selectAll();
}

} // namespace kelvane
