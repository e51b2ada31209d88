#include "dvpeerviews.h"

#include "formats/dvlayout.h"
#include "support/testsupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace dvpeer {

std::vector<QByteArray> RawFrames(const QString &avi)
{
    const auto copied = testsupport::Run(QStringLiteral("ffmpeg"), {"-v", "error", "-i", avi, "-map", "0:v", "-c",
                                                                    "copy", "-f", "rawvideo", "-"});
    if (copied.exitCode != 0 || copied.out.isEmpty())
        return {};
    // The first frame's header block says the system: bit 7 of its byte 3 is set for 625/50.
    const size_t frameSize = (copied.out[3] & 0x80) ? dvlayout::kFrameSize625 : dvlayout::kFrameSize525;
    std::vector<QByteArray> frames;
    for (qsizetype at = 0; at + qsizetype(frameSize) <= copied.out.size(); at += qsizetype(frameSize))
        frames.push_back(copied.out.mid(at, qsizetype(frameSize)));
    if (copied.out.size() % qsizetype(frameSize) != 0)
        frames.push_back(copied.out.mid(qsizetype(frames.size() * frameSize)));  // a broken tail shows
    return frames;
}

namespace {

// The blocks of every sequence of the frame that the predicate keeps, by block index.
template <typename Keep>
QByteArray KeptBlocks(const QByteArray &frame, Keep keep)
{
    using namespace dvlayout;
    QByteArray kept;
    for (qsizetype sequence = 0; sequence + qsizetype(kSequenceSize) <= frame.size();
         sequence += qsizetype(kSequenceSize))
        for (size_t block = 0; block < kBlocksPerSequence; ++block)
            if (keep(block))
                kept += frame.mid(sequence + qsizetype(block * kBlockSize), kBlockSize);
    return kept;
}

bool IsAudioBlock(size_t block)
{
    for (int k = 0; k < dvlayout::kAudioBlocksPerSequence; ++k)
        if (block * dvlayout::kBlockSize == dvlayout::AudioBlockOffset(k))
            return true;
    return false;
}

}  // namespace

QByteArray WithoutAudioBlocks(const QByteArray &frame)
{
    return KeptBlocks(frame, [](size_t block) { return !IsAudioBlock(block); });
}

QByteArray VideoBlocks(const QByteArray &frame)
{
    const size_t firstVideo = dvlayout::kFirstVauxBlock + dvlayout::kVauxBlocks;
    return KeptBlocks(frame, [firstVideo](size_t block) { return block >= firstVideo && !IsAudioBlock(block); });
}

QByteArray Pcm(const QString &avi)
{
    const auto decoded = testsupport::Run(QStringLiteral("ffmpeg"),
                                          {"-v", "error", "-i", avi, "-map", "0:a:0", "-f", "s16le", "-"});
    return decoded.exitCode == 0 ? decoded.out : QByteArray();
}

QStringList RecordedDates(const std::vector<QByteArray> &frames, const std::vector<int> &which,
                          const QString &folder)
{
    QStringList files;
    for (const int n : which) {
        const QString file = QDir(folder).filePath(QStringLiteral("frame%1.dv").arg(n));
        if (n < 0 || size_t(n) >= frames.size() || !testsupport::WriteWholeFile(file, frames[size_t(n)]))
            return {};
        files << file;
    }
    const auto read = testsupport::Run(QStringLiteral("exiftool"), QStringList{"-j", "-DateTimeOriginal"} + files);
    const QJsonArray entries = QJsonDocument::fromJson(read.out).array();
    QStringList dates;
    for (const QString &file : files) {
        QString date = QStringLiteral("none");
        for (const auto entry : entries)
            if (entry.toObject()[QStringLiteral("SourceFile")].toString() == file)
                date = entry.toObject()[QStringLiteral("DateTimeOriginal")].toString(QStringLiteral("none"));
        dates << date;
    }
    return dates;
}

}  // namespace dvpeer
