#include "formats/avireader.h"

#include "base/textfile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

using namespace avi;

namespace {

constexpr size_t kMaxRiffChunks = 65536;  // and as many movi lists
constexpr int kMaxRecDepth = 4;
constexpr size_t kMaxInfoTextBytes = 64 * 1024;
constexpr size_t kMaxNameBytes = 256;
constexpr size_t kIndexBlockBytes = 64 * 1024;  // index entries read with one pread

// Handlers and compressions under which a 'vids' stream carries DV frames.
constexpr std::array kDvCodes = {MakeFourCC("dvsd"), MakeFourCC("dv25"), MakeFourCC("dvhd"), MakeFourCC("dvsl"),
                                 MakeFourCC("cdvc"), MakeFourCC("dvcs"), MakeFourCC("dvcp"), MakeFourCC("dvpp")};

FourCC LowerFourCC(FourCC code)
{
    FourCC lower = 0;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<uint8_t>(code >> (8 * i));
        lower |= static_cast<FourCC>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) << (8 * i);
    }
    return lower;
}

bool IsDvCode(FourCC code) { return std::ranges::find(kDvCodes, LowerFourCC(code)) != kDvCodes.end(); }

// Texts end at their first NUL; the rest is UTF-8 or, failing that, Windows-1252.
QString DecodeChunkText(ByteSpan bytes)
{
    const auto end = std::ranges::find(bytes, uint8_t{0});
    return DecodeText(QByteArray(reinterpret_cast<const char *>(bytes.data()), end - bytes.begin()));
}

// ticks × scale / rate seconds in 100 ns units, without overflowing for any 32-bit inputs.
int64_t TicksTo100ns(uint64_t ticks, uint32_t scale, uint32_t rate)
{
    if (rate == 0)
        return 0;
    constexpr uint64_t kUnits = 10'000'000;
    const uint64_t scaled = ticks <= UINT64_MAX / std::max<uint64_t>(scale, 1) ? ticks * scale : UINT64_MAX;
    const uint64_t whole = scaled / rate;
    const uint64_t rest = scaled % rate;
    if (whole > static_cast<uint64_t>(INT64_MAX) / kUnits)
        return INT64_MAX;
    return static_cast<int64_t>(whole * kUnits + rest * kUnits / rate);
}

}  // namespace

AviOpenResult AviReader::Open(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {nullptr, QStringLiteral("The file cannot be opened: %1").arg(qt_error_string(errno))};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {nullptr, QStringLiteral("The path does not name a regular file.")};
    }
    std::unique_ptr<AviReader> reader(new AviReader(fd, static_cast<uint64_t>(info.st_size)));
    const QString error = reader->Parse();
    if (!error.isEmpty())
        return {nullptr, error};
    return {std::move(reader), {}};
}

AviReader::AviReader(int fd, uint64_t fileSize) : fd_(fd), fileSize_(fileSize) {}

AviReader::~AviReader() { ::close(fd_); }

size_t AviReader::ReadAt(uint64_t position, MutableByteSpan out) const
{
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

std::optional<AviReader::ChunkHeader> AviReader::ReadChunkHeader(uint64_t position, uint64_t end) const
{
    if (position > end || end - position < kChunkHeaderSize)
        return std::nullopt;
    uint8_t bytes[kChunkHeaderSize];
    if (ReadAt(position, bytes) != sizeof bytes)
        return std::nullopt;
    return ChunkHeader{ReadLE32(bytes), ReadLE32(bytes + 4), position};
}

std::optional<FourCC> AviReader::ReadFourCC(uint64_t position, uint64_t end) const
{
    if (position > end || end - position < 4)
        return std::nullopt;
    uint8_t bytes[4];
    if (ReadAt(position, bytes) != sizeof bytes)
        return std::nullopt;
    return ReadLE32(bytes);
}

AviReader::Range AviReader::Body(const ChunkHeader &chunk, uint64_t parentEnd, uint64_t skip)
{
    if (chunk.DeclaredEnd() > parentEnd)
        damaged_ = true;
    const uint64_t end = std::min(chunk.DeclaredEnd(), parentEnd);
    return {std::min(chunk.DataPosition() + skip, end), end};
}

QString AviReader::Parse()
{
    uint64_t position = 0;
    while (static_cast<size_t>(riffCount_) < kMaxRiffChunks) {
        const auto riff = ReadChunkHeader(position, fileSize_);
        const auto form = ReadFourCC(position + kChunkHeaderSize, fileSize_);
        if (!riff || !form || riff->id != kRiff)
            break;
        if (riffCount_ == 0 && *form != kFormAvi)
            return QStringLiteral("The file is a RIFF file but no AVI file.");
        if (riffCount_ > 0 && *form != kFormAvix)
            break;
        // A writer that stopped before patching leaves the size 0: the chunk runs to the end.
        const bool unsized = riff->size == 0;
        damaged_ = damaged_ || unsized;
        const Range body = unsized ? Range{position + kListHeaderSize, fileSize_} : Body(*riff, fileSize_, 4);
        WalkRiffBody(body, riffCount_ == 0);
        ++riffCount_;
        if (unsized)
            break;
        position = riff->DeclaredEnd() + (riff->size & 1);
    }
    if (riffCount_ == 0)
        return QStringLiteral("The file is no AVI file.");
    if (!haveMainHeader_ || streams_.empty())
        return QStringLiteral("The AVI file has no complete header list.");
    if (movi_.empty())
        return QStringLiteral("The AVI file ends before its media data.");
    BuildIndex();
    return {};
}

void AviReader::WalkRiffBody(Range body, bool first)
{
    uint64_t position = body.begin;
    while (const auto chunk = ReadChunkHeader(position, body.end)) {
        if (chunk->id == kList) {
            const auto type = ReadFourCC(chunk->DataPosition(), body.end);
            if (type && chunk->size >= 4) {
                const Range inner = Body(*chunk, body.end, 4);
                if (*type == kMovi && movi_.size() < kMaxRiffChunks) {
                    movi_.push_back({chunk->DataPosition(), inner});
                } else if (*type == kHdrl && first && !haveMainHeader_ && streams_.empty()) {
                    WalkHeaderList(inner);
                } else if (*type == kInfo) {
                    ReadInfoList(inner);
                }
            } else if (chunk->size == 0 && type == kMovi && movi_.size() < kMaxRiffChunks) {
                // Never patched: the data runs to the end.
                movi_.push_back({chunk->DataPosition(), {chunk->DataPosition() + 4, body.end}});
                damaged_ = true;
                return;
            }
        } else if (chunk->id == kIdx1 && first && !idx1_) {
            idx1_ = Body(*chunk, body.end);
        }
        position = chunk->DeclaredEnd() + (chunk->size & 1);
    }
}

void AviReader::WalkHeaderList(Range body)
{
    uint64_t position = body.begin;
    while (const auto chunk = ReadChunkHeader(position, body.end)) {
        if (chunk->id == kAvih) {
            const Range data = Body(*chunk, body.end);
            uint8_t bytes[MainHeader::kSize] = {};
            ReadAt(data.begin, MutableByteSpan(bytes, std::min<uint64_t>(data.end - data.begin, sizeof bytes)));
            mainHeader_ = *ReadMainHeader(bytes);
            haveMainHeader_ = true;
        } else if (chunk->id == kList) {
            const auto type = ReadFourCC(chunk->DataPosition(), body.end);
            const Range inner = Body(*chunk, body.end, 4);
            if (type == kStrl && streams_.size() < kMaxStreams)
                WalkStreamList(inner);
            else if (type == kOdml)
                WalkOdmlList(inner);
            else if (type == kInfo)
                ReadInfoList(inner);
        }
        position = chunk->DeclaredEnd() + (chunk->size & 1);
    }
}

void AviReader::WalkStreamList(Range body)
{
    AviStream stream;
    Range superIndex;
    uint64_t position = body.begin;
    while (const auto chunk = ReadChunkHeader(position, body.end)) {
        const Range data = Body(*chunk, body.end);
        const uint64_t available = data.end - data.begin;
        if (chunk->id == kStrh) {
            ReadAt(data.begin, MutableByteSpan(stream.rawHeader.data(),
                                               std::min<uint64_t>(available, stream.rawHeader.size())));
            stream.header = *ReadStreamHeader(stream.rawHeader);
        } else if (chunk->id == kStrf) {
            stream.formatSize = chunk->size;
            stream.format.resize(std::min<uint64_t>(available, kMaxFormatBytes));
            stream.format.resize(ReadAt(data.begin, stream.format));
        } else if (chunk->id == kStrn) {
            std::vector<uint8_t> name(std::min<uint64_t>(available, kMaxNameBytes));
            name.resize(ReadAt(data.begin, name));
            stream.name = DecodeChunkText(name);
        } else if (chunk->id == kIndx) {
            superIndex = data;
            stream.hasSuperIndex = true;
        }
        position = chunk->DeclaredEnd() + (chunk->size & 1);
    }

    const ByteSpan format(stream.format);
    if (stream.header.type == kVids) {
        stream.bitmap = ReadBitmapInfoHeader(format);
        // DV writers may append the DV information block to the 40-byte bitmap header.
        if (stream.bitmap && (IsDvCode(stream.header.handler) || IsDvCode(stream.bitmap->compression)))
            stream.dvInfo = ReadDvInfo(format.subspan(BitmapInfoHeader::kSize));
    } else if (stream.header.type == kIavs) {
        stream.dvInfo = ReadDvInfo(format);
    } else if (stream.header.type == kAuds) {
        stream.wave = ReadWaveFormat(format);
    }
    streams_.push_back(std::move(stream));
    superIndexes_.push_back(superIndex);
}

void AviReader::WalkOdmlList(Range body)
{
    uint64_t position = body.begin;
    while (const auto chunk = ReadChunkHeader(position, body.end)) {
        if (chunk->id == kDmlh) {
            const Range data = Body(*chunk, body.end);
            uint8_t bytes[4];
            if (data.end - data.begin >= sizeof bytes && ReadAt(data.begin, bytes) == sizeof bytes)
                odmlTotalFrames_ = ReadLE32(bytes);
        }
        position = chunk->DeclaredEnd() + (chunk->size & 1);
    }
}

void AviReader::ReadInfoList(Range body)
{
    uint64_t position = body.begin;
    while (info_.size() < kMaxInfoEntries) {
        const auto chunk = ReadChunkHeader(position, body.end);
        if (!chunk)
            break;
        const Range data = Body(*chunk, body.end);
        std::vector<uint8_t> text(std::min<uint64_t>(data.end - data.begin, kMaxInfoTextBytes));
        text.resize(ReadAt(data.begin, text));
        info_.push_back({chunk->id, DecodeChunkText(text)});
        position = chunk->DeclaredEnd() + (chunk->size & 1);
    }
}

int AviReader::FindStream(FourCC type, int from) const
{
    for (size_t i = static_cast<size_t>(std::max(from, 0)); i < streams_.size(); ++i) {
        if (streams_[i].header.type == type)
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<QString> AviReader::InfoText(FourCC id) const
{
    const auto found = std::ranges::find(info_, id, &AviInfoEntry::id);
    if (found == info_.end())
        return std::nullopt;
    return found->text;
}

// Indexing. An index is trusted as far as its entries lie inside the file; when
// the file is damaged, or only idx1 is there for several RIFF chunks, the movi
// lists are walked as well, index entries are kept
// only where a matching chunk header precedes them, and the way that finds the
// most chunks wins (ties go to the index).

void AviReader::BuildIndex()
{
    const size_t streamCount = streams_.size();
    Candidate odml{StreamIndex(streamCount)};
    const bool haveOdml = IndexFromOdml(odml);
    if (haveOdml && !damaged_) {
        index_ = std::move(odml.streams);
        indexSource_ = AviIndexSource::OpenDml;
        return;
    }
    Candidate idx1{StreamIndex(streamCount)};
    const bool haveIdx1 = IndexFromIdx1(idx1);
    // idx1 describes the first RIFF chunk only.
    if (!haveOdml && haveIdx1 && !damaged_ && riffCount_ == 1) {
        index_ = std::move(idx1.streams);
        indexSource_ = AviIndexSource::Idx1;
        return;
    }
    Candidate walk{StreamIndex(streamCount)};
    IndexFromMovi(walk);
    KeepEntriesWithHeaders(odml);
    KeepEntriesWithHeaders(idx1);

    Candidate *best = &walk;
    indexSource_ = AviIndexSource::MoviWalk;
    if (haveIdx1 && idx1.total >= best->total) {
        best = &idx1;
        indexSource_ = AviIndexSource::Idx1;
    }
    if (haveOdml && odml.total >= best->total) {
        best = &odml;
        indexSource_ = AviIndexSource::OpenDml;
    }
    index_ = std::move(best->streams);
}

void AviReader::KeepEntriesWithHeaders(Candidate &candidate) const
{
    candidate.total = 0;
    for (size_t s = 0; s < candidate.streams.size(); ++s) {
        std::erase_if(candidate.streams[s], [&](const IndexEntry &entry) {
            const auto header = ReadChunkHeader(entry.offset - kChunkHeaderSize, fileSize_);
            return !header || ChunkStream(header->id) != static_cast<int>(s) || header->size != entry.size;
        });
        candidate.total += candidate.streams[s].size();
    }
}

bool AviReader::AddEntry(Candidate &out, int stream, uint64_t offset, uint32_t size, uint32_t flags)
{
    if (out.total >= kMaxIndexEntries)
        return false;
    if (offset < kChunkHeaderSize || offset > fileSize_ || fileSize_ - offset < size) {
        damaged_ = true;
        return false;
    }
    out.streams[static_cast<size_t>(stream)].push_back({offset, size, flags});
    ++out.total;
    return true;
}

bool AviReader::IndexFromOdml(Candidate &out)
{
    for (size_t s = 0; s < streams_.size(); ++s) {
        const Range indx = superIndexes_[s];
        uint8_t headerBytes[kIndexHeaderSize];
        if (indx.end - indx.begin < kIndexHeaderSize || ReadAt(indx.begin, headerBytes) != sizeof headerBytes)
            return false;
        const IndexHeader header = *ReadIndexHeader(headerBytes);
        if (header.type == kIndexOfChunks) {  // a stream list may hold its standard index directly
            AppendStandardIndex(static_cast<int>(s), indx, out);
            continue;
        }
        if (header.type != kIndexOfIndexes || header.longsPerEntry < kSuperIndexEntrySize / 4)
            return false;
        const size_t stride = 4u * header.longsPerEntry;
        const uint64_t room = (indx.end - indx.begin - kIndexHeaderSize) / stride;
        const uint64_t count = std::min<uint64_t>(header.entriesInUse, room);
        for (uint64_t i = 0; i < count && out.total < kMaxIndexEntries; ++i) {
            uint8_t offset[8];  // qwOffset, of the standard index chunk
            if (ReadAt(indx.begin + kIndexHeaderSize + i * stride, offset) != sizeof offset)
                break;
            const uint64_t position = ReadLE64(offset);
            const auto chunk = ReadChunkHeader(position, fileSize_);
            if (!chunk) {
                damaged_ = true;
                continue;
            }
            AppendStandardIndex(static_cast<int>(s), Body(*chunk, fileSize_), out);
        }
    }
    return out.total > 0;
}

void AviReader::AppendStandardIndex(int stream, Range body, Candidate &out)
{
    uint8_t headerBytes[kIndexHeaderSize];
    if (body.end - body.begin < kIndexHeaderSize || ReadAt(body.begin, headerBytes) != sizeof headerBytes) {
        damaged_ = true;
        return;
    }
    const IndexHeader header = *ReadIndexHeader(headerBytes);
    if (header.type != kIndexOfChunks || header.longsPerEntry < kStdIndexEntrySize / 4) {
        damaged_ = true;
        return;
    }
    const size_t stride = 4u * header.longsPerEntry;
    const uint64_t room = (body.end - body.begin - kIndexHeaderSize) / stride;
    if (header.entriesInUse > room)
        damaged_ = true;
    const uint64_t count = std::min<uint64_t>(header.entriesInUse, room);
    const uint64_t blockEntries = std::max<uint64_t>(1, kIndexBlockBytes / stride);
    std::vector<uint8_t> block(std::min(count, blockEntries) * stride);
    for (uint64_t first = 0; first < count; first += blockEntries) {
        const uint64_t n = std::min(count - first, blockEntries);
        const size_t bytes = static_cast<size_t>(n * stride);
        if (ReadAt(body.begin + kIndexHeaderSize + first * stride, MutableByteSpan(block.data(), bytes)) != bytes)
            return;
        for (uint64_t i = 0; i < n; ++i) {
            const uint8_t *e = block.data() + i * stride;
            const uint32_t size = ReadLE32(e + 4);
            const uint32_t flags = (size & kStdIndexDeltaFrame) ? 0 : kAviifKeyframe;
            if (!AddEntry(out, stream, header.baseOffset + ReadLE32(e), size & ~kStdIndexDeltaFrame, flags))
                return;
        }
    }
}

bool AviReader::IndexFromIdx1(Candidate &out)
{
    if (!idx1_ || movi_.empty())
        return false;
    const Range idx1 = *idx1_;
    const uint64_t count = (idx1.end - idx1.begin) / kIdx1EntrySize;
    const auto streamOf = [this](const uint8_t *e) -> std::optional<int> {
        const auto stream = ChunkStream(ReadLE32(e));
        if (!stream || static_cast<size_t>(*stream) >= streams_.size() || (ReadLE32(e + 4) & kAviifList))
            return std::nullopt;
        return stream;
    };

    constexpr uint64_t kBlockEntries = kIndexBlockBytes / kIdx1EntrySize;
    std::vector<uint8_t> block(std::min(count, kBlockEntries) * kIdx1EntrySize);
    // Offsets count from the 'movi' code of the first movi list, or, in some
    // writers' files, from the start of the file: the first entry tells which.
    std::optional<uint64_t> base;
    for (uint64_t first = 0; first < count; first += kBlockEntries) {
        const uint64_t n = std::min(count - first, kBlockEntries);
        const size_t bytes = static_cast<size_t>(n * kIdx1EntrySize);
        if (ReadAt(idx1.begin + first * kIdx1EntrySize, MutableByteSpan(block.data(), bytes)) != bytes)
            break;
        for (uint64_t i = 0; i < n; ++i) {
            const uint8_t *e = block.data() + i * kIdx1EntrySize;
            const auto stream = streamOf(e);
            if (!stream)
                continue;
            const FourCC id = ReadLE32(e);
            const uint64_t offset = ReadLE32(e + 8);
            if (!base) {
                const uint64_t relative = movi_.front().typePosition;
                const auto atRelative = ReadChunkHeader(relative + offset, fileSize_);
                const auto atAbsolute = ReadChunkHeader(offset, fileSize_);
                base = (!atRelative || atRelative->id != id) && atAbsolute && atAbsolute->id == id ? 0 : relative;
            }
            AddEntry(out, *stream, *base + offset + kChunkHeaderSize, ReadLE32(e + 12), ReadLE32(e + 4));
        }
        if (out.total >= kMaxIndexEntries)
            break;
    }
    return out.total > 0;
}

void AviReader::IndexFromMovi(Candidate &out)
{
    for (const MoviList &movi : movi_)
        WalkMovi(movi.body, 0, out);
}

void AviReader::WalkMovi(Range body, int depth, Candidate &out)
{
    uint64_t position = body.begin;
    while (const auto chunk = ReadChunkHeader(position, body.end)) {
        if (chunk->id == kList) {
            if (depth < kMaxRecDepth && ReadFourCC(chunk->DataPosition(), body.end) == kRec)
                WalkMovi(Body(*chunk, body.end, 4), depth + 1, out);
        } else if (const auto stream = ChunkStream(chunk->id); stream && static_cast<size_t>(*stream) < streams_.size()) {
            if (chunk->DeclaredEnd() > body.end) {  // cut short: the last whole chunk was the one before
                damaged_ = true;
                return;
            }
            if (!AddEntry(out, *stream, chunk->DataPosition(), chunk->size, kAviifKeyframe))
                return;
        }
        position = chunk->DeclaredEnd() + (chunk->size & 1);
    }
}

size_t AviReader::ChunkCount(int stream) const
{
    return stream >= 0 && static_cast<size_t>(stream) < index_.size() ? index_[static_cast<size_t>(stream)].size() : 0;
}

std::optional<uint32_t> AviReader::ChunkSize(int stream, size_t n) const
{
    if (n >= ChunkCount(stream))
        return std::nullopt;
    return index_[static_cast<size_t>(stream)][n].size;
}

uint32_t AviReader::MaxChunkSize(int stream) const
{
    uint32_t largest = 0;
    for (size_t n = 0; n < ChunkCount(stream); ++n)
        largest = std::max(largest, index_[static_cast<size_t>(stream)][n].size);
    return largest;
}

uint64_t AviReader::StreamBytes(int stream) const
{
    uint64_t total = 0;
    for (size_t n = 0; n < ChunkCount(stream); ++n)
        total += index_[static_cast<size_t>(stream)][n].size;
    return total;
}

int64_t AviReader::StreamDuration(int stream) const
{
    if (stream < 0 || static_cast<size_t>(stream) >= streams_.size())
        return 0;
    const StreamHeader &header = streams_[static_cast<size_t>(stream)].header;
    const uint64_t ticks = header.sampleSize == 0 ? ChunkCount(stream) : StreamBytes(stream) / header.sampleSize;
    return TicksTo100ns(ticks, header.scale, header.rate);
}

AviChunkResult AviReader::ReadChunk(int stream, size_t n, MutableByteSpan buffer) const
{
    if (n >= ChunkCount(stream))
        return {false, 0, QStringLiteral("Stream %1 has no chunk %2.").arg(stream).arg(n)};
    const IndexEntry &entry = index_[static_cast<size_t>(stream)][n];
    if (buffer.size() < entry.size)
        return {false, 0, QStringLiteral("The buffer is too small for chunk %1 of stream %2.").arg(n).arg(stream)};

    uint8_t header[kChunkHeaderSize];
    iovec parts[2] = {{header, sizeof header}, {buffer.data(), entry.size}};
    const size_t wanted = sizeof header + entry.size;
    size_t done = 0;
    while (done < wanted) {
        const int first = done < sizeof header ? 0 : 1;
        iovec rest[2] = {parts[0], parts[1]};
        const size_t skip = first == 0 ? done : done - sizeof header;
        rest[first].iov_base = static_cast<uint8_t *>(rest[first].iov_base) + skip;
        rest[first].iov_len -= skip;
        const ssize_t got = ::preadv(fd_, rest + first, 2 - first,
                                     static_cast<off_t>(entry.offset - sizeof header + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {false, 0, QStringLiteral("Chunk %1 of stream %2 cannot be read.").arg(n).arg(stream)};
        done += static_cast<size_t>(got);
    }
    if (ChunkStream(ReadLE32(header)) != stream || ReadLE32(header + 4) != entry.size)
        return {false, 0, QStringLiteral("Chunk %1 of stream %2 is not where the index says.").arg(n).arg(stream)};
    return {true, entry.size, {}};
}
