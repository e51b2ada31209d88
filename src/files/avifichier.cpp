#include "files/avifichier.h"

#include "base/datetimeformat.h"
#include "base/paths.h"
#include "base/textformat.h"
#include "files/durationformat.h"
#include "files/formattags.h"
#include "files/itemsettings.h"
#include "formats/aviinfo.h"
#include "formats/fourcctext.h"
#include "media/buildlist.h"

#include <QFileInfo>

#include <cmath>
#include <exception>

namespace {

constexpr double kNtscFps = 30000.0 / 1001.0;
constexpr double kPalFps = 25.0;
// Bit 5 of the third byte of the VAUX source pack: set for 625/50.
constexpr uint32_t kVauxSource50Hz = 1u << (2 * 8 + 5);

// The nearest integer, ties to even.
int64_t RoundHalfEven(int64_t numerator, int64_t denominator)
{
    const int64_t quotient = numerator / denominator;
    const int64_t twiceRest = 2 * (numerator % denominator);
    if (twiceRest > denominator || (twiceRest == denominator && quotient % 2 != 0))
        return quotient + 1;
    return quotient;
}

int64_t RoundHalfEven(double value)
{
    return static_cast<int64_t>(std::nearbyint(value));
}

QString ChannelsText(int channels)
{
    switch (channels) {
    case 0:
        return QStringLiteral("no channel");
    case 1:
        return QStringLiteral(" mono");
    case 2:
        return QStringLiteral(" stereo");
    default:
        return QStringLiteral(" stereo (%1)").arg(channels);
    }
}

bool IsPrintableCode(FourCC code)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (((code >> shift) & 0xFF) < 32)
            return false;
    return true;
}

}  // namespace

TaviFichier::TaviFichier(const QString &path) : TaviFichier(ExtractFilePath(path), RecordOf(path)) {}

TaviFichier::TaviFichier(const QString &folder, const TSearchRec &rec)
    : TaviFichier(folder, rec, std::unique_lock(MediaInfoLock()))
{
}

TaviFichier::TaviFichier(const QString &folder, const TSearchRec &rec, std::unique_lock<std::mutex>)
    : TSRFichier(folder, rec)
{
    ReadFile();
    UpdateOwnKeys();
}

void TaviFichier::ReadFile()
{
    hasScn = QFileInfo::exists(ChangeFileExt(path, QStringLiteral(".scn")));
    hasSrt = QFileInfo::exists(ChangeFileExt(path, QStringLiteral(".srt")));

    try {
        const TFriendlyAviParam walk(path);
        if (walk.valid)
            codec = walk.GetCodec();
        else
            SetUnreadable();
    } catch (const std::exception &) {
        SetUnreadable();
    }

    // A file the reader cannot open is shown as unreadable; it is never patched
    // to make it readable.
    TMediaInfo none;
    const bool read = DmList().ReadMediaInfo(path);
    if (!read)
        SetUnreadable();
    const TMediaInfo &info = read ? DmList().MediaInfo() : none;

    bool heightMultipleOf60 = false;
    ReadVideo(info, heightMultipleOf60);
    ReadAudio(info);
    if (audioText == QLatin1String("N/A") && imageText == QLatin1String("N/A"))
        datecodeKey = QString(kDatecodeKeyUnreadable);
    dvInfo = info.dvSeen;
    if (dvInfo)
        ReadDv(info, heightMultipleOf60);
}

void TaviFichier::SetUnreadable()
{
    timecodeText.clear();
    datecodeText.clear();
    datecodeKey = QString(kDatecodeKeyUnreadable);
    codec.clear();
}

void TaviFichier::ReadVideo(const TMediaInfo &info, bool &heightMultipleOf60)
{
    if (!info.videoFound) {
        codec.clear();
        imageText = QStringLiteral("N/A");
        return;
    }
    const VideoInfoHeader &format = info.videoFormat;
    width = format.bmiHeader.width;
    height = format.bmiHeader.height;
    imageText = QStringLiteral("%1 x %2").arg(width).arg(height);
    heightMultipleOf60 = height % 60 == 0;
    const int64_t frameTime = format.avgTimePerFrame;
    if (frameTime > 0) {
        fps = static_cast<double>(RoundHalfEven(1e9 / static_cast<double>(frameTime))) / 100.0;
        frameCount = static_cast<int>(RoundHalfEven(info.videoDuration, frameTime));
    }
    duration = info.videoDuration;
    durationText = FrameDurationText(duration, frameTime);
    bitRate = format.bitRate;
    if (IsPrintableCode(format.bmiHeader.compression))
        codec = FourCCToText(format.bmiHeader.compression);
}

void TaviFichier::ReadAudio(const TMediaInfo &info)
{
    if (!info.audioFound) {
        audioText = QStringLiteral("N/A");
        return;
    }
    const WaveFormatEx &format = info.audioFormat;
    samplingRate = static_cast<int>(format.samplesPerSec);
    bits = format.bitsPerSample;
    audioText = QString::number(samplingRate) + QStringLiteral("Hz ");
    if (bits > 0)
        audioText += QString::number(bits) + QStringLiteral(" bits ");
    channelsText = ChannelsText(format.channels);
    audioText += channelsText;
    audioCodecText = FormatTagName(format.formatTag) + QLatin1Char(' ') + QString::number(format.avgBytesPerSec)
                     + QStringLiteral(" bytes/s");
    audioDurationText = fps != 0 ? FrameDurationText(info.audioDuration, RoundHalfEven(1e7 / fps))
                                 : MillisecondDurationText(info.audioDuration);
}

void TaviFichier::ReadDv(const TMediaInfo &info, bool heightMultipleOf60)
{
    if (info.interleavedFound) {
        type = info.outputCount < 2 ? 1 : 2;
        type2Interleaved = type == 2;
        dvVideoSource = info.dvInfo.vauxSrc;
        system = (dvVideoSource & kVauxSource50Hz) ? kSystemPal : kSystemNtsc;
        fps = system == kSystemPal ? kPalFps : kNtscFps;
    } else {
        type = 2;
        system = heightMultipleOf60 ? kSystemNtsc : kSystemPal;
    }
    imageText += system == kSystemNtsc ? QStringLiteral(" (NTSC") : QStringLiteral(" (Pal");

    wide = info.wide;
    aspectText = wide ? QStringLiteral(" 16x9)") : QStringLiteral(" 4x3)");
    height = wide ? width * 9 / 16 : width * 3 / 4;

    if (info.datecodeValid) {
        datecode = info.datecode;
        datecodeText = TryFormatDateTime(DatecodeDisplayFormat(), datecode).value_or(QStringLiteral("N/A"));
        datecodeKey = TryFormatDateTime(QStringLiteral("yyyymmddhhnnss"), datecode).value_or(QStringLiteral("N/A"));
    } else {
        datecodeText = QStringLiteral("N/A");
        datecodeKey = QStringLiteral("N/A");
    }

    // DV carries 32 kHz sound in 12 bits, which the decoder delivers as 16.
    if (samplingRate == 32000 && bits == 16)
        audioText = QStringLiteral("32000Hz 12(16) bits ") + channelsText;

    const TTimecodeRec &tc = info.timecode;
    timecodeText = info.timecodeValid
                       ? FormatText(QStringLiteral("%.2d.%.2d.%.2d.%.2d"), {tc.hours, tc.minutes, tc.seconds, tc.frames})
                       : QStringLiteral("N/A");
}

QString TaviFichier::GetSortKey(const TSortIndex &index) const
{
    if (index == SortDatecode())
        return datecodeSortKey;
    if (index == SortTimecode())
        return timecodeSortKey;
    if (index == SortDuree())
        return durationSortKey;
    return TSRFichier::GetSortKey(index);
}

void TaviFichier::UpdateKeys()
{
    TSRFichier::UpdateKeys();
    UpdateOwnKeys();
}

void TaviFichier::UpdateOwnKeys()
{
    const QString byName = (name + path).toLower();
    datecodeSortKey = datecodeKey + byName;
    timecodeSortKey = timecodeText + byName;
    durationSortKey = FormatText(QStringLiteral("%.12d"), {duration}) + byName;
}

QString CodecWithType(const TaviFichier &item)
{
    if (!item.dvInfo)
        return item.codec;
    if (item.type == 1)
        return item.codec + QStringLiteral(" (type 1)");
    return item.codec + (item.type2Interleaved ? QStringLiteral(" (type 2 iavs)") : QStringLiteral(" (type 2)"));
}

QString DurationWithAudio(const TaviFichier &item)
{
    if (item.audioDurationText.isEmpty() || item.audioDurationText == item.durationText)
        return item.durationText;
    return item.durationText + QStringLiteral(" (") + item.audioDurationText + QLatin1Char(')');
}

QString ShownDatecode(const TaviFichier &item)
{
    if (item.datecode > 0)
        return FormatDateTime(DatecodeDisplayFormat(), item.datecode);
    return item.datecodeText;
}
