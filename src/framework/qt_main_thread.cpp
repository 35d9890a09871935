#include "framework/qt_main_thread.h"

#include "framework/dialogs.h"

#include <QThread>

namespace kelvane {

QtMainThread::QtMainThread(QObject *parent) : QObject(parent) { }

void QtMainThread::reportError(const std::string &message)
{
    const QString text = QString::fromUtf8(message);
    if (QThread::currentThread() == thread())
        showError(text);
    else
        QMetaObject::invokeMethod(
            this, [text] { showError(text); }, Qt::QueuedConnection);
}

void QtMainThread::wake()
{
    QMetaObject::invokeMethod(
        this, [this] { serve(); }, Qt::QueuedConnection);
}

} // namespace kelvane
