// UploadPanel: an upload's face in its window. The progress bar `ProgressBar1` and a cancel control
// sit at the right end of the window's status line while an upload runs; Esc cancels as well. The
// wait for the port's transmit-empty report runs a nested event loop, so the window stays
// responsive. The panel owns the upload it shows. Main thread only.
#pragma once

#include "commands/upload.h"

#include <functional>

class QEventLoop;
class QProgressBar;
class QStatusBar;
class QToolButton;
class QWidget;

namespace kelvane {

class UploadPanel : private UploadView
{
public:
    // What the window does on entering an upload (`uploading` true, with the running text: nothing
    // else may write to the port) and on leaving it (with the text to show).
    using WindowState = std::function<void(bool uploading, const QString &text)>;

    // Puts its controls into `statusBar`, hidden; Esc in `window` cancels. `txEmptySeen` is the
    // window's flag of the port's transmit-empty events, set by the window, cleared by the upload.
    UploadPanel(TBComPort &port, QWidget &window, QStatusBar &statusBar, bool &txEmptySeen,
        WindowState windowState);

    Upload &upload() { return m_upload; }
    bool uploading() const { return m_uploading; }
    // Cancels a running upload at its next wait.
    void cancel();
    // The port reported its transmit buffer empty (the window has set the flag): a wait ends.
    void txEmptyReported();

    // The same face for other work that holds the port (a procedure): the window's uploading
    // state with `text`, the progress bar, and "Отмена" and Esc, which call `cancelled`.
    void beginTask(const QString &text, std::function<void()> cancelled);
    void setTaskProgress(int maximum, int position) { setProgress(maximum, position); }
    void endTask(const QString &text) { endUpload(text); }

private:
    void beginUpload(const QString &runningText) override;
    void setProgress(int maximum, int position) override;
    void endUpload(const QString &statusText) override;
    bool chooseFile(QString &fileName) override;
    void resetTxEmpty() override;
    Wait waitForTxEmpty(std::chrono::milliseconds bound) override;

    QWidget &m_window;
    bool &m_txEmptySeen;
    WindowState m_windowState;
    QProgressBar *m_progress;
    QToolButton *m_cancel;
    Upload m_upload;
    bool m_uploading = false;
    bool m_cancelled = false;
    QEventLoop *m_wait = nullptr;
    std::function<void()> m_taskCancelled;
};

} // namespace kelvane
