#include "base/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kNameAttempts = 64;
constexpr char kNameChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";

QString RandomTag()
{
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag.append(QLatin1Char(kNameChars[QRandomGenerator::global()->bounded(int(sizeof kNameChars - 1))]));
    return tag;
}

bool Exists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

std::unique_ptr<AtomicFile> AtomicFile::Create(const QString &destination, QString *error)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString temporary = destination + QLatin1Char('.') + RandomTag() + QStringLiteral(".part");
        const QByteArray native = QFile::encodeName(temporary);
        // 0666 lets the umask decide the permissions, as for any new file.
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            auto file = std::unique_ptr<AtomicFile>(new AtomicFile(fd, destination, temporary));
            file->replacing_ = Exists(destination);
            return file;
        }
        if (errno != EEXIST) {
            *error = QStringLiteral("Cannot create a file beside \"%1\": %2").arg(destination, qt_error_string(errno));
            return nullptr;
        }
    }
    *error = QStringLiteral("Cannot find a free temporary name beside \"%1\".").arg(destination);
    return nullptr;
}

AtomicFile::AtomicFile(int fd, QString destination, QString temporaryPath)
    : fd_(fd), destination_(std::move(destination)), temporaryPath_(std::move(temporaryPath))
{
    buffer_.reserve(kBufferSize);
}

AtomicFile::~AtomicFile()
{
    Discard();
}

bool AtomicFile::Fail(const QString &what)
{
    if (error_.isEmpty())
        error_ = QStringLiteral("%1 \"%2\": %3").arg(what, destination_, qt_error_string(errno));
    return false;
}

int AtomicFile::WriteAll(int fd, uint64_t position, std::span<const uint8_t> bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 ? ENOSPC : errno;
        done += static_cast<size_t>(n);
    }
    return 0;
}

bool AtomicFile::WriteAt(uint64_t position, std::span<const uint8_t> bytes)
{
    if (!WaitForBlock())
        return false;
    if (const int error = WriteAll(fd_, position, bytes)) {
        errno = error;
        return Fail(QStringLiteral("Cannot write"));
    }
    return true;
}

bool AtomicFile::WaitForBlock()
{
    if (!blockPosted_)
        return true;
    writer_.Finish();
    blockPosted_ = false;
    if (block_.error != 0) {
        errno = block_.error;
        return Fail(QStringLiteral("Cannot write"));
    }
    return true;
}

bool AtomicFile::Flush()
{
    if (buffer_.empty())
        return true;
    if (!WaitForBlock())
        return false;
    if (!writer_.Running()) {
        const int fd = fd_;
        const bool replacing = replacing_;
        writer_.Start([fd, replacing](BlockWrite &block) {
            block.error = WriteAll(fd, block.position, block.bytes);
            // The disk starts on the block at once, so that the sync of Commit finds little left to do.
            if (block.error == 0 && replacing)
                ::sync_file_range(fd, static_cast<off_t>(block.position), static_cast<off_t>(block.bytes.size()),
                                  SYNC_FILE_RANGE_WRITE);
        });
    }
    std::swap(block_.bytes, buffer_);
    block_.position = flushed_;
    block_.error = 0;
    writer_.Post(block_);
    blockPosted_ = true;
    flushed_ += block_.bytes.size();
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    return true;
}

bool AtomicFile::Append(std::span<const uint8_t> bytes)
{
    if (done_ || Failed())
        return false;
    if (buffer_.size() + bytes.size() > kBufferSize && !Flush())
        return false;
    if (bytes.size() >= kBufferSize) {
        if (!WriteAt(flushed_, bytes))
            return false;
        flushed_ += bytes.size();
        return true;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
}

bool AtomicFile::AppendZeros(size_t count)
{
    static constexpr uint8_t kZeros[4096] = {};
    while (count > 0) {
        const size_t n = std::min(count, sizeof kZeros);
        if (!Append(std::span(kZeros, n)))
            return false;
        count -= n;
    }
    return true;
}

bool AtomicFile::Patch(uint64_t position, std::span<const uint8_t> bytes)
{
    if (done_ || Failed())
        return false;
    if (position > Position() || Position() - position < bytes.size()) {
        errno = EINVAL;
        return Fail(QStringLiteral("Cannot patch"));
    }
    const size_t onDisk = position < flushed_ ? static_cast<size_t>(std::min<uint64_t>(flushed_ - position, bytes.size())) : 0;
    if (onDisk > 0 && !WriteAt(position, bytes.first(onDisk)))
        return false;
    const std::span<const uint8_t> buffered = bytes.subspan(onDisk);
    if (!buffered.empty())
        std::memcpy(buffer_.data() + (position + onDisk - flushed_), buffered.data(), buffered.size());
    return true;
}

bool AtomicFile::Commit()
{
    if (done_ || Failed())
        return false;
    if (!Flush() || !WaitForBlock())
        return false;
    writer_.Stop();
    // An existing file is replaced only by one whose bytes are on the disk, so that a
    // crash leaves the one or the other whole. A new name risks nothing of the user's:
    // its bytes reach the disk in the kernel's time, as with any program's output.
    if ((replacing_ || Exists(destination_)) && ::fdatasync(fd_) != 0)
        return Fail(QStringLiteral("Cannot write"));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return Fail(QStringLiteral("Cannot write"));
    if (::rename(QFile::encodeName(temporaryPath_).constData(), QFile::encodeName(destination_).constData()) != 0)
        return Fail(QStringLiteral("Cannot replace"));
    done_ = true;
    return true;
}

void AtomicFile::Discard()
{
    if (done_)
        return;
    done_ = true;
    // The write on its way must not land in a descriptor reused elsewhere.
    writer_.Stop();
    blockPosted_ = false;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(QFile::encodeName(temporaryPath_).constData());
}
