#include "commands/upload.h"

#include "base/crc32.h"
#include "framework/cp1251_text.h"
#include "serial/com_port.h"

#include <QFile>
#include <algorithm>
#include <stdexcept>

namespace kelvane {

namespace {

const QString Cancelled = QStringLiteral("Загрузка отменена");
const QString Interrupted = QStringLiteral("Загрузка прервана");

// Bits one character takes on the line: start, data, parity, stop.
int bitsPerCharacter(const TBComPort &port)
{
    return 1 + (5 + port.ByteSize()) + (port.Parity() == paNone ? 0 : 1)
        + (port.StopBits() == sb1 ? 1 : 2);
}

class UploadCancelled
{
};

// The CRC-32 of the whole file, read a piece at a time.
uint32_t checksum(QFile &file)
{
    Crc32 crc;
    QByteArray piece;
    while (!(piece = file.read(64 * 1024)).isEmpty())
        crc.update(std::string_view(piece.constData(), static_cast<size_t>(piece.size())));
    return crc.value();
}

// Tells the session log that the file's data has gone out, however the transfer ends (a second
// fileEnded() is nothing).
class FileInLog
{
public:
    FileInLog(SessionLog &log, const QString &name, int64_t size, uint32_t crc) : m_log(log)
    {
        m_log.fileStarted(name.toStdString(), size, crc);
    }
    ~FileInLog() { m_log.fileEnded(); }
    FileInLog(const FileInLog &) = delete;
    FileInLog &operator=(const FileInLog &) = delete;

private:
    SessionLog &m_log;
};

} // namespace

QString Upload::runningText(UploadKind kind)
{
    return kind == UploadKind::Overlay ? QStringLiteral("Загрузка ОВЕРЛЕЯ...")
                                       : QStringLiteral("Загрузка CERT Table...");
}

QString Upload::doneText(UploadKind kind)
{
    return kind == UploadKind::Overlay ? QStringLiteral("Загрузка ОВЕРЛЕЯ произведена...")
                                       : QStringLiteral("Загрузка CERT Table произведена...");
}

const char *Upload::startCommand(UploadKind kind)
{
    return kind == UploadKind::Overlay ? "e0,0" : "h0,0";
}

std::string Upload::Header(const QString &fileName, int64_t size)
{
    // The drive reads NAME:SIZE, so no folder and no drive letter may stay in the name.
    const qsizetype cut = std::max({fileName.lastIndexOf(QLatin1Char('/')),
        fileName.lastIndexOf(QLatin1Char('\\')), fileName.lastIndexOf(QLatin1Char(':'))});
    return toCp1251(fileName.mid(cut + 1)) + ":" + std::to_string(size) + "[BEGIN]";
}

std::chrono::milliseconds Upload::waitBound(int64_t bytes) const
{
    const int64_t rate = BaudRateValues[m_port.BaudRate()];
    const int64_t onTheLine = bytes * bitsPerCharacter(m_port) * 1000 / rate;
    return m_waitFloor + std::chrono::milliseconds(4 * onTheLine);
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
            m_view.endUpload(Cancelled);
            return;
        }
        m_lastFile = fileName;
        transfer(fileName);
        m_view.endUpload(doneText(kind));
    } catch (const UploadCancelled &) {
        m_view.endUpload(Cancelled);
    } catch (...) {
        m_view.endUpload(Interrupted);
        throw;
    }
}

void Upload::transfer(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot open file %1").arg(fileName).toStdString());
    const int64_t size = file.size();
    int64_t chunk = std::max<int64_t>(1, m_port.OutBufSize());
    int64_t chunks = 1;
    if (size <= chunk)
        chunk = size;
    else
        chunks = size / chunk + (size % chunk > 0 ? 1 : 0);
    m_view.setProgress(static_cast<int>(chunks), 0);
    const uint32_t crc = checksum(file);

    const std::string header = Header(fileName, size);
    m_view.resetTxEmpty();
    m_port.SendText(header);
    int64_t pending = static_cast<int64_t>(header.size());
    const FileInLog inLog(*m_log, fileName, size, crc);
    for (int64_t i = 0; i < chunks; ++i) {
        if (!waitForDrive(pending))
            throw UploadCancelled();
        const int64_t length = std::min(chunk, size - i * chunk);
        QByteArray bytes;
        if (file.seek(i * chunk))
            bytes = file.read(length);
        if (bytes.size() != length)
            throw std::runtime_error(
                QStringLiteral("Cannot read file %1").arg(fileName).toStdString());
        m_view.resetTxEmpty();
        m_port.SendText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        pending = length;
        m_view.setProgress(static_cast<int>(chunks), static_cast<int>(i + 1));
    }
    // The file is out; what follows is framing again.
    m_log->fileEnded();
    // The last chunk is followed at once, without a wait.
    m_port.SendText("[END]");
    file.close();
    m_port.SendText("b,,22");
    m_port.SendText("c");
}

bool Upload::waitForDrive(int64_t bytes)
{
    const std::chrono::milliseconds bound = waitBound(bytes);
    switch (m_view.waitForTxEmpty(bound)) {
    case UploadView::Wait::TxEmpty:
        return true;
    case UploadView::Wait::Cancelled:
        return false;
    case UploadView::Wait::TimedOut:
        break;
    }
    throw std::runtime_error(
        QStringLiteral("Порт не сообщил об окончании передачи за %1 с: загрузка прервана")
            .arg(static_cast<double>(bound.count()) / 1000.0, 0, 'f', 1)
            .toStdString());
}

} // namespace kelvane
