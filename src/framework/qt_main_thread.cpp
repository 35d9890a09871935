#include "framework/qt_main_thread.h"

namespace kelvane {

QtMainThread::QtMainThread(ErrorSink &errors, QObject *parent) : QObject(parent), MainThread(errors)
{ }

void QtMainThread::wake()
{
    QMetaObject::invokeMethod(
        this, [this] { serve(); }, Qt::QueuedConnection);
}

} // namespace kelvane
