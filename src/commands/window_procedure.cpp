#include "commands/window_procedure.h"

#include "framework/dialogs.h"
#include "serial/com_port.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <stdexcept>

namespace kelvane {

void WindowProcedure::run()
{
    const QString folder
        = m_lastFile.isEmpty() ? QDir::homePath() : QFileInfo(m_lastFile).absolutePath();
    QString fileName;
    if (!Dialogs::current().openFile(m_dialogParent,
            QCoreApplication::translate(
                "kelvane::WindowProcedure", "Процедуры (*.txt *.proc);;Все файлы (*)"),
            folder, fileName))
        return;
    m_lastFile = fileName;
    const QString shown = QFileInfo(fileName).fileName();
    Procedure procedure;
    try {
        procedure = loadProcedure(QFile::encodeName(fileName).toStdString());
    } catch (const ProcedureError &e) {
        throw std::runtime_error(
            QCoreApplication::translate("kelvane::WindowProcedure", "Процедура %1: %2")
                .arg(shown, QString::fromUtf8(e.what()))
                .toStdString());
    }
    // The port may have gone while the dialog was up.
    if (!m_port.IsOpen())
        return;

    m_cancelled = false;
    m_panel.beginTask(
        QCoreApplication::translate("kelvane::WindowProcedure", "Процедура %1").arg(shown),
        [this] { cancel(); });
    ProcedureOutcome outcome;
    try {
        outcome = m_runner.run(procedure);
    } catch (...) {
        m_panel.endTask(
            QCoreApplication::translate("kelvane::WindowProcedure", "Процедура %1 прервана")
                .arg(shown));
        throw;
    }
    const QString where = QString::number(outcome.line);
    switch (outcome.status) {
    case ProcedureOutcome::Status::Passed:
        m_panel.endTask(
            QCoreApplication::translate("kelvane::WindowProcedure", "Процедура %1 выполнена")
                .arg(shown));
        break;
    case ProcedureOutcome::Status::Stopped:
        m_panel.endTask(QCoreApplication::translate(
            "kelvane::WindowProcedure", "Процедура %1 отменена на строке %2")
                            .arg(shown, where));
        break;
    case ProcedureOutcome::Status::Failed: {
        const QString text = QCoreApplication::translate(
            "kelvane::WindowProcedure", "Процедура %1 не выполнена, строка %2: %3")
                                 .arg(shown, where, QString::fromUtf8(outcome.message));
        m_panel.endTask(text);
        Dialogs::current().message(m_dialogParent, text);
        break;
    }
    }
}

void WindowProcedure::cancel()
{
    if (!m_runner.running())
        return;
    m_cancelled = true;
    if (m_wait)
        m_wait->quit();
}

ProcedureHost::Wait WindowProcedure::waitUntil(
    const std::function<bool()> &done, Clock::time_point deadline)
{
    for (;;) {
        m_again = false;
        if (done())
            return Wait::Done;
        if (m_cancelled)
            return Wait::Stopped;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Wait::TimedOut;
        if (m_again) {
            // A search goes on: the window takes what is waiting for it (input, painting) and
            // the search its next slice.
            QCoreApplication::processEvents();
            continue;
        }
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(left);
        m_wait = &loop;
        loop.exec();
        m_wait = nullptr;
    }
}

void WindowProcedure::changed()
{
    m_again = true;
    if (m_wait)
        m_wait->quit();
}

void WindowProcedure::stepStarted(const ProcedureStep &step, size_t index, size_t count)
{
    m_log->action(
        QCoreApplication::translate("kelvane::WindowProcedure", "Процедура %1: шаг %2 из %3: %4")
            .arg(QFileInfo(m_lastFile).fileName())
            .arg(index + 1)
            .arg(count)
            .arg(QString::fromUtf8(step.source))
            .toStdString());
    QString source = QString::fromUtf8(step.source);
    if (source.size() > 60)
        source = source.left(59) + QChar(0x2026);
    m_status(QCoreApplication::translate("kelvane::WindowProcedure", "Процедура: шаг %1 из %2 — %3")
                 .arg(index + 1)
                 .arg(count)
                 .arg(source));
    m_panel.setTaskProgress(static_cast<int>(count), static_cast<int>(index));
}

void WindowProcedure::stepPassed(const ProcedureStep &, const std::string &) { }

void WindowProcedure::fileDataBegins(const UploadFile &file, int64_t size)
{
    m_log->fileStarted(file.path.string(), size, uploadFileCrc32(file.path));
}

} // namespace kelvane
