#include "procedures/upload_transfer.h"

#include "base/crc32.h"
#include "procedures/procedure_texts.h"
#include "serial/com_port.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace kelvane {

namespace {

// False when cancelled; raises when the bound ran out.
bool waitForDrive(
    const TBComPort &port, UploadPacing &pacing, int64_t bytes, std::chrono::milliseconds floor)
{
    const std::chrono::milliseconds bound = uploadWaitBound(port, bytes, floor);
    switch (pacing.waitForTxEmpty(bound)) {
    case UploadPacing::Wait::TxEmpty:
        return true;
    case UploadPacing::Wait::Cancelled:
        return false;
    case UploadPacing::Wait::TimedOut:
        break;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(bound.count()) / 1000.0);
    throw std::runtime_error(localText(ProcedureText::NoTxEmpty, {seconds}));
}

} // namespace

const char *uploadStartCommand(UploadKind kind)
{
    return kind == UploadKind::Overlay ? "e0,0" : "h0,0";
}

std::string uploadHeader(std::string_view headerName, int64_t size)
{
    return std::string(headerName) + ":" + std::to_string(size) + "[BEGIN]";
}

std::chrono::milliseconds uploadWaitBound(
    const TBComPort &port, int64_t bytes, std::chrono::milliseconds floor)
{
    const LineSettings line = port.lineSettings();
    const int64_t onTheLine = bytes * bitsPerCharacter(line) * 1000 / line.BaudRate;
    return floor + std::chrono::milliseconds(4 * onTheLine);
}

uint32_t uploadFileCrc32(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    Crc32 crc;
    std::vector<char> piece(64 * 1024);
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0)
        crc.update(std::string_view(piece.data(), static_cast<size_t>(in.gcount())));
    return crc.value();
}

bool transferUpload(TBComPort &port, UploadPacing &pacing, const UploadFile &file,
    std::chrono::milliseconds waitFloor)
{
    std::ifstream in(file.path, std::ios::binary);
    std::error_code failure;
    const auto fileSize = std::filesystem::file_size(file.path, failure);
    if (!in || failure || std::filesystem::is_directory(file.path))
        throw std::runtime_error("Cannot open file " + file.shownName);
    const auto size = static_cast<int64_t>(fileSize);
    int64_t chunk = std::max<int64_t>(1, port.OutBufSize());
    int64_t chunks = 1;
    if (size <= chunk)
        chunk = size;
    else
        chunks = size / chunk + (size % chunk > 0 ? 1 : 0);
    pacing.setProgress(static_cast<int>(chunks), 0);

    const std::string header = uploadHeader(file.headerName, size);
    pacing.resetTxEmpty();
    port.SendText(header);
    int64_t pending = static_cast<int64_t>(header.size());
    // One chunk at a time, read at its offset: the file is never held whole.
    std::vector<char> bytes;
    pacing.dataBegins(size);
    for (int64_t i = 0; i < chunks; ++i) {
        if (!waitForDrive(port, pacing, pending, waitFloor))
            return false;
        const int64_t length = std::min(chunk, size - i * chunk);
        bytes.resize(static_cast<size_t>(length));
        in.seekg(i * chunk);
        in.read(bytes.data(), length);
        if (!in || in.gcount() != length)
            throw std::runtime_error("Cannot read file " + file.shownName);
        pacing.resetTxEmpty();
        port.SendText(std::string_view(bytes.data(), bytes.size()));
        pending = length;
        pacing.setProgress(static_cast<int>(chunks), static_cast<int>(i + 1));
    }
    pacing.dataEnded();
    // The last chunk is followed at once, without a wait.
    port.SendText("[END]");
    in.close();
    port.SendText("b,,22");
    port.SendText("c");
    return true;
}

} // namespace kelvane
