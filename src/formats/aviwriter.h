// Writes DV in AVI: type 1 (one 'iavs' stream of whole DV frames) or type 2 (a
// 'vids' DV stream and up to two 16-bit PCM 'auds' streams; some capture programs
// wrote the DV of a type 2 file as an 'iavs' stream), in files of any
// size: a first "AVI " RIFF chunk with idx1, then "AVIX" chunks, every stream
// indexed by an OpenDML super index and one standard index per RIFF chunk.
//
// The file is written under a temporary name beside the destination and takes
// the destination's name only on Close, which finalises whatever frames were
// written into a valid file; Discard, or destruction without Close, removes the
// temporary file and leaves any existing destination untouched.
//
// The writer owns its file. One thread at a time.
#pragma once

#include "base/atomicfile.h"
#include "formats/aviheaders.h"
#include "formats/bytes.h"
#include "formats/dvinfo.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

enum class AviDvType {
    Type1,
    Type2,
    Type2Interleaved,  // type 2 whose DV stream is 'iavs', beside its 'auds' streams
};

struct AviAudioFormat {
    uint32_t sampleRate = 48000;
    uint16_t channels = 2;  // 16-bit samples, interleaved
};

struct AviWriterSettings {
    AviDvType type = AviDvType::Type2;
    bool ntsc = false;                  // 525/60 at 30000/1001 frames/s, else 625/50 at 25
    std::vector<AviAudioFormat> audio;  // not for type 1
    std::optional<DvInfo> dvInfo;       // taken from the first frame when absent
    std::vector<AviInfoEntry> info;     // written in the LIST INFO list
    // Size at which a RIFF chunk is closed and the next begins (at least one frame each).
    uint64_t firstRiffLimit = uint64_t{1} << 30;
    uint64_t riffLimit = uint64_t{1} << 30;
};

struct AviWriteResult {
    bool ok = true;
    QString error;
};

class AviWriter;

struct AviCreateResult {
    std::unique_ptr<AviWriter> writer;
    QString error;
};

class AviWriter {
public:
    static constexpr size_t kMaxAudioStreams = 2;
    static constexpr size_t kSuperIndexEntries = 256;  // RIFF chunks a file can have
    static constexpr uint64_t kMaxRiffLimit = 0x7FFFFFFF;
    static constexpr size_t kMaxAudioChunk = 1024 * 1024;

    static AviCreateResult Create(const QString &destination, AviWriterSettings settings);
    ~AviWriter();
    AviWriter(const AviWriter &) = delete;
    AviWriter &operator=(const AviWriter &) = delete;

    // Adds or replaces an INFO text; possible until the first frame is written.
    bool SetInfo(FourCC id, const QString &text);
    // One DV frame and, for type 2, one chunk of PCM bytes per sound stream (an
    // empty span writes no chunk for that stream).
    AviWriteResult WriteFrame(ByteSpan frame, std::span<const ByteSpan> audio = {});
    // Completes the file and renames it to the destination.
    AviWriteResult Close();
    void Discard();

    uint32_t FramesWritten() const { return frames_; }
    QString TemporaryPath() const;

private:
    struct SuperIndexEntry {
        uint64_t position;
        uint32_t size;
        uint32_t duration;
    };
    struct StdIndexEntry {
        uint32_t offset;  // of the chunk data from the RIFF chunk's start
        uint32_t size;
    };
    struct Idx1Entry {
        FourCC id;
        uint32_t offset;  // of the chunk header from the 'movi' code
        uint32_t size;
    };
    struct Stream {
        FourCC chunkId = 0;
        uint64_t strhPosition = 0;
        uint64_t indxPosition = 0;
        uint32_t blockAlign = 0;  // 0 for the video stream
        AviAudioFormat audio;
        uint32_t maxChunk = 0;
        uint64_t chunks = 0;
        uint64_t bytes = 0;
        uint64_t riffTicks = 0;
        std::vector<StdIndexEntry> riffIndex;
        std::vector<SuperIndexEntry> superIndex;
    };

    AviWriter(std::unique_ptr<AtomicFile> file, AviWriterSettings settings);
    uint32_t FrameSize() const;
    // The DV stream is 'iavs': whole frames, described by a DVINFO block alone.
    bool Interleaved() const { return settings_.type != AviDvType::Type2; }
    uint32_t Rate() const { return settings_.ntsc ? 30000 : 25; }
    uint32_t Scale() const { return settings_.ntsc ? 1001 : 1; }
    avi::MainHeader MakeMainHeader() const;
    avi::StreamHeader MakeStreamHeader(size_t stream) const;
    std::vector<uint8_t> MakeFormat(size_t stream) const;
    std::vector<uint8_t> MakeSuperIndex(size_t stream) const;

    bool WriteHeaders();
    bool BeginList(FourCC id, FourCC type, uint64_t &position);
    bool EndList(uint64_t position);
    bool WriteChunk(FourCC id, ByteSpan data);
    bool WriteMediaChunk(size_t stream, ByteSpan data);
    bool EndRiff();
    bool BeginAvix();
    bool Finish();
    uint64_t PendingIndexBytes(std::span<const ByteSpan> group) const;
    AviWriteResult IoFailure();

    std::unique_ptr<AtomicFile> file_;
    AviWriterSettings settings_;
    std::vector<Stream> streams_;
    bool headersWritten_ = false;
    bool closed_ = false;
    uint64_t avihPosition_ = 0;
    uint64_t dmlhPosition_ = 0;
    uint64_t riffPosition_ = 0;
    uint64_t moviPosition_ = 0;
    int riffCount_ = 0;
    uint32_t frames_ = 0;
    uint32_t framesInFirstRiff_ = 0;
    uint32_t framesInRiff_ = 0;
    std::vector<Idx1Entry> idx1_;
    std::vector<uint8_t> scratch_;  // index chunks are assembled here
};
