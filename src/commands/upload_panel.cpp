#include "commands/upload_panel.h"

#include "framework/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace kelvane {

UploadPanel::UploadPanel(TBComPort &port, QWidget &window, QStatusBar &statusBar, bool &txEmptySeen,
    WindowState windowState)
    : m_window(window), m_txEmptySeen(txEmptySeen), m_windowState(std::move(windowState)),
      m_progress(new QProgressBar), m_cancel(new QToolButton), m_upload(port, *this)
{
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setFixedSize(198, 13);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(
        QCoreApplication::translate("kelvane::UploadPanel", "Ход загрузки"));
    m_progress->hide();
    statusBar.addPermanentWidget(m_progress);
    m_cancel->setObjectName(QStringLiteral("btnCancelUpload"));
    m_cancel->setText(QCoreApplication::translate("kelvane::UploadPanel", "Отмена"));
    m_cancel->setToolTip(
        QCoreApplication::translate("kelvane::UploadPanel", "Прервать загрузку (Esc)"));
    m_cancel->setAccessibleName(
        QCoreApplication::translate("kelvane::UploadPanel", "Прервать загрузку"));
    m_cancel->setFixedHeight(14);
    m_cancel->hide();
    statusBar.addPermanentWidget(m_cancel);

    QObject::connect(m_cancel, &QToolButton::clicked, m_cancel, [this] { cancel(); });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    QObject::connect(escape, &QShortcut::activated, escape, [this] { cancel(); });
}

void UploadPanel::cancel()
{
    if (!m_uploading)
        return;
    m_cancelled = true;
    if (m_wait)
        m_wait->quit();
    if (m_taskCancelled)
        m_taskCancelled();
}

void UploadPanel::txEmptyReported()
{
    if (m_wait)
        m_wait->quit();
}

void UploadPanel::beginTask(const QString &text, std::function<void()> cancelled)
{
    beginUpload(text);
    m_taskCancelled = std::move(cancelled);
}

void UploadPanel::beginUpload(const QString &runningText)
{
    m_taskCancelled = nullptr;
    m_uploading = true;
    m_cancelled = false;
    m_windowState(true, runningText);
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
}

void UploadPanel::setProgress(int maximum, int position)
{
    m_progress->setRange(0, maximum);
    m_progress->setValue(position);
}

void UploadPanel::endUpload(const QString &statusText)
{
    m_uploading = false;
    m_progress->hide();
    m_cancel->hide();
    m_windowState(false, statusText);
}

bool UploadPanel::chooseFile(QString &fileName)
{
    // The dialog opens in the last file's folder but picks no file: Enter must never send an
    // overlay again, perhaps as a CERT table.
    const QString folder
        = fileName.isEmpty() ? QDir::homePath() : QFileInfo(fileName).absolutePath();
    fileName.clear();
    return Dialogs::current().openFile(&m_window,
        QCoreApplication::translate("kelvane::UploadPanel", "All Files (*)"), folder, fileName);
}

void UploadPanel::resetTxEmpty()
{
    m_txEmptySeen = false;
}

UploadView::Wait UploadPanel::waitForTxEmpty(std::chrono::milliseconds bound)
{
    bool expired = false;
    if (!m_txEmptySeen && !m_cancelled) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(bound);
        m_wait = &loop;
        loop.exec();
        m_wait = nullptr;
        expired = !deadline.isActive();
    }
    if (m_cancelled)
        return Wait::Cancelled;
    // The event may have come while a modal window held this loop up: it still counts.
    if (m_txEmptySeen)
        return Wait::TxEmpty;
    // Left without event or deadline: the program is ending.
    return expired ? Wait::TimedOut : Wait::Cancelled;
}

} // namespace kelvane
