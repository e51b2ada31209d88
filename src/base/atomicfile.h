// A new file written beside its destination under a unique temporary name and
// renamed over the destination only on Commit, so that an existing file stays
// whole until the new one is complete. Appends go through a large buffer; bytes
// already appended can be patched in place (sizes written as placeholders first).
//
// The object owns its descriptor and its temporary file, which it removes unless
// committed. One thread at a time; each full buffer is written by a thread of the
// object's own while the caller fills the next, and a failure of that write is
// reported by the next call.
#pragma once

#include "base/jobworker.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class AtomicFile {
public:
    static constexpr size_t kBufferSize = 4 * 1024 * 1024;

    // Creates "<destination>.<random>.part" in the destination's folder; empty with
    // *error set when that fails.
    static std::unique_ptr<AtomicFile> Create(const QString &destination, QString *error);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    bool Append(std::span<const uint8_t> bytes);
    bool AppendZeros(size_t count);
    // Overwrites bytes already appended, at position.
    bool Patch(uint64_t position, std::span<const uint8_t> bytes);
    uint64_t Position() const { return flushed_ + buffer_.size(); }

    // Flushes and renames the file over the destination; an existing destination is
    // replaced only once the new bytes are on the disk.
    bool Commit();
    // Removes the temporary file; the destination is left as it was.
    void Discard();

    bool Failed() const { return !error_.isEmpty(); }
    const QString &Error() const { return error_; }
    const QString &TemporaryPath() const { return temporaryPath_; }
    const QString &Destination() const { return destination_; }

private:
    AtomicFile(int fd, QString destination, QString temporaryPath);
    // A full buffer on its way to the disk.
    struct BlockWrite {
        std::vector<uint8_t> bytes;
        uint64_t position = 0;
        int error = 0;  // errno of a failed write
    };

    bool Flush();
    // Waits for the block on its way; false when writing it failed.
    bool WaitForBlock();
    bool WriteAt(uint64_t position, std::span<const uint8_t> bytes);
    static int WriteAll(int fd, uint64_t position, std::span<const uint8_t> bytes);
    bool Fail(const QString &what);

    int fd_ = -1;
    QString destination_;
    QString temporaryPath_;
    std::vector<uint8_t> buffer_;
    uint64_t flushed_ = 0;  // bytes on disk or on their way; the buffer holds what follows
    BlockWrite block_;
    bool blockPosted_ = false;
    JobWorker<BlockWrite> writer_;
    QString error_;
    bool done_ = false;
    bool replacing_ = false;  // the destination existed when the file was created
};
