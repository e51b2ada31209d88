#include "formats/aviinfo.h"

#include "formats/fourcctext.h"
#include "formats/riffcursor.h"

#include <QFile>

#include <algorithm>

namespace {

constexpr FourCC kRiff = MakeFourCC("RIFF");
constexpr FourCC kList = MakeFourCC("LIST");
constexpr FourCC kHdrl = MakeFourCC("hdrl");
constexpr FourCC kMovi = MakeFourCC("movi");
constexpr FourCC kIdx1 = MakeFourCC("idx1");
constexpr FourCC kAvih = MakeFourCC("avih");
constexpr FourCC kStrl = MakeFourCC("strl");
constexpr FourCC kOdml = MakeFourCC("odml");
constexpr FourCC kStrh = MakeFourCC("strh");
constexpr FourCC kStrf = MakeFourCC("strf");
constexpr FourCC kIndx = MakeFourCC("indx");
constexpr FourCC kDmlh = MakeFourCC("dmlh");
constexpr FourCC kAuds = MakeFourCC("auds");
constexpr FourCC kVids = MakeFourCC("vids");
constexpr FourCC kIavs = MakeFourCC("iavs");

constexpr int64_t kHeaderSize = 8;
constexpr int64_t kIndexHeadSize = 88;
// The first index entry follows the 24-byte header of an OpenDML index chunk.
constexpr int64_t kIndexEntriesOffset = 24;

// "AVI " and the OpenDML extension form "AVIX": the first three characters, upper-cased.
bool IsAviForm(FourCC form)
{
    constexpr char kAvi[] = "AVI";
    for (int i = 0; i < 3; ++i) {
        const auto c = static_cast<char>(form >> (8 * i));
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != kAvi[i])
            return false;
    }
    return true;
}

// The walk follows the fixed shape RIFF > hdrl > strl/odml and never descends
// into other lists, so its nesting depth is bounded by construction.
class AviWalker {
public:
    AviWalker(TAviParam &param, RiffCursor &cursor) : param_(param), cursor_(cursor) {}

    void WalkFile();

private:
    // True while a whole chunk header still fits before end.
    bool HeaderFits(int64_t end) { return cursor_.AlignToWord() && end - cursor_.Position() >= kHeaderSize; }
    // The list type, when the chunk is long enough to hold one.
    std::optional<FourCC> ListType(const RiffChunkHeader &header);
    // Where a chunk inside a list ends, cut at the end of the list.
    static int64_t CutEnd(const RiffChunkHeader &header, int64_t listEnd)
    {
        return header.dataStart + std::min<int64_t>(header.size, listEnd - header.dataStart);
    }

    bool WalkRiffBody(int64_t end);
    bool WalkHeaderList(int64_t end);
    bool WalkStreamList(int64_t end);
    bool WalkOpenDml(int64_t end);
    void NoteStreamType(int index);

    TAviParam &param_;
    RiffCursor &cursor_;
};

std::optional<FourCC> AviWalker::ListType(const RiffChunkHeader &header)
{
    if (header.size < 4)
        return std::nullopt;
    return cursor_.ReadFourCC();
}

void AviWalker::WalkFile()
{
    const int64_t end = cursor_.FileSize();
    while (HeaderFits(end)) {
        const auto header = cursor_.ReadHeader();
        // A RIFF chunk claiming more than the file holds ends the walk: a cut file is not valid.
        if (!header || header->size > end - header->dataStart || header->id != kRiff)
            return;
        const int64_t chunkEnd = header->dataStart + header->size;
        const auto form = ListType(*header);
        if (!form || !IsAviForm(*form) || !WalkRiffBody(chunkEnd) || !cursor_.SeekTo(chunkEnd))
            return;
        param_.valid = true;
    }
}

bool AviWalker::WalkRiffBody(int64_t end)
{
    while (HeaderFits(end)) {
        const auto header = cursor_.ReadHeader();
        if (!header)
            return true;  // a truncated tail is accepted
        if (header->size > end - header->dataStart)
            return false;
        const int64_t chunkEnd = header->dataStart + header->size;
        if (header->id == kList) {
            const auto type = ListType(*header);
            if (type == kHdrl && !WalkHeaderList(chunkEnd))
                return false;
            if (type == kMovi)
                param_.moviPosition = header->dataStart + 4;
        } else if (header->id == kIdx1) {
            param_.idx1Position = header->dataStart;
        }
        if (!cursor_.SeekTo(chunkEnd))
            return false;
    }
    return true;
}

bool AviWalker::WalkHeaderList(int64_t end)
{
    while (HeaderFits(end)) {
        const auto header = cursor_.ReadHeader();
        if (!header)
            return false;
        const int64_t chunkEnd = CutEnd(*header, end);
        if (header->id == kAvih) {
            if (!cursor_.ReadCut(param_.mainHeader, chunkEnd))
                return false;
            continue;
        }
        if (header->id == kList) {
            // A broken stream or OpenDML list does not spoil the header list:
            // the walk resumes after it.
            const auto type = ListType(*header);
            if (type == kStrl)
                WalkStreamList(chunkEnd);
            else if (type == kOdml)
                WalkOpenDml(chunkEnd);
        }
        if (!cursor_.SeekTo(chunkEnd))
            return false;
    }
    return true;
}

bool AviWalker::WalkStreamList(int64_t end)
{
    if (param_.streams.size() >= static_cast<size_t>(TAviParam::kMaxStreams))
        return true;
    param_.streams.emplace_back();
    const int index = static_cast<int>(param_.streams.size()) - 1;
    TAvistream &stream = param_.streams.back();
    while (HeaderFits(end)) {
        const auto header = cursor_.ReadHeader();
        if (!header)
            return false;
        const int64_t chunkEnd = CutEnd(*header, end);
        switch (header->id) {
        case kStrh:
            if (!cursor_.ReadCut(stream.header, chunkEnd))
                return false;
            NoteStreamType(index);
            break;
        case kStrf:
            if (!cursor_.ReadCut(stream.format, chunkEnd))
                return false;
            break;
        case kIndx:
            stream.indexPosition = header->dataStart + kIndexEntriesOffset;
            if (chunkEnd - header->dataStart < kIndexHeadSize || !cursor_.ReadCut(stream.index, chunkEnd))
                return false;
            break;
        default:
            if (!cursor_.SeekTo(chunkEnd))
                return false;
            break;
        }
    }
    return true;
}

void AviWalker::NoteStreamType(int index)
{
    const FourCC type = param_.streams[static_cast<size_t>(index)].Type();
    if (type == kAuds && param_.audioStream < 0)
        param_.audioStream = index;
    if ((type == kVids || type == kIavs) && param_.videoStream < 0)
        param_.videoStream = index;
}

bool AviWalker::WalkOpenDml(int64_t end)
{
    param_.openDml = true;
    while (HeaderFits(end)) {
        const auto header = cursor_.ReadHeader();
        if (!header)
            return false;
        const int64_t chunkEnd = CutEnd(*header, end);
        const bool read = header->id == kDmlh ? cursor_.ReadCut(param_.openDmlHeader, chunkEnd)
                                              : cursor_.SeekTo(chunkEnd);
        if (!read)
            return false;
    }
    return true;
}

}  // namespace

QString TAviParam::GetCodec() const
{
    const TAvistream *video = VideoStream();
    return video ? FourCCToText(video->Handler()) : QStringLiteral("####");
}

const TAvistream *TAviParam::VideoStream() const
{
    return videoStream >= 0 ? &streams[static_cast<size_t>(videoStream)] : nullptr;
}

TFriendlyAviParam::TFriendlyAviParam(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    RiffCursor cursor(file);
    AviWalker(*this, cursor).WalkFile();
}

TFriendlyAviParam::TFriendlyAviParam(QIODevice &device)
{
    RiffCursor cursor(device);
    AviWalker(*this, cursor).WalkFile();
}
