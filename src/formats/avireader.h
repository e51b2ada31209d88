// Media access to an AVI file (DV type 1 and type 2, AVI 1.0 and OpenDML): its
// headers, its INFO texts and random access to chunk n of each stream through
// idx1, the OpenDML indexes or, for a file without a usable index, a walk of its
// movi lists. A damaged file is read up to its last whole chunk.
//
// The reader owns its file descriptor and its indexes; everything is read at
// Open. The accessors are const and read with pread, but a reader is meant for
// one thread at a time: give each thread its own reader.
#pragma once

#include "formats/aviheaders.h"
#include "formats/bytes.h"
#include "formats/dvinfo.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct AviStream {
    std::array<uint8_t, avi::StreamHeader::kSize> rawHeader{};  // strh as found, zero-filled when shorter
    avi::StreamHeader header;
    uint32_t formatSize = 0;      // size of strf as declared
    std::vector<uint8_t> format;  // strf bytes, at most AviReader::kMaxFormatBytes
    std::optional<avi::BitmapInfoHeader> bitmap;  // 'vids'
    std::optional<avi::WaveFormat> wave;          // 'auds'
    std::optional<DvInfo> dvInfo;                 // 'iavs', or appended to the bitmap header of 'vids'
    QString name;                                 // strn
    bool hasSuperIndex = false;                   // an OpenDML 'indx' was found in its strl
};

enum class AviIndexSource { OpenDml, Idx1, MoviWalk };

class AviReader;

struct AviOpenResult {
    std::unique_ptr<AviReader> reader;
    QString error;  // a sentence for the user when reader is empty
};

struct AviChunkResult {
    bool ok = false;
    size_t size = 0;  // bytes placed in the buffer
    QString error;
};

class AviReader {
public:
    static constexpr size_t kMaxStreams = 100;  // the two decimal digits of a chunk id
    static constexpr size_t kMaxFormatBytes = 64 * 1024;
    static constexpr size_t kMaxIndexEntries = 4 * 1024 * 1024;  // all streams; 20 hours of type 2
    static constexpr size_t kMaxInfoEntries = 256;

    static AviOpenResult Open(const QString &path);
    ~AviReader();
    AviReader(const AviReader &) = delete;
    AviReader &operator=(const AviReader &) = delete;

    const avi::MainHeader &MainHeader() const { return mainHeader_; }
    // dwTotalFrames of the OpenDML 'dmlh' header, when the file has one.
    std::optional<uint32_t> OdmlTotalFrames() const { return odmlTotalFrames_; }
    const std::vector<AviStream> &Streams() const { return streams_; }
    // Index of the first stream of this type ('vids', 'auds', 'iavs') at or after from, or -1.
    int FindStream(FourCC type, int from = 0) const;
    const std::vector<AviInfoEntry> &InfoEntries() const { return info_; }
    std::optional<QString> InfoText(FourCC id) const;

    uint64_t FileSize() const { return fileSize_; }
    int RiffCount() const { return riffCount_; }  // "AVI " plus "AVIX" chunks
    AviIndexSource IndexSource() const { return indexSource_; }
    // The file is cut short or unfinished, or sizes or index entries point past what holds them.
    bool Damaged() const { return damaged_; }

    size_t ChunkCount(int stream) const;
    std::optional<uint32_t> ChunkSize(int stream, size_t n) const;
    uint32_t MaxChunkSize(int stream) const;
    uint64_t StreamBytes(int stream) const;
    // Duration of what the stream's chunks hold, in 100 ns units: chunks for a
    // stream of whole frames, bytes / sample size for a sampled stream.
    int64_t StreamDuration(int stream) const;
    // Reads chunk n of the stream into buffer (which must hold ChunkSize bytes)
    // with one read, checking that the chunk header agrees with the index.
    AviChunkResult ReadChunk(int stream, size_t n, MutableByteSpan buffer) const;

private:
    struct IndexEntry {
        uint64_t offset;  // of the chunk data, past its 8-byte header
        uint32_t size;
        uint32_t flags;
    };
    using StreamIndex = std::vector<std::vector<IndexEntry>>;
    struct ChunkHeader {
        FourCC id = 0;
        uint32_t size = 0;
        uint64_t position = 0;  // of the header
        uint64_t DataPosition() const { return position + avi::kChunkHeaderSize; }
        uint64_t DeclaredEnd() const { return DataPosition() + size; }
    };
    struct Range {
        uint64_t begin = 0;
        uint64_t end = 0;
    };
    struct MoviList {
        uint64_t typePosition = 0;  // of the 'movi' code, the base of idx1 offsets
        Range body;
    };

    // One way of indexing the file: entries per stream and their total.
    struct Candidate {
        StreamIndex streams;
        size_t total = 0;
    };

    explicit AviReader(int fd, uint64_t fileSize);
    QString Parse();
    void WalkRiffBody(Range body, bool first);
    void WalkHeaderList(Range body);
    void WalkStreamList(Range body);
    void WalkOdmlList(Range body);
    void ReadInfoList(Range body);
    void BuildIndex();
    bool IndexFromOdml(Candidate &out);
    void AppendStandardIndex(int stream, Range body, Candidate &out);
    bool IndexFromIdx1(Candidate &out);
    void IndexFromMovi(Candidate &out);
    void WalkMovi(Range body, int depth, Candidate &out);
    void KeepEntriesWithHeaders(Candidate &candidate) const;
    bool AddEntry(Candidate &out, int stream, uint64_t offset, uint32_t size, uint32_t flags);

    std::optional<ChunkHeader> ReadChunkHeader(uint64_t position, uint64_t end) const;
    std::optional<FourCC> ReadFourCC(uint64_t position, uint64_t end) const;
    size_t ReadAt(uint64_t position, MutableByteSpan out) const;
    // The data of a chunk (after skip bytes) cut to its parent; a chunk that
    // claims more than its parent holds marks the file damaged.
    Range Body(const ChunkHeader &chunk, uint64_t parentEnd, uint64_t skip = 0);

    int fd_ = -1;
    uint64_t fileSize_ = 0;
    avi::MainHeader mainHeader_;
    bool haveMainHeader_ = false;
    std::optional<uint32_t> odmlTotalFrames_;
    std::vector<AviStream> streams_;
    std::vector<Range> superIndexes_;  // per stream, the indx chunk data; empty when none
    std::vector<AviInfoEntry> info_;
    std::vector<MoviList> movi_;
    std::optional<Range> idx1_;
    int riffCount_ = 0;
    bool damaged_ = false;
    AviIndexSource indexSource_ = AviIndexSource::MoviWalk;
    StreamIndex index_;
};
