#include "formats/avitestsupport.h"

#include "formats/dvlayout.h"
#include "support/testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace avitest {

namespace {

constexpr size_t kStampOffset = 40;  // inside the reserved tail of the header block

}  // namespace

std::vector<QByteArray> DvFrames(const QString &path)
{
    const QByteArray bytes = testsupport::ReadWholeFile(path);
    std::vector<QByteArray> frames;
    if (bytes.size() < 4)
        return frames;
    // Header byte 3, bit 7: 1 for 625/50.
    const qsizetype frameSize = (static_cast<uint8_t>(bytes[3]) & 0x80) ? dvlayout::kFrameSize625 : dvlayout::kFrameSize525;
    for (qsizetype at = 0; at + frameSize <= bytes.size(); at += frameSize)
        frames.push_back(bytes.mid(at, frameSize));
    return frames;
}

QByteArray StampedFrame(const QByteArray &frame, uint32_t number)
{
    QByteArray stamped = frame;
    for (int i = 0; i < 4; ++i)
        stamped[kStampOffset + i] = static_cast<char>(number >> (8 * i));
    return stamped;
}

QByteArray SyntheticFrame(size_t size, uint32_t number)
{
    QByteArray frame(static_cast<qsizetype>(size), '\0');
    for (size_t i = 0; i < size; ++i)
        frame[static_cast<qsizetype>(i)] = static_cast<char>((i * 7 + number * 31 + (i >> 8)) & 0xFF);
    for (int i = 0; i < 4; ++i)
        frame[i] = static_cast<char>(number >> (8 * i));
    return frame;
}

QByteArray SyntheticPcm(size_t bytes, uint32_t number, int stream)
{
    QByteArray pcm(static_cast<qsizetype>(bytes), '\0');
    for (size_t i = 0; i < bytes; ++i)
        pcm[static_cast<qsizetype>(i)] = static_cast<char>((i * 3 + number * 11 + stream * 101) & 0xFF);
    return pcm;
}

AviWriteResult WriteAvi(const QString &path, const AviWriterSettings &settings, const std::vector<QByteArray> &frames,
                        const std::vector<std::vector<QByteArray>> &audio)
{
    AviCreateResult created = AviWriter::Create(path, settings);
    if (!created.writer)
        return {false, created.error};
    for (size_t n = 0; n < frames.size(); ++n) {
        std::vector<ByteSpan> sound;
        if (n < audio.size()) {
            for (const QByteArray &chunk : audio[n])
                sound.emplace_back(reinterpret_cast<const uint8_t *>(chunk.constData()), chunk.size());
        }
        const QByteArray &frame = frames[n];
        const AviWriteResult written = created.writer->WriteFrame(
            ByteSpan(reinterpret_cast<const uint8_t *>(frame.constData()), frame.size()), sound);
        if (!written.ok)
            return written;
    }
    return created.writer->Close();
}

QJsonObject Ffprobe(const QString &path)
{
    const auto result = testsupport::Run(QStringLiteral("ffprobe"),
                                         {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                          QStringLiteral("-show_streams"), QStringLiteral("-show_format"),
                                          QStringLiteral("-of"), QStringLiteral("json"), path});
    return QJsonDocument::fromJson(result.out).object();
}

QJsonObject MediaInfo(const QString &path)
{
    const auto result = testsupport::Run(QStringLiteral("mediainfo"), {QStringLiteral("--Output=JSON"), path});
    return QJsonDocument::fromJson(result.out).object();
}

QJsonObject MediaInfoTrack(const QJsonObject &info, const QString &type, int nth)
{
    for (const QJsonValue &track : info.value(QStringLiteral("media")).toObject().value(QStringLiteral("track")).toArray()) {
        if (track.toObject().value(QStringLiteral("@type")).toString() == type && nth-- == 0)
            return track.toObject();
    }
    return {};
}

}  // namespace avitest
