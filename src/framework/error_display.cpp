#include "framework/error_display.h"

#include "framework/dialogs.h"

#include <QApplication>
#include <QThread>

namespace kelvane {

namespace {

void showError(const QString &text)
{
    Dialogs::current().error(QApplication::activeWindow(), text);
}

} // namespace

void ErrorDisplay::error(const std::string &text)
{
    const QString shown = QString::fromUtf8(text);
    if (QThread::currentThread() == m_receiver.thread())
        showError(shown);
    else
        QMetaObject::invokeMethod(
            &m_receiver, [shown] { showError(shown); }, Qt::QueuedConnection);
}

void ErrorDisplay::message(const std::string &text)
{
    Dialogs::current().message(m_mainWindow, QString::fromUtf8(text));
}

} // namespace kelvane
