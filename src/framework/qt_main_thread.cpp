#include "framework/qt_main_thread.h"

#include "framework/dialogs.h"

#include <QThread>

namespace kelvane {

QtMainThread::QtMainThread(QObject *parent) : QObject(parent) { }

void QtMainThread::ReportError(const std::string &message)
{
    const QString text = QString::fromUtf8(message);
    if (QThread::currentThread() == thread())
        ShowError(text);
    else
        QMetaObject::invokeMethod(
            this, [text] { ShowError(text); }, Qt::QueuedConnection);
}

void QtMainThread::Wake()
{
    QMetaObject::invokeMethod(
        this, [this] { Serve(); }, Qt::QueuedConnection);
}

} // namespace kelvane
