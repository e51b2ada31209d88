// Cost of the AVI writer and reader against plain sequential I/O of the same
// bytes: "ratio avi_write R" and "ratio avi_read R" (1 = no overhead).
#include "formats/avireader.h"
#include "formats/aviwriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFrames = 500;
constexpr size_t kFrameSize = 144000;
constexpr size_t kSoundSize = 1920 * 4;

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double RawWrite(const QString &path, const std::vector<uint8_t> &frame, const std::vector<uint8_t> &sound)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<uint8_t> buffer;
    buffer.reserve(AtomicFile::kBufferSize);
    bool ok = fd >= 0;
    for (int n = 0; n < kFrames && ok; ++n) {
        if (buffer.size() + frame.size() + sound.size() > AtomicFile::kBufferSize) {
            ok = ::write(fd, buffer.data(), buffer.size()) == ssize_t(buffer.size());
            buffer.clear();
        }
        buffer.insert(buffer.end(), frame.begin(), frame.end());
        buffer.insert(buffer.end(), sound.begin(), sound.end());
    }
    ok = ok && ::write(fd, buffer.data(), buffer.size()) == ssize_t(buffer.size()) && ::fdatasync(fd) == 0;
    ::close(fd);
    if (!ok)
        std::fprintf(stderr, "raw write failed\n");
    return Seconds(start);
}

double RawRead(const QString &path)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    std::vector<uint8_t> buffer(kFrameSize);
    for (off_t at = 0; ::pread(fd, buffer.data(), kFrameSize, at) > 0; at += off_t(kFrameSize + kSoundSize)) {
    }
    ::close(fd);
    return Seconds(start);
}

}  // namespace

int main()
{
    QTemporaryDir dir;
    const QString rawPath = dir.filePath(QStringLiteral("raw.bin"));
    const QString aviPath = dir.filePath(QStringLiteral("out.avi"));
    std::vector<uint8_t> frame(kFrameSize, 0x5a);
    std::vector<uint8_t> sound(kSoundSize, 0x11);

    const double rawWrite = RawWrite(rawPath, frame, sound);
    auto start = std::chrono::steady_clock::now();
    AviWriterSettings settings;
    settings.audio.push_back({48000, 2});
    settings.riffLimit = settings.firstRiffLimit = 16 * 1024 * 1024;
    AviCreateResult created = AviWriter::Create(aviPath, settings);
    const ByteSpan soundChunks[] = {ByteSpan(sound)};
    for (int n = 0; n < kFrames && created.writer; ++n)
        created.writer->WriteFrame(frame, soundChunks);
    if (!created.writer || !created.writer->Close().ok) {
        std::fprintf(stderr, "AVI write failed\n");
        return 1;
    }
    const double aviWrite = Seconds(start);

    const double rawRead = RawRead(rawPath);
    start = std::chrono::steady_clock::now();
    AviOpenResult opened = AviReader::Open(aviPath);
    if (!opened.reader) {
        std::fprintf(stderr, "AVI read failed\n");
        return 1;
    }
    std::vector<uint8_t> buffer(opened.reader->MaxChunkSize(0));
    for (size_t n = 0; n < opened.reader->ChunkCount(0); ++n)
        opened.reader->ReadChunk(0, n, buffer);
    const double aviRead = Seconds(start);

    std::printf("ratio avi_write %.2f\n", aviWrite / rawWrite);
    std::printf("ratio avi_read %.2f\n", aviRead / rawRead);
    return 0;
}
