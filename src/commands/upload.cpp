#include "commands/upload.h"

#include "framework/cp1251_text.h"
#include "serial/com_port.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <stdexcept>

namespace kelvane {

namespace {

QString cancelledText()
{
    return QCoreApplication::translate("kelvane::Upload", "Загрузка отменена");
}

QString interruptedText()
{
    return QCoreApplication::translate("kelvane::Upload", "Загрузка прервана");
}

class UploadCancelled
{
};

// The drive reads NAME:SIZE, so no folder and no drive letter may stay in the name.
std::string headerName(const QString &fileName)
{
    const qsizetype cut = std::max({fileName.lastIndexOf(QLatin1Char('/')),
        fileName.lastIndexOf(QLatin1Char('\\')), fileName.lastIndexOf(QLatin1Char(':'))});
    return toCp1251(fileName.mid(cut + 1));
}

// The window's pacing, telling the session log when the file's data goes out and when it is
// done, however the transfer ends.
class LoggedPacing final : public UploadPacing
{
public:
    LoggedPacing(UploadPacing &pacing, SessionLog &log, const QString &fileName)
        : m_pacing(pacing), m_log(log), m_name(fileName.toStdString()),
          m_crc(uploadFileCrc32(QFile::encodeName(fileName).toStdString()))
    { }
    ~LoggedPacing() override { m_log.fileEnded(); }
    LoggedPacing(const LoggedPacing &) = delete;
    LoggedPacing &operator=(const LoggedPacing &) = delete;

    void resetTxEmpty() override { m_pacing.resetTxEmpty(); }
    Wait waitForTxEmpty(std::chrono::milliseconds bound) override
    {
        return m_pacing.waitForTxEmpty(bound);
    }
    void setProgress(int maximum, int position) override
    {
        m_pacing.setProgress(maximum, position);
    }
    void dataBegins(int64_t size) override { m_log.fileStarted(m_name, size, m_crc); }
    void dataEnded() override { m_log.fileEnded(); }

private:
    UploadPacing &m_pacing;
    SessionLog &m_log;
    std::string m_name;
    uint32_t m_crc;
};

} // namespace

QString Upload::runningText(UploadKind kind)
{
    return kind == UploadKind::Overlay
        ? QCoreApplication::translate("kelvane::Upload", "Загрузка ОВЕРЛЕЯ...")
        : QCoreApplication::translate("kelvane::Upload", "Загрузка CERT Table...");
}

QString Upload::doneText(UploadKind kind)
{
    return kind == UploadKind::Overlay
        ? QCoreApplication::translate("kelvane::Upload", "Загрузка ОВЕРЛЕЯ произведена...")
        : QCoreApplication::translate("kelvane::Upload", "Загрузка CERT Table произведена...");
}

const char *Upload::startCommand(UploadKind kind)
{
    return uploadStartCommand(kind);
}

std::string Upload::Header(const QString &fileName, int64_t size)
{
    return uploadHeader(headerName(fileName), size);
}

std::chrono::milliseconds Upload::waitBound(int64_t bytes) const
{
    return uploadWaitBound(m_port, bytes, m_waitFloor);
}

void Upload::run(UploadKind kind)
{
    m_view.beginUpload(runningText(kind));
    try {
        m_port.SendText(startCommand(kind));
        QString fileName = m_lastFile;
        // A cancelled dialog sends nothing more; the start command is already out. The port may
        // have been lost while the dialog was up: it is not opened again behind the window's back.
        if (!m_view.chooseFile(fileName) || !m_port.IsOpen()) {
            m_view.endUpload(cancelledText());
            return;
        }
        m_lastFile = fileName;
        transfer(fileName);
        m_view.endUpload(doneText(kind));
    } catch (const UploadCancelled &) {
        m_view.endUpload(cancelledText());
    } catch (...) {
        m_view.endUpload(interruptedText());
        throw;
    }
}

void Upload::transfer(const QString &fileName)
{
    const UploadFile file {
        QFile::encodeName(fileName).toStdString(), fileName.toStdString(), headerName(fileName)};
    LoggedPacing pacing(m_view, *m_log, fileName);
    if (!transferUpload(m_port, pacing, file, m_waitFloor))
        throw UploadCancelled();
}

} // namespace kelvane
