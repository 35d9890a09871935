// Upload: sends a file into the drive's RAM, an ATA overlay or a CERT table. The drive is told
// the start command, then the header NAME:SIZE[BEGIN], the file's bytes in chunks of the port's
// output buffer size, "[END]", "b,,22" and "c". After the header and after each chunk but the last
// the upload waits until the port reports its transmit buffer empty, so the drive is never sent
// more than it can take; the window stays responsive meanwhile, and the user can cancel.
//
// UploadView is what the upload needs of the window it runs in. Main thread only.
#pragma once

#include "journal/session_log.h"
#include "procedures/upload_transfer.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <string>

namespace kelvane {

class TBComPort;

class UploadView : public UploadPacing
{
public:
    // Into the uploading state: nothing else may write to the port; the running text, the
    // progress bar and its cancel control show.
    virtual void beginUpload(const QString &runningText) = 0;
    // Back to the state the connection calls for, with `statusText`.
    virtual void endUpload(const QString &statusText) = 0;
    // The file-open dialog, given the last file sent (or nothing); false when the user
    // cancelled it.
    virtual bool chooseFile(QString &fileName) = 0;
    // The waits keep the window responsive, and the user can cancel them.
    void setProgress(int maximum, int position) override = 0;
};

class Upload
{
public:
    Upload(TBComPort &port, UploadView &view) : m_port(port), m_view(view) { }

    // Where the upload says which file's data goes out (its bytes are not shown there).
    void setSessionLog(SessionLog &log) { m_log = &log; }

    // Runs one upload. A failure (file, port, a wait that never ends) puts the window back into
    // its connected state and is raised to the caller; so is nothing after a cancel.
    void run(UploadKind kind);

    // The least time a wait may take before it fails; the rest of the bound is four times what
    // the chunk takes on the line.
    void setWaitFloor(std::chrono::milliseconds floor) { m_waitFloor = floor; }
    std::chrono::milliseconds waitBound(int64_t bytes) const;

    static QString runningText(UploadKind kind);
    static QString doneText(UploadKind kind);
    static const char *startCommand(UploadKind kind);
    // NAME:SIZE[BEGIN], with the name's folder cut off.
    static std::string Header(const QString &fileName, int64_t size);

private:
    void transfer(const QString &fileName);

    TBComPort &m_port;
    UploadView &m_view;
    SessionLog *m_log = &SessionLog::none();
    QString m_lastFile;
    std::chrono::milliseconds m_waitFloor {5000};
};

} // namespace kelvane
