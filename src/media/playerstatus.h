// The texts the player shows beside the picture, refreshed every 40 ms from the
// frame its datecode detector published last, and the volume law. Pure
// functions; any thread.
#pragma once

#include "media/dv_scenedetect.h"

#include <QString>

#include <cstdint>

class TaviFichier;

struct TPlayerStatus {
    QString datecodeText;
    QString timecodeText;
    QString audioText;       // type 1 files only, else empty
    QString audioCodecText;  // type 1 files only, else empty
    QString imageText;
    QString positionText;
    int trackPosition = 0;   // 0..kTrackMaximum
    bool operator==(const TPlayerStatus &) const = default;
};

inline constexpr int kTrackMaximum = 1000;

// "%.2d.%.2d.%.2d.%.2d" of the timecode when valid, else "N/A".
QString PlayerTimecodeText(const TFrameInfo &info);
// The datecode in the pattern when valid and writable, else "N/A".
QString PlayerDatecodeText(const TFrameInfo &info, const QString &pattern);
// A position h:mm:ss:ff in frames at fps frames a second, or h:mm:ss:zzz in media
// time when fps is 0.
QString PlayerPositionText(int64_t position, double fps);

struct TPlayerPositions {
    int64_t position = 0;
    int64_t begin = 0;
    int64_t duration = 0;
};

// detectorStopped: the graph is stopped, so the detector holds nothing ("-").
TPlayerStatus PlayerStatusTexts(const TFrameInfo &info, bool detectorStopped, const TaviFichier &item,
                                const TPlayerPositions &positions, const QString &datecodePattern);

inline constexpr int kVolumeMaximum = 10000;
// The graph's attenuation for a volume 0..10000, in hundredths of a decibel: the
// nearest integer (ties to even) to ln(v + 1) x 1085.73, minus 10000; muted is
// volume 0, silence.
int GraphVolume(int volume, bool muted);
