#include "framework/error_display.h"

#include "framework/dialogs.h"

#include <QApplication>
#include <QThread>

namespace kelvane {

void ErrorDisplay::error(const std::string &text)
{
    const QString shown = QString::fromUtf8(text);
    if (QThread::currentThread() == m_receiver.thread())
        show(shown);
    else
        QMetaObject::invokeMethod(
            &m_receiver, [this, shown] { show(shown); }, Qt::QueuedConnection);
}

void ErrorDisplay::show(const QString &text)
{
    if (m_witness)
        m_witness(text, true);
    Dialogs::current().error(QApplication::activeWindow(), text);
}

void ErrorDisplay::message(const std::string &text)
{
    const QString shown = QString::fromUtf8(text);
    if (m_witness)
        m_witness(shown, false);
    Dialogs::current().message(m_mainWindow, shown);
}

} // namespace kelvane
