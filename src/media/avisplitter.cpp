#include "media/avisplitter.h"

#include "formats/avireader.h"
#include "media/filesource.h"
#include "media/mediaformats.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// A chunk larger than this is no frame or sound of any stream we carry: the stream ends there.
constexpr uint32_t kMaxChunkBytes = 64 * 1024 * 1024;

// ticks × scale / rate seconds in 100 ns units, without overflow for any 32-bit scale and rate.
int64_t TicksToTime(uint64_t ticks, uint32_t scale, uint32_t rate)
{
    if (rate == 0)
        return 0;
    const uint64_t scaled = ticks <= UINT64_MAX / std::max<uint64_t>(scale, 1) ? ticks * scale : UINT64_MAX;
    const uint64_t whole = scaled / rate;
    const uint64_t rest = scaled % rate;
    if (whole > static_cast<uint64_t>(INT64_MAX / kUnitsPerSecond))
        return INT64_MAX;
    return static_cast<int64_t>(whole * kUnitsPerSecond + rest * kUnitsPerSecond / rate);
}

// The tick nearest to a time: frame n of an NTSC stream is found from n × 333667 as from its exact time.
uint64_t TickNearest(int64_t time, uint32_t scale, uint32_t rate)
{
    if (time <= 0 || scale == 0)
        return 0;
    const long double ticks = static_cast<long double>(time) * rate / (static_cast<long double>(scale) * kUnitsPerSecond);
    return ticks >= static_cast<long double>(INT64_MAX) ? INT64_MAX : static_cast<uint64_t>(std::llroundl(ticks));
}

MediaRect PictureRect(int32_t width, int32_t height)
{
    return {0, 0, width, height < 0 ? -height : height};
}

std::optional<MediaType> VideoType(const AviReader &reader, int index)
{
    const AviStream &stream = reader.Streams()[static_cast<size_t>(index)];
    const std::optional<BitmapInfoHeader> bitmap = ParseBitmapInfoHeader(stream.format);
    if (!bitmap || stream.header.rate == 0 || stream.header.scale == 0)
        return std::nullopt;
    VideoInfoHeader header;
    header.source = header.target = PictureRect(bitmap->width, bitmap->height);
    header.bitRate = static_cast<uint32_t>(std::min<uint64_t>(
        uint64_t{reader.MaxChunkSize(index)} * 8 * stream.header.rate / stream.header.scale, UINT32_MAX));
    header.avgTimePerFrame = static_cast<MediaTime>(
        std::llround(static_cast<double>(stream.header.scale) * kUnitsPerSecond / stream.header.rate));
    header.bmiHeader = *bitmap;
    return MakeVideoType(bitmap->compression != 0 ? bitmap->compression : stream.header.handler, header);
}

std::optional<MediaType> AudioType(const AviStream &stream)
{
    const std::optional<WaveFormatEx> wave = ParseWaveFormatEx(stream.format);
    if (!wave || stream.header.rate == 0)
        return std::nullopt;
    return MakeAudioType(*wave);
}

// An interleaved stream goes to the DV splitter even when its format block is short.
MediaType InterleavedType(const AviStream &stream)
{
    if (const std::optional<DvInfo> info = ParseDvInfo(stream.format))
        return MakeInterleavedDvType(*info);
    MediaType type = MakeInterleavedDvType(DvInfo{});
    type.format = QByteArray(reinterpret_cast<const char *>(stream.format.data()),
                             static_cast<qsizetype>(stream.format.size()));
    return type;
}

}  // namespace

struct AviSplitter::Stream {
    int index = 0;  // in the reader
    OutputPin *pin = nullptr;
    MediaType type;
    bool frames = true;  // one chunk a frame; otherwise sound measured in blocks of sampleSize bytes
    uint32_t scale = 1;
    uint32_t rate = 1;
    uint32_t sampleSize = 0;
    size_t chunks = 0;
    std::vector<uint64_t> chunkStart;  // sound: byte of the stream where each chunk starts, then the total

    // Cursor over [next, end) chunks; sound also cut to [startByte, stopByte).
    size_t next = 0;
    size_t end = 0;
    uint64_t startByte = 0;
    uint64_t stopByte = 0;
    bool ended = false;
    bool discontinuity = true;

    int64_t TimeOfTick(uint64_t tick) const { return TicksToTime(tick, scale, rate); }
    int64_t TimeOfByte(uint64_t byte) const { return TimeOfTick(byte / sampleSize); }
    int64_t NextTime() const
    {
        return frames ? TimeOfTick(next) : TimeOfByte(std::max(chunkStart[next], startByte));
    }
};

AviSplitter::AviSplitter() : SourceFilter(QStringLiteral("AVI Splitter")), input_(AddInputPin(QStringLiteral("input pin")))
{
}

AviSplitter::~AviSplitter() = default;

bool AviSplitter::AcceptInputType(const InputPin &pin, const MediaType &type) const
{
    return &pin == &input_ && type.majorType == MajorType::Stream
        && (type.subtype == kSubtypeAvi || type.subtype == kSubtypeAny);
}

std::vector<MediaType> AviSplitter::OutputTypes(const OutputPin &pin) const
{
    const Stream *stream = StreamOf(pin);
    if (!stream)
        return {};
    return {stream->type};
}

const AviSplitter::Stream *AviSplitter::StreamOf(const OutputPin &pin) const
{
    const auto found = std::ranges::find(streams_, &pin, &Stream::pin);
    return found == streams_.end() ? nullptr : &*found;
}

bool AviSplitter::CompleteConnect(Pin &pin)
{
    if (&pin != &input_)
        return true;
    const auto *source = dynamic_cast<const FileSourceFilter *>(&pin.Peer()->Owner());
    if (!source || source->FileName().isEmpty()) {
        lastError_ = QStringLiteral("The AVI splitter reads only from a file source with a file loaded.");
        return false;
    }
    return Open(source->FileName());
}

void AviSplitter::BreakConnect(Pin &pin)
{
    if (&pin == &input_)
        Close();
}

bool AviSplitter::Open(const QString &path)
{
    Close();
    AviOpenResult opened = AviReader::Open(path);
    if (!opened.reader) {
        lastError_ = opened.error;
        return false;
    }
    reader_ = std::move(opened.reader);
    const std::vector<AviStream> &found = reader_->Streams();
    for (size_t i = 0; i < found.size(); ++i) {
        const AviStream &avi = found[i];
        const int index = static_cast<int>(i);
        std::optional<MediaType> type;
        if (avi.header.type == avi::kVids)
            type = VideoType(*reader_, index);
        else if (avi.header.type == avi::kAuds)
            type = AudioType(avi);
        else if (avi.header.type == avi::kIavs)
            type = InterleavedType(avi);
        if (!type)
            continue;
        Stream stream;
        stream.index = index;
        stream.type = std::move(*type);
        stream.frames = avi.header.type != avi::kAuds || avi.header.sampleSize == 0;
        stream.scale = std::max<uint32_t>(avi.header.scale, 1);
        stream.rate = avi.header.rate;
        stream.sampleSize = avi.header.sampleSize;
        stream.chunks = reader_->ChunkCount(index);
        if (!stream.frames) {
            stream.chunkStart.reserve(stream.chunks + 1);
            uint64_t byte = 0;
            for (size_t n = 0; n < stream.chunks; ++n) {
                stream.chunkStart.push_back(byte);
                byte += *reader_->ChunkSize(index, n);
            }
            stream.chunkStart.push_back(byte);
        }
        if (videoStream_ < 0 && stream.frames && avi.header.type != avi::kAuds)
            videoStream_ = static_cast<int>(streams_.size());
        streams_.push_back(std::move(stream));
    }
    if (streams_.empty()) {
        lastError_ = QStringLiteral("The AVI file has no video or sound stream that can be read.");
        Close();
        return false;
    }
    for (size_t i = 0; i < streams_.size(); ++i)
        streams_[i].pin = &AddOutputPin(QStringLiteral("Stream %1").arg(streams_[i].index, 2, 10, QLatin1Char('0')),
                                        static_cast<int>(i));
    lastError_.clear();
    rangeStart_ = 0;
    rangeStop_.reset();
    Cue();
    return true;
}

void AviSplitter::Close()
{
    for (Stream &stream : streams_)
        if (stream.pin)
            RemovePin(*stream.pin);
    streams_.clear();
    videoStream_ = -1;
    reader_.reset();
    position_ = 0;
}

std::vector<uint8_t> AviSplitter::FirstChunk(const OutputPin &output) const
{
    const Stream *stream = StreamOf(output);
    const std::optional<uint32_t> size = stream ? reader_->ChunkSize(stream->index, 0) : std::nullopt;
    if (!size || *size > kMaxChunkBytes)
        return {};
    std::vector<uint8_t> chunk(*size);
    if (!reader_->ReadChunk(stream->index, 0, chunk).ok)
        return {};
    return chunk;
}

bool AviSplitter::SupportsTimeFormat(TimeFormat format) const
{
    return format == TimeFormat::MediaTime || (format == TimeFormat::Frame && videoStream_ >= 0);
}

std::optional<int64_t> AviSplitter::GetDuration(TimeFormat format) const
{
    if (!reader_ || !SupportsTimeFormat(format))
        return std::nullopt;
    if (format == TimeFormat::Frame)
        return static_cast<int64_t>(streams_[static_cast<size_t>(videoStream_)].chunks);
    const bool anyConnected =
        std::ranges::any_of(streams_, [](const Stream &stream) { return stream.pin->IsConnected(); });
    int64_t longest = 0;
    for (const Stream &stream : streams_)
        if (!anyConnected || stream.pin->IsConnected())
            longest = std::max(longest, reader_->StreamDuration(stream.index));
    return longest;
}

std::optional<int64_t> AviSplitter::GetCurrentPosition(TimeFormat format) const
{
    if (!reader_ || !SupportsTimeFormat(format))
        return std::nullopt;
    const int64_t time = position_.load(std::memory_order_relaxed);
    if (format == TimeFormat::MediaTime)
        return time;
    const Stream &video = streams_[static_cast<size_t>(videoStream_)];
    return static_cast<int64_t>(TickNearest(time, video.scale, video.rate));
}

int64_t AviSplitter::ToTime(int64_t value, TimeFormat format) const
{
    if (format == TimeFormat::MediaTime)
        return std::max<int64_t>(value, 0);
    const Stream &video = streams_[static_cast<size_t>(videoStream_)];
    return TicksToTime(static_cast<uint64_t>(std::max<int64_t>(value, 0)), video.scale, video.rate);
}

bool AviSplitter::SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format)
{
    if (!reader_ || !SupportsTimeFormat(format))
        return false;
    if (current)
        rangeStart_ = ToTime(*current, format);
    if (stop)
        rangeStop_ = ToTime(*stop, format);
    Cue();
    return true;
}

void AviSplitter::Cue()
{
    for (Stream &stream : streams_) {
        stream.ended = false;
        stream.discontinuity = true;
        if (stream.frames) {
            stream.next = std::min<uint64_t>(TickNearest(rangeStart_, stream.scale, stream.rate), stream.chunks);
            stream.end = rangeStop_ ? std::min<uint64_t>(TickNearest(*rangeStop_, stream.scale, stream.rate), stream.chunks)
                                    : stream.chunks;
            continue;
        }
        const uint64_t total = stream.chunkStart.back();
        const auto byteAt = [&stream, total](int64_t time) {
            const uint64_t tick = TickNearest(time, stream.scale, stream.rate);
            return tick > total / stream.sampleSize ? total : tick * stream.sampleSize;
        };
        stream.startByte = byteAt(rangeStart_);
        stream.stopByte = rangeStop_ ? byteAt(*rangeStop_) : total;
        // The chunk holding the first byte, and the first chunk past the last one.
        const auto first = std::ranges::upper_bound(stream.chunkStart.begin(), stream.chunkStart.end() - 1, stream.startByte);
        stream.next = static_cast<size_t>(std::max<std::ptrdiff_t>(first - stream.chunkStart.begin() - 1, 0));
        const auto last = std::ranges::lower_bound(stream.chunkStart.begin(), stream.chunkStart.end() - 1, stream.stopByte);
        stream.end = static_cast<size_t>(last - stream.chunkStart.begin());
    }
    position_ = rangeStart_;
}

StreamResult AviSplitter::StartStreaming()
{
    Cue();
    return StreamResult::Ok();
}

StreamResult AviSplitter::Produce()
{
    Stream *earliest = nullptr;
    int64_t earliestTime = 0;
    for (Stream &stream : streams_) {
        if (stream.ended || !stream.pin->IsConnected())
            continue;
        if (stream.next >= stream.end) {
            stream.ended = true;
            continue;
        }
        const int64_t time = stream.NextTime();
        if (!earliest || time < earliestTime) {
            earliest = &stream;
            earliestTime = time;
        }
    }
    if (!earliest)
        return StreamResult::End();
    StreamResult result = Deliver(*earliest);
    if (result.Status() == StreamStatus::End) {
        earliest->ended = true;
        return StreamResult::Ok();
    }
    return result;
}

StreamResult AviSplitter::Deliver(Stream &stream)
{
    const size_t n = stream.next;
    const uint32_t size = reader_->ChunkSize(stream.index, n).value_or(0);
    if (size > kMaxChunkBytes) {
        stream.ended = true;
        return StreamResult::Ok();
    }
    MediaSample &sample = stream.pin->GetDeliveryBuffer(size);
    // A chunk that cannot be read ends its stream: what came before it stays whole.
    if (!reader_->ReadChunk(stream.index, n, sample.Buffer()).ok) {
        stream.ended = true;
        return StreamResult::Ok();
    }
    if (stream.frames) {
        sample.SetTime(MediaTimeRange{stream.TimeOfTick(n), stream.TimeOfTick(n + 1)});
        sample.SetMediaTimes(MediaTimeRange{static_cast<int64_t>(n), static_cast<int64_t>(n + 1)});
    } else {
        const uint64_t from = std::max(stream.chunkStart[n], stream.startByte);
        const uint64_t to = std::min(stream.chunkStart[n + 1], stream.stopByte);
        const size_t skip = static_cast<size_t>(from - stream.chunkStart[n]);
        const size_t length = to > from ? static_cast<size_t>(to - from) : 0;
        if (skip > 0)
            std::memmove(sample.Buffer().data(), sample.Buffer().data() + skip, length);
        sample.SetActualLength(length);
        sample.SetTime(MediaTimeRange{stream.TimeOfByte(from), stream.TimeOfByte(to)});
    }
    sample.SetSyncPoint(true);
    sample.SetDiscontinuity(stream.discontinuity);
    stream.discontinuity = false;
    if (videoStream_ < 0 || &stream == &streams_[static_cast<size_t>(videoStream_)])
        position_.store(sample.Time()->start, std::memory_order_relaxed);
    StreamResult result = stream.pin->Deliver(sample);
    if (result.IsOk() || result.Status() == StreamStatus::End)
        stream.next = n + 1;
    return result;
}
