#include "formats/aviwriter.h"

#include "formats/dvlayout.h"

#include <algorithm>

using namespace avi;

namespace {

constexpr uint32_t kWidth = 720;
constexpr uint32_t kHeight525 = 480;
constexpr uint32_t kHeight625 = 576;
constexpr uint16_t kBitsPerSample = 16;
constexpr uint32_t kMaxSampleRate = 192000;
constexpr uint16_t kMaxChannels = 8;

// Type 1 chunks carry whole DV frames, neither video nor sound alone: "##__", as
// the real type 1 files that capture programs write.
constexpr char kInterleavedSuffix[2] = {'_', '_'};
constexpr char kVideoSuffix[2] = {'d', 'c'};
constexpr char kAudioSuffix[2] = {'w', 'b'};

FourCC IndexChunkId(size_t stream)
{
    return MakeFourCC('i', 'x', static_cast<char>('0' + stream / 10 % 10), static_cast<char>('0' + stream % 10));
}

uint64_t PaddedChunkBytes(size_t size) { return kChunkHeaderSize + size + (size & 1); }

}  // namespace

AviCreateResult AviWriter::Create(const QString &destination, AviWriterSettings settings)
{
    if (settings.type == AviDvType::Type1 && !settings.audio.empty())
        return {nullptr, QStringLiteral("A type 1 file carries its sound inside the DV frames.")};
    if (settings.audio.size() > kMaxAudioStreams)
        return {nullptr, QStringLiteral("A DV file has at most %1 sound streams.").arg(kMaxAudioStreams)};
    for (const AviAudioFormat &audio : settings.audio) {
        if (audio.sampleRate == 0 || audio.sampleRate > kMaxSampleRate || audio.channels == 0
            || audio.channels > kMaxChannels)
            return {nullptr, QStringLiteral("The sound format %1 Hz, %2 channels cannot be written.")
                                 .arg(audio.sampleRate)
                                 .arg(audio.channels)};
    }
    settings.firstRiffLimit = std::min(settings.firstRiffLimit, kMaxRiffLimit);
    settings.riffLimit = std::min(settings.riffLimit, kMaxRiffLimit);
    QString error;
    auto file = AtomicFile::Create(destination, &error);
    if (!file)
        return {nullptr, error};
    return {std::unique_ptr<AviWriter>(new AviWriter(std::move(file), std::move(settings))), {}};
}

AviWriter::AviWriter(std::unique_ptr<AtomicFile> file, AviWriterSettings settings)
    : file_(std::move(file)), settings_(std::move(settings))
{
    Stream video;
    video.chunkId = MakeChunkId(0, Interleaved() ? kInterleavedSuffix : kVideoSuffix);
    streams_.push_back(video);
    for (size_t i = 0; i < settings_.audio.size(); ++i) {
        Stream audio;
        audio.chunkId = MakeChunkId(static_cast<int>(i + 1), kAudioSuffix);
        audio.audio = settings_.audio[i];
        audio.blockAlign = audio.audio.channels * (kBitsPerSample / 8);
        streams_.push_back(audio);
    }
}

AviWriter::~AviWriter()
{
    if (!closed_)
        Discard();
}

QString AviWriter::TemporaryPath() const { return file_->TemporaryPath(); }

uint32_t AviWriter::FrameSize() const
{
    return static_cast<uint32_t>(settings_.ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
}

bool AviWriter::SetInfo(FourCC id, const QString &text)
{
    if (headersWritten_ || closed_)
        return false;
    const auto found = std::ranges::find(settings_.info, id, &AviInfoEntry::id);
    if (found != settings_.info.end())
        found->text = text;
    else
        settings_.info.push_back({id, text});
    return true;
}

MainHeader AviWriter::MakeMainHeader() const
{
    MainHeader h;
    h.microSecPerFrame = static_cast<uint32_t>((uint64_t{1'000'000} * Scale() + Rate() / 2) / Rate());
    uint64_t bytesPerSec = (uint64_t{FrameSize()} * Rate() + Scale() - 1) / Scale();
    uint32_t largest = FrameSize();
    for (const Stream &s : streams_) {
        bytesPerSec += uint64_t{s.audio.sampleRate} * s.blockAlign;
        largest = std::max(largest, s.maxChunk);
    }
    h.maxBytesPerSec = static_cast<uint32_t>(std::min<uint64_t>(bytesPerSec, UINT32_MAX));
    h.flags = kAvifHasIndex | kAvifTrustCkType;
    h.totalFrames = framesInFirstRiff_;
    h.streams = static_cast<uint32_t>(streams_.size());
    h.suggestedBufferSize = largest;
    h.width = kWidth;
    h.height = settings_.ntsc ? kHeight525 : kHeight625;
    return h;
}

StreamHeader AviWriter::MakeStreamHeader(size_t stream) const
{
    const Stream &s = streams_[stream];
    StreamHeader h;
    if (s.blockAlign == 0) {
        h.type = Interleaved() ? kIavs : kVids;
        h.handler = kDvsd;
        h.scale = Scale();
        h.rate = Rate();
        h.length = frames_;
        h.suggestedBufferSize = FrameSize();
        h.frameRight = static_cast<int16_t>(kWidth);
        h.frameBottom = static_cast<int16_t>(settings_.ntsc ? kHeight525 : kHeight625);
    } else {
        h.type = kAuds;
        h.scale = 1;
        h.rate = s.audio.sampleRate;
        h.length = static_cast<uint32_t>(std::min<uint64_t>(s.bytes / s.blockAlign, UINT32_MAX));
        h.suggestedBufferSize = s.maxChunk;
        h.sampleSize = s.blockAlign;
    }
    return h;
}

std::vector<uint8_t> AviWriter::MakeFormat(size_t stream) const
{
    const Stream &s = streams_[stream];
    const DvInfo dvInfo = settings_.dvInfo.value_or(DvInfo{});
    if (s.blockAlign != 0) {
        std::vector<uint8_t> format(WaveFormat::kSize);
        WaveFormat wave;
        wave.formatTag = kWaveFormatPcm;
        wave.channels = s.audio.channels;
        wave.samplesPerSec = s.audio.sampleRate;
        wave.avgBytesPerSec = s.audio.sampleRate * s.blockAlign;
        wave.blockAlign = static_cast<uint16_t>(s.blockAlign);
        wave.bitsPerSample = kBitsPerSample;
        WriteWaveFormat(wave, format);
        return format;
    }
    if (Interleaved()) {
        std::vector<uint8_t> format(DvInfo::kSize);
        WriteDvInfo(dvInfo, format);
        return format;
    }
    std::vector<uint8_t> format(BitmapInfoHeader::kSize + DvInfo::kSize);
    BitmapInfoHeader bitmap;
    bitmap.width = kWidth;
    bitmap.height = static_cast<int32_t>(settings_.ntsc ? kHeight525 : kHeight625);
    bitmap.bitCount = 24;
    bitmap.compression = kDvsd;
    bitmap.sizeImage = FrameSize();
    WriteBitmapInfoHeader(bitmap, format);
    WriteDvInfo(dvInfo, MutableByteSpan(format).subspan(BitmapInfoHeader::kSize));
    return format;
}

std::vector<uint8_t> AviWriter::MakeSuperIndex(size_t stream) const
{
    const Stream &s = streams_[stream];
    std::vector<uint8_t> indx(kIndexHeaderSize + kSuperIndexEntrySize * kSuperIndexEntries);
    uint8_t *p = indx.data();
    WriteLE16(p, kSuperIndexEntrySize / 4);
    p[2] = 0;
    p[3] = kIndexOfIndexes;
    WriteLE32(p + 4, static_cast<uint32_t>(s.superIndex.size()));
    WriteLE32(p + 8, s.chunkId);
    for (size_t i = 0; i < s.superIndex.size(); ++i) {
        uint8_t *e = p + kIndexHeaderSize + i * kSuperIndexEntrySize;
        WriteLE64(e, s.superIndex[i].position);
        WriteLE32(e + 8, s.superIndex[i].size);
        WriteLE32(e + 12, s.superIndex[i].duration);
    }
    return indx;
}

bool AviWriter::BeginList(FourCC id, FourCC type, uint64_t &position)
{
    position = file_->Position();
    // The size stays 0 until the list is complete: a reader takes such a list to run to the end.
    uint8_t header[kListHeaderSize] = {};
    WriteLE32(header, id);
    WriteLE32(header + 8, type);
    return file_->Append(header);
}

bool AviWriter::EndList(uint64_t position)
{
    uint8_t size[4];
    WriteLE32(size, static_cast<uint32_t>(file_->Position() - position - kChunkHeaderSize));
    return file_->Patch(position + 4, size);
}

bool AviWriter::WriteChunk(FourCC id, ByteSpan data)
{
    uint8_t header[kChunkHeaderSize];
    WriteLE32(header, id);
    WriteLE32(header + 4, static_cast<uint32_t>(data.size()));
    return file_->Append(header) && file_->Append(data) && file_->AppendZeros(data.size() & 1);
}

bool AviWriter::WriteHeaders()
{
    headersWritten_ = true;
    uint64_t hdrl = 0;
    uint64_t list = 0;
    if (!BeginList(kRiff, kFormAvi, riffPosition_) || !BeginList(kList, kHdrl, hdrl))
        return false;
    uint8_t mainHeader[MainHeader::kSize];
    WriteMainHeader(MakeMainHeader(), mainHeader);
    avihPosition_ = file_->Position() + kChunkHeaderSize;
    if (!WriteChunk(kAvih, mainHeader))
        return false;
    for (size_t s = 0; s < streams_.size(); ++s) {
        uint8_t streamHeader[StreamHeader::kSize];
        WriteStreamHeader(MakeStreamHeader(s), streamHeader);
        if (!BeginList(kList, kStrl, list))
            return false;
        streams_[s].strhPosition = file_->Position() + kChunkHeaderSize;
        if (!WriteChunk(kStrh, streamHeader) || !WriteChunk(kStrf, MakeFormat(s)))
            return false;
        streams_[s].indxPosition = file_->Position() + kChunkHeaderSize;
        if (!WriteChunk(kIndx, MakeSuperIndex(s)) || !EndList(list))
            return false;
    }
    scratch_.assign(kDmlhSize, 0);
    if (!BeginList(kList, kOdml, list))
        return false;
    dmlhPosition_ = file_->Position() + kChunkHeaderSize;
    if (!WriteChunk(kDmlh, scratch_) || !EndList(list) || !EndList(hdrl))
        return false;
    if (!settings_.info.empty()) {
        if (!BeginList(kList, kInfo, list))
            return false;
        for (const AviInfoEntry &entry : settings_.info) {
            QByteArray text = entry.text.toUtf8();
            text.append('\0');
            if (!WriteChunk(entry.id, ByteSpan(reinterpret_cast<const uint8_t *>(text.constData()), text.size())))
                return false;
        }
        if (!EndList(list))
            return false;
    }
    riffCount_ = 1;
    return BeginList(kList, kMovi, moviPosition_);
}

bool AviWriter::WriteMediaChunk(size_t stream, ByteSpan data)
{
    Stream &s = streams_[stream];
    const uint64_t position = file_->Position();
    if (!WriteChunk(s.chunkId, data))
        return false;
    const auto size = static_cast<uint32_t>(data.size());
    s.riffIndex.push_back({static_cast<uint32_t>(position + kChunkHeaderSize - riffPosition_), size});
    if (riffCount_ == 1)
        idx1_.push_back({s.chunkId, static_cast<uint32_t>(position - (moviPosition_ + kChunkHeaderSize)), size});
    s.maxChunk = std::max(s.maxChunk, size);
    ++s.chunks;
    s.bytes += size;
    s.riffTicks += s.blockAlign == 0 ? 1 : size / s.blockAlign;
    return true;
}

// What the index chunks closing the present RIFF chunk will take once this group is in.
uint64_t AviWriter::PendingIndexBytes(std::span<const ByteSpan> group) const
{
    uint64_t bytes = 0;
    size_t groupChunks = 0;
    for (size_t s = 0; s < streams_.size(); ++s) {
        const size_t added = s == 0 || !group[s - 1].empty() ? 1 : 0;
        groupChunks += added;
        const size_t entries = streams_[s].riffIndex.size() + added;
        if (entries > 0)
            bytes += kChunkHeaderSize + kIndexHeaderSize + kStdIndexEntrySize * entries;
    }
    if (riffCount_ == 1)
        bytes += kChunkHeaderSize + kIdx1EntrySize * (idx1_.size() + groupChunks);
    return bytes;
}

AviWriteResult AviWriter::IoFailure() { return {false, file_->Error()}; }

AviWriteResult AviWriter::WriteFrame(ByteSpan frame, std::span<const ByteSpan> audio)
{
    if (closed_)
        return {false, QStringLiteral("The file is already closed.")};
    if (file_->Failed())
        return IoFailure();
    if (frame.size() != FrameSize())
        return {false, QStringLiteral("A %1 DV frame has %2 bytes, not %3.")
                           .arg(settings_.ntsc ? QStringLiteral("525/60") : QStringLiteral("625/50"))
                           .arg(FrameSize())
                           .arg(frame.size())};
    if (audio.size() != streams_.size() - 1)
        return {false, QStringLiteral("The file has %1 sound streams, not %2.").arg(streams_.size() - 1).arg(audio.size())};
    uint64_t groupBytes = PaddedChunkBytes(frame.size());
    for (size_t i = 0; i < audio.size(); ++i) {
        if (audio[i].size() > kMaxAudioChunk || audio[i].size() % streams_[i + 1].blockAlign != 0)
            return {false, QStringLiteral("The sound of stream %1 is no whole number of samples.").arg(i + 1)};
        if (!audio[i].empty())
            groupBytes += PaddedChunkBytes(audio[i].size());
    }

    if (!headersWritten_) {
        if (!settings_.dvInfo)
            settings_.dvInfo = DvInfoFromFrame(frame);
        if (!WriteHeaders())
            return IoFailure();
    }
    const uint64_t limit = riffCount_ == 1 ? settings_.firstRiffLimit : settings_.riffLimit;
    const uint64_t riffBytes = file_->Position() - riffPosition_;
    if (framesInRiff_ > 0 && riffBytes + groupBytes + PendingIndexBytes(audio) > limit) {
        if (static_cast<size_t>(riffCount_) >= kSuperIndexEntries)
            return {false, QStringLiteral("The file has reached the largest size its index can describe.")};
        if (!EndRiff() || !BeginAvix())
            return IoFailure();
    }
    if (!WriteMediaChunk(0, frame))
        return IoFailure();
    for (size_t i = 0; i < audio.size(); ++i) {
        if (!audio[i].empty() && !WriteMediaChunk(i + 1, audio[i]))
            return IoFailure();
    }
    ++frames_;
    ++framesInRiff_;
    if (riffCount_ == 1)
        ++framesInFirstRiff_;
    return {};
}

bool AviWriter::EndRiff()
{
    for (size_t s = 0; s < streams_.size(); ++s) {
        Stream &stream = streams_[s];
        if (stream.riffIndex.empty())
            continue;
        const size_t count = stream.riffIndex.size();
        scratch_.assign(kIndexHeaderSize + kStdIndexEntrySize * count, 0);
        uint8_t *p = scratch_.data();
        WriteLE16(p, kStdIndexEntrySize / 4);
        p[3] = kIndexOfChunks;
        WriteLE32(p + 4, static_cast<uint32_t>(count));
        WriteLE32(p + 8, stream.chunkId);
        WriteLE64(p + 12, riffPosition_);
        for (size_t i = 0; i < count; ++i) {
            uint8_t *e = p + kIndexHeaderSize + i * kStdIndexEntrySize;
            WriteLE32(e, stream.riffIndex[i].offset);
            WriteLE32(e + 4, stream.riffIndex[i].size);
        }
        const uint64_t position = file_->Position();
        if (!WriteChunk(IndexChunkId(s), scratch_))
            return false;
        stream.superIndex.push_back({position, static_cast<uint32_t>(kChunkHeaderSize + scratch_.size()),
                                     static_cast<uint32_t>(stream.riffTicks)});
        stream.riffIndex.clear();
        stream.riffTicks = 0;
    }
    if (!EndList(moviPosition_))
        return false;
    if (riffCount_ == 1) {
        scratch_.assign(kIdx1EntrySize * idx1_.size(), 0);
        for (size_t i = 0; i < idx1_.size(); ++i) {
            uint8_t *e = scratch_.data() + i * kIdx1EntrySize;
            WriteLE32(e, idx1_[i].id);
            WriteLE32(e + 4, kAviifKeyframe);
            WriteLE32(e + 8, idx1_[i].offset);
            WriteLE32(e + 12, idx1_[i].size);
        }
        idx1_ = {};
        if (!WriteChunk(kIdx1, scratch_))
            return false;
    }
    framesInRiff_ = 0;
    return EndList(riffPosition_);
}

bool AviWriter::BeginAvix()
{
    ++riffCount_;
    return BeginList(kRiff, kFormAvix, riffPosition_) && BeginList(kList, kMovi, moviPosition_);
}

bool AviWriter::Finish()
{
    if (!headersWritten_ && !WriteHeaders())
        return false;
    if (!EndRiff())
        return false;
    uint8_t mainHeader[MainHeader::kSize];
    WriteMainHeader(MakeMainHeader(), mainHeader);
    if (!file_->Patch(avihPosition_, mainHeader))
        return false;
    for (size_t s = 0; s < streams_.size(); ++s) {
        uint8_t streamHeader[StreamHeader::kSize];
        WriteStreamHeader(MakeStreamHeader(s), streamHeader);
        if (!file_->Patch(streams_[s].strhPosition, streamHeader)
            || !file_->Patch(streams_[s].indxPosition, MakeSuperIndex(s)))
            return false;
    }
    uint8_t totalFrames[4];
    WriteLE32(totalFrames, frames_);
    return file_->Patch(dmlhPosition_, totalFrames);
}

AviWriteResult AviWriter::Close()
{
    if (closed_)
        return {false, QStringLiteral("The file is already closed.")};
    closed_ = true;
    if (file_->Failed() || !Finish() || !file_->Commit()) {
        const QString error = file_->Error();
        file_->Discard();
        return {false, error};
    }
    return {};
}

void AviWriter::Discard()
{
    closed_ = true;
    file_->Discard();
}
