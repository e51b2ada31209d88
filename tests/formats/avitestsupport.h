// Shared by the AVI reader and writer tests: DV frames from the real samples,
// recognisable synthetic frames and sound, and the peer tools' JSON views.
#pragma once

#include "formats/aviwriter.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <vector>

namespace avitest {

// The whole frames of a raw DV file (empty when it is absent or has none).
std::vector<QByteArray> DvFrames(const QString &path);
// A copy of frame with its number stamped into the reserved bytes of the first
// DIF header block, so that every frame of a file differs and still decodes.
QByteArray StampedFrame(const QByteArray &frame, uint32_t number);
// Bytes that show where they came from: frame number and offset.
QByteArray SyntheticFrame(size_t size, uint32_t number);
QByteArray SyntheticPcm(size_t bytes, uint32_t number, int stream);

// Writes frames (and per frame one PCM chunk per sound stream) and closes.
AviWriteResult WriteAvi(const QString &path, const AviWriterSettings &settings,
                        const std::vector<QByteArray> &frames,
                        const std::vector<std::vector<QByteArray>> &audio = {});

QJsonObject Ffprobe(const QString &path);    // -count_frames -show_streams -show_format
QJsonObject MediaInfo(const QString &path);  // --Output=JSON
// The first MediaInfo track of this @type ("General", "Video", "Audio").
QJsonObject MediaInfoTrack(const QJsonObject &info, const QString &type, int nth = 0);

}  // namespace avitest
