// The stock File writer: the end of a conversion graph that writes a new file. Its
// input takes a byte stream; each sample lands at the byte offset its start time
// names (a sample without times follows the previous one), and the filter before it
// may seek and write through FileStream (the WAV writer fills in its header at the
// end). A mux that lays out its own container (the AVI mux) asks for TargetPath
// instead and writes the file itself; the writer then opens nothing.
//
// The file is made under a temporary name and takes the destination's name when the
// stream stops, so a run that fails in writing leaves no half-made file and an
// existing file is replaced only by a complete one; a destination that is the file
// a file source of the graph reads is refused. The creator owns the filter;
// the settings are made on the controlling thread while the graph is stopped, the
// rest runs on the streaming thread.
#pragma once

#include "formats/bytes.h"
#include "media/filter.h"

#include <QString>

#include <cstdint>
#include <memory>

class AtomicFile;

// Seek-and-write access to the file being written, for the filter before the writer.
class FileStream {
public:
    virtual ~FileStream() = default;
    // Positions are byte offsets from the file's start; a seek past the end is allowed
    // and the gap (at most FileWriter::kMaxGap) is written as zeros.
    virtual bool Seek(uint64_t position) = 0;
    virtual bool Write(ByteSpan bytes) = 0;
    virtual QString StreamError() const = 0;
};

class FileWriter final : public Filter, public FileStream {
public:
    FileWriter();
    ~FileWriter() override;

    InputPin &Input() const { return input_; }

    void SetFileName(const QString &path) { fileName_ = path; }
    const QString &FileName() const { return fileName_; }
    // Overwrite: an existing destination is replaced; otherwise the run refuses to start.
    void SetMode(bool overwrite) { overwrite_ = overwrite; }
    bool Overwrite() const { return overwrite_; }

    // The most zeros a write past the end may leave before it: a header's room, not a disk's.
    static constexpr uint64_t kMaxGap = 64 * 1024 * 1024;

    // For a mux that writes the destination itself: its path, checked at start of streaming.
    const QString &TargetPath() const { return fileName_; }

    bool Seek(uint64_t position) override;
    bool Write(ByteSpan bytes) override;
    QString StreamError() const override { return error_; }

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult StartStreaming() override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;
    StreamResult StopStreaming(bool stoppedEarly) override;

private:
    bool Open();

    InputPin &input_;
    QString fileName_;
    bool overwrite_ = false;
    std::unique_ptr<AtomicFile> file_;
    uint64_t position_ = 0;
    QString error_;
};
