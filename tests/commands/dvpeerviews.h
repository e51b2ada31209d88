// What the peer tools read of the DV in an AVI file: FFmpeg's copy of the video
// stream as raw DV frames (never through its dv muxer, which rewrites the dates),
// FFmpeg's decoding of the first sound stream, and ExifTool's recording date of
// single raw frames.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace dvpeer {

// The frames of the file's video stream as FFmpeg copies them; empty when it cannot.
std::vector<QByteArray> RawFrames(const QString &avi);
// A frame without its audio DIF blocks: header, subcode, VAUX and video blocks.
QByteArray WithoutAudioBlocks(const QByteArray &frame);
// The picture alone: the video DIF blocks of every sequence.
QByteArray VideoBlocks(const QByteArray &frame);
// The first sound stream decoded to 16-bit little-endian PCM; empty when it cannot.
QByteArray Pcm(const QString &avi);
// ExifTool's DateTimeOriginal ("YYYY:MM:DD HH:MM:SS") of each frame asked for, each
// written alone as a raw DV file into the folder; "none" for a frame without one.
QStringList RecordedDates(const std::vector<QByteArray> &frames, const std::vector<int> &which,
                          const QString &folder);

}  // namespace dvpeer
