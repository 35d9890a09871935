#include "framework/error_display.h"

#include "base/texts.h"
#include "framework/dialogs.h"
#include "serial/com_error.h"

#include <QApplication>
#include <QThread>

namespace kelvane {

namespace {

// The serial port's messages are Russian; a person is shown them in the interface's language.
QString shownText(const std::string &text)
{
    return QString::fromUtf8(comMessageIn(textLanguage(), text));
}

} // namespace

void ErrorDisplay::error(const std::string &text)
{
    const QString shown = shownText(text);
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
    const QString shown = shownText(text);
    if (m_witness)
        m_witness(shown, false);
    Dialogs::current().message(m_mainWindow, shown);
}

} // namespace kelvane
