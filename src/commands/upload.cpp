#include "commands/upload.h"

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

} // namespace

QString Upload::RunningText(UploadKind kind)
{
    return kind == UploadKind::Overlay ? QStringLiteral("Загрузка ОВЕРЛЕЯ...")
                                        : QStringLiteral("Загрузка CERT Table...");
}

QString Upload::DoneText(UploadKind kind)
{
    return kind == UploadKind::Overlay ? QStringLiteral("Загрузка ОВЕРЛЕЯ произведена...")
                                        : QStringLiteral("Загрузка CERT Table произведена...");
}

const char *Upload::StartCommand(UploadKind kind)
{
    return kind == UploadKind::Overlay ? "e0,0" : "h0,0";
}

std::string Upload::Header(const QString &fileName, int64_t size)
{
    // The drive reads NAME:SIZE, so no folder and no drive letter may stay in the name.
    const qsizetype cut = std::max({fileName.lastIndexOf(QLatin1Char('/')),
        fileName.lastIndexOf(QLatin1Char('\\')), fileName.lastIndexOf(QLatin1Char(':'))});
    return ToCp1251(fileName.mid(cut + 1)) + ":" + std::to_string(size) + "[BEGIN]";
}

std::chrono::milliseconds Upload::WaitBound(int64_t bytes) const
{
    const int64_t rate = BaudRateValues[port_.BaudRate()];
    const int64_t onTheLine = bytes * bitsPerCharacter(port_) * 1000 / rate;
    return waitFloor_ + std::chrono::milliseconds(4 * onTheLine);
}

void Upload::Run(UploadKind kind)
{
    view_.BeginUpload(RunningText(kind));
    try {
        port_.SendText(StartCommand(kind));
        QString fileName = lastFile_;
        // A cancelled dialog sends nothing more; the start command is already out. The port may
        // have been lost while the dialog was up: it is not opened again behind the window's back.
        if (!view_.ChooseFile(fileName) || !port_.IsOpen()) {
            view_.EndUpload(Cancelled);
            return;
        }
        lastFile_ = fileName;
        transfer(fileName);
        view_.EndUpload(DoneText(kind));
    } catch (const UploadCancelled &) {
        view_.EndUpload(Cancelled);
    } catch (...) {
        view_.EndUpload(Interrupted);
        throw;
    }
}

void Upload::transfer(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot open file %1").arg(fileName).toStdString());
    const int64_t size = file.size();
    int64_t chunk = std::max<int64_t>(1, port_.OutBufSize());
    int64_t chunks = 1;
    if (size <= chunk)
        chunk = size;
    else
        chunks = size / chunk + (size % chunk > 0 ? 1 : 0);
    view_.SetProgress(static_cast<int>(chunks), 0);

    const std::string header = Header(fileName, size);
    view_.ResetTxEmpty();
    port_.SendText(header);
    int64_t pending = static_cast<int64_t>(header.size());
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
        view_.ResetTxEmpty();
        port_.SendText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        pending = length;
        view_.SetProgress(static_cast<int>(chunks), static_cast<int>(i + 1));
    }
    // The last chunk is followed at once, without a wait.
    port_.SendText("[END]");
    file.close();
    port_.SendText("b,,22");
    port_.SendText("c");
}

bool Upload::waitForDrive(int64_t bytes)
{
    const std::chrono::milliseconds bound = WaitBound(bytes);
    switch (view_.WaitForTxEmpty(bound)) {
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
