#include "media/playerstatus.h"

#include "base/datetimeformat.h"
#include "base/textformat.h"
#include "files/avifichier.h"
#include "media/mediatime.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QString kNotAvailable = QStringLiteral("N/A");

// What follows the bits in the audio text, by channel count.
const std::pair<int, const char *> kChannelTexts[] = {
    {1, " mono"},
    {2, " stereo"},
    {3, " 3  channels"},
    {4, " stereo(2x)"},
};

QString AudioText(const TFrameInfo &info)
{
    if (info.AudioChannels <= 0)
        return kNotAvailable;
    QString text = QString::number(info.AudioRate) + QStringLiteral("Hz ") + QString::number(info.AudioBits)
                 + QStringLiteral("Bits");
    const auto *known = std::ranges::find(kChannelTexts, info.AudioChannels, &std::pair<int, const char *>::first);
    if (known != std::end(kChannelTexts))
        return text + QString::fromLatin1(known->second);
    return text + QStringLiteral(" %1  channels").arg(info.AudioChannels);
}

QString AudioCodecText(const TFrameInfo &info)
{
    const int64_t bytesPerSecond =
        static_cast<int64_t>(info.AudioRate) * info.AudioChannels * info.AudioBits / 8;
    if (bytesPerSecond < 1)
        return {};
    return QStringLiteral("PCM ") + QString::number(bytesPerSecond) + QStringLiteral(" bytes/s");
}

}  // namespace

QString PlayerTimecodeText(const TFrameInfo &info)
{
    if (!info.TimecodeValid)
        return kNotAvailable;
    const TTimecodeRec &tc = info.Timecode;
    return FormatText(QStringLiteral("%.2d.%.2d.%.2d.%.2d"), {tc.hours, tc.minutes, tc.seconds, tc.frames});
}

QString PlayerDatecodeText(const TFrameInfo &info, const QString &pattern)
{
    if (!info.DatecodeValid)
        return kNotAvailable;
    return TryFormatDateTime(pattern, info.Datecode).value_or(kNotAvailable);
}

QString PlayerPositionText(int64_t position, double fps)
{
    if (fps > 0) {
        const auto s = static_cast<int64_t>(std::trunc(static_cast<double>(position) / fps));
        const auto r = static_cast<int64_t>(std::trunc(static_cast<double>(position) - static_cast<double>(s) * fps));
        return FormatText(QStringLiteral("%d:%.2d:%.2d:%.2d"), {s / 3600, (s / 60) % 60, s % 60, r});
    }
    const int64_t s = position / kUnitsPerSecond;
    const int64_t ms = (position % kUnitsPerSecond) / kUnitsPerMillisecond;
    return FormatText(QStringLiteral("%d:%.2d:%.2d:%.3d"), {s / 3600, (s / 60) % 60, s % 60, ms});
}

TPlayerStatus PlayerStatusTexts(const TFrameInfo &info, bool detectorStopped, const TaviFichier &item,
                                const TPlayerPositions &positions, const QString &datecodePattern)
{
    TPlayerStatus status;
    if (detectorStopped) {
        status.datecodeText = QStringLiteral("-");
        status.timecodeText = QStringLiteral("-");
    } else {
        status.datecodeText = PlayerDatecodeText(info, datecodePattern);
        status.timecodeText = PlayerTimecodeText(info);
    }
    if (item.dvInfo && item.type == 1) {
        status.audioText = AudioText(info);
        if (status.audioText != kNotAvailable)
            status.audioCodecText = AudioCodecText(info);
    }
    status.imageText = item.imageText;
    if (item.dvInfo)
        status.imageText += info.Wide ? QStringLiteral(" 16x9)") : QStringLiteral(" 4x3)");
    status.positionText = PlayerPositionText(positions.position, item.fps);
    const int64_t span = positions.duration - positions.begin;
    if (span > 0)
        status.trackPosition = static_cast<int>(
            std::clamp<int64_t>((positions.position - positions.begin) * kTrackMaximum / span, 0, kTrackMaximum));
    return status;
}

int GraphVolume(int volume, bool muted)
{
    // Muted plays at volume 0, which is silence.
    const int v = muted ? 0 : std::clamp(volume, 0, kVolumeMaximum);
    // nearbyint rounds ties to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(std::log(v + 1.0) * 1085.73)) - kVolumeMaximum;
}
