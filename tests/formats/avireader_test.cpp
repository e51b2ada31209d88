#include "formats/avireader.h"

#include "formats/avitestsupport.h"
#include "support/testsupport.h"

#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace avitest;

namespace {

QByteArray ChunkBytes(const AviReader &reader, int stream, size_t n, AviChunkResult *result = nullptr)
{
    std::vector<uint8_t> buffer(reader.ChunkSize(stream, n).value_or(0));
    const AviChunkResult read = reader.ReadChunk(stream, n, buffer);
    if (result)
        *result = read;
    return read.ok ? QByteArray(reinterpret_cast<const char *>(buffer.data()), qsizetype(read.size)) : QByteArray();
}

void PutLE32(QByteArray &bytes, qsizetype at, uint32_t value)
{
    WriteLE32(reinterpret_cast<uint8_t *>(bytes.data()) + at, value);
}

// Builds small RIFF structures for the hostile cases.
QByteArray Chunk(const char *id, const QByteArray &data)
{
    QByteArray chunk(id, 4);
    chunk.resize(8);
    PutLE32(chunk, 4, uint32_t(data.size()));
    chunk += data;
    if (data.size() & 1)
        chunk += '\0';
    return chunk;
}
QByteArray List(const char *id, const char *type, const QByteArray &body) { return Chunk(id, QByteArray(type, 4) + body); }

QByteArray StreamList(const char *type)
{
    QByteArray strh(56, '\0');
    strh.replace(0, 4, type);
    PutLE32(strh, 20, 1);   // scale
    PutLE32(strh, 24, 25);  // rate
    return List("LIST", "strl", Chunk("strh", strh) + Chunk("strf", QByteArray(40, '\0')));
}

QByteArray MinimalAvi(const QByteArray &streamLists, const QByteArray &movi, const QByteArray &extra = {})
{
    const QByteArray hdrl = List("LIST", "hdrl", Chunk("avih", QByteArray(56, '\0')) + streamLists);
    return List("RIFF", "AVI ", hdrl + extra + List("LIST", "movi", movi));
}

class AviReaderTest : public ::testing::Test {
protected:
    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testsupport::WriteWholeFile(path, bytes));
        return path;
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(AviReaderTest, RealType1SampleGivesItsFramesThroughTheOpenDmlIndex)
{
    REQUIRE_SAMPLE(avi, "sony_ntsc_type1.avi");
    REQUIRE_SAMPLE(dv, "sony_ntsc_32k12_4ch.dv");
    const std::vector<QByteArray> frames = DvFrames(dv);
    ASSERT_EQ(frames.size(), 5u);
    auto opened = AviReader::Open(avi);
    ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
    const AviReader &reader = *opened.reader;

    EXPECT_EQ(reader.MainHeader().microSecPerFrame, 33366u);
    EXPECT_EQ(reader.MainHeader().totalFrames, 5u);
    EXPECT_EQ(reader.MainHeader().streams, 1u);
    EXPECT_EQ(reader.MainHeader().suggestedBufferSize, 120008u);
    EXPECT_EQ(reader.OdmlTotalFrames(), 5u);
    EXPECT_EQ(reader.RiffCount(), 1);
    EXPECT_EQ(reader.IndexSource(), AviIndexSource::OpenDml);
    EXPECT_FALSE(reader.Damaged());
    ASSERT_EQ(reader.Streams().size(), 1u);
    const AviStream &stream = reader.Streams()[0];
    EXPECT_EQ(stream.header.type, avi::kIavs);
    EXPECT_EQ(stream.header.handler, avi::kDvsd);
    EXPECT_EQ(stream.header.scale, 1001u);
    EXPECT_EQ(stream.header.rate, 30000u);
    EXPECT_EQ(stream.header.length, 5u);
    EXPECT_EQ(stream.header.suggestedBufferSize, 120008u);
    EXPECT_EQ(stream.rawHeader[0], 'i');
    EXPECT_TRUE(stream.hasSuperIndex);
    ASSERT_TRUE(stream.dvInfo);
    EXPECT_EQ(stream.dvInfo->aauxSrc, 0xc0c000c0u);  // the constants this capture program writes
    EXPECT_EQ(stream.dvInfo->vauxSrc, 0xff80ffffu);
    EXPECT_EQ(stream.dvInfo->vauxCtl, 0xfffcc83fu);
    EXPECT_FALSE(stream.bitmap);
    EXPECT_FALSE(stream.wave);
    EXPECT_EQ(reader.StreamDuration(0), 1668333);
    ASSERT_EQ(reader.ChunkCount(0), 5u);
    for (size_t n = 0; n < 5; ++n)
        EXPECT_EQ(ChunkBytes(reader, 0, n), frames[n]) << "frame " << n;
    EXPECT_EQ(reader.ChunkCount(1), 0u);
    EXPECT_FALSE(reader.ChunkSize(0, 5));
}

TEST_F(AviReaderTest, RealType2SampleGivesVideoAndSoundThroughIdx1)
{
    REQUIRE_SAMPLE(avi, "sony_ntsc_type2.avi");
    REQUIRE_SAMPLE(dv, "sony_ntsc_32k12_4ch.dv");
    const std::vector<QByteArray> frames = DvFrames(dv);
    auto opened = AviReader::Open(avi);
    ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
    const AviReader &reader = *opened.reader;

    EXPECT_EQ(reader.IndexSource(), AviIndexSource::Idx1);
    EXPECT_FALSE(reader.OdmlTotalFrames());
    ASSERT_EQ(reader.Streams().size(), 2u);
    EXPECT_EQ(reader.FindStream(avi::kVids), 0);
    EXPECT_EQ(reader.FindStream(avi::kAuds), 1);
    EXPECT_EQ(reader.FindStream(avi::kIavs), -1);
    const AviStream &video = reader.Streams()[0];
    EXPECT_EQ(video.header.handler, avi::kDvsd);
    ASSERT_TRUE(video.bitmap);
    EXPECT_EQ(video.bitmap->width, 720);
    EXPECT_EQ(video.bitmap->height, 480);
    EXPECT_EQ(video.bitmap->compression, avi::kDvsd);
    EXPECT_EQ(video.bitmap->sizeImage, 120000u);
    EXPECT_FALSE(video.dvInfo);  // a 40-byte format carries none
    const AviStream &audio = reader.Streams()[1];
    ASSERT_TRUE(audio.wave);
    EXPECT_EQ(audio.wave->channels, 2);
    EXPECT_EQ(audio.wave->samplesPerSec, 32000u);
    EXPECT_EQ(audio.wave->bitsPerSample, 16);
    EXPECT_EQ(audio.wave->blockAlign, 4);
    EXPECT_EQ(audio.header.scale, 4u);
    EXPECT_EQ(audio.header.rate, 128000u);
    EXPECT_EQ(audio.header.length, 5339u);

    ASSERT_EQ(reader.ChunkCount(0), 5u);
    for (size_t n = 0; n < 5; ++n)
        EXPECT_EQ(ChunkBytes(reader, 0, n), frames[n]) << "frame " << n;
    const uint32_t soundSizes[] = {4272, 4272, 4268, 4272, 4272};
    ASSERT_EQ(reader.ChunkCount(1), 5u);
    for (size_t n = 0; n < 5; ++n)
        EXPECT_EQ(reader.ChunkSize(1, n), soundSizes[n]);
    EXPECT_EQ(reader.StreamBytes(1), 5339u * 4);
    EXPECT_EQ(reader.StreamDuration(1), 1668437);  // 5339 samples at 32 kHz
    EXPECT_EQ(reader.MaxChunkSize(1), 4272u);
}

// Damaged copies of the real type 2 sample. Chunk headers: sound at 0x200,
// 0x1e780, 0x3cd00, 0x5b27c, 0x797fc; video at 0x12b8, 0x1f838, 0x3ddb4, 0x5c334,
// 0x7a8b4; idx1 at 0x97d7c (its first real entry at 0x97d94).
TEST_F(AviReaderTest, DamagedFilesAreReadUpToTheirLastWholeChunk)
{
    REQUIRE_SAMPLE(avi, "sony_ntsc_type2.avi");
    const QByteArray original = testsupport::ReadWholeFile(avi);
    ASSERT_EQ(original.size(), 622132);
    auto whole = AviReader::Open(avi);
    ASSERT_TRUE(whole.reader);

    struct Case {
        const char *name;
        std::function<void(QByteArray &)> damage;
        bool opens;
        size_t videoChunks;
        size_t soundChunks;
    } cases[] = {
        {"cut in the header", [](QByteArray &b) { b.truncate(0x100); }, false, 0, 0},
        {"cut before the movi list", [](QByteArray &b) { b.truncate(0x1f4); }, false, 0, 0},
        {"cut in the third sound chunk", [](QByteArray &b) { b.truncate(0x3cd00 + 100); }, true, 2, 2},
        {"cut in the third frame", [](QByteArray &b) { b.truncate(0x3ddb4 + 8 + 5000); }, true, 2, 3},
        {"cut in the index", [](QByteArray &b) { b.truncate(0x97d7c + 8 + 50); }, true, 5, 5},
        {"index lost", [](QByteArray &b) { b.truncate(0x97d7c); }, true, 5, 5},
        {"RIFF size past the end", [](QByteArray &b) { PutLE32(b, 4, 0x7ffffff0); }, true, 5, 5},
        {"movi size past the end", [](QByteArray &b) { PutLE32(b, 0x1f8, 0xfffffff0); }, true, 5, 5},
        {"frame size past the end, no index",
         [](QByteArray &b) {
             b.truncate(0x97d7c);
             PutLE32(b, 0x3ddb4 + 4, 0x7ffffff0);
         },
         true, 2, 3},
        {"index entry past the end", [](QByteArray &b) { PutLE32(b, 0x97d94 + 16 * 3 + 8, 0x7ffffff0); }, true, 5, 5},
        {"index entry size past the end", [](QByteArray &b) { PutLE32(b, 0x97d94 + 16 * 5 + 12, 0xfffffff0); }, true, 5, 5},
        {"absurd stream count", [](QByteArray &b) { PutLE32(b, 0x20 + 24, 0xffffffff); }, true, 5, 5},
        {"stream format larger than its list", [](QByteArray &b) { PutLE32(b, 0x124, 0xffffff00); }, true, 5, 5},
        {"header list larger than the file", [](QByteArray &b) { PutLE32(b, 0x10, 0xfffffff0); }, false, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = original;
        c.damage(bytes);
        auto opened = AviReader::Open(Write(QStringLiteral("damaged.avi"), bytes));
        if (!c.opens) {
            EXPECT_FALSE(opened.reader);
            EXPECT_FALSE(opened.error.isEmpty());
            continue;
        }
        ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
        const AviReader &reader = *opened.reader;
        EXPECT_TRUE(reader.Damaged() || c.videoChunks == 5);
        ASSERT_EQ(reader.Streams().size(), 2u);
        ASSERT_EQ(reader.ChunkCount(0), c.videoChunks);
        ASSERT_EQ(reader.ChunkCount(1), c.soundChunks);
        for (int stream = 0; stream < 2; ++stream) {
            for (size_t n = 0; n < reader.ChunkCount(stream); ++n) {
                AviChunkResult read;
                EXPECT_EQ(ChunkBytes(reader, stream, n, &read), ChunkBytes(*whole.reader, stream, n))
                    << "stream " << stream << " chunk " << n << ": " << qPrintable(read.error);
            }
        }
    }
}

TEST_F(AviReaderTest, IndexThatPointsElsewhereGivesAClearFailureForThatChunk)
{
    REQUIRE_SAMPLE(avi, "sony_ntsc_type2.avi");
    QByteArray bytes = testsupport::ReadWholeFile(avi);
    const qsizetype secondFrameOffset = 0x97d94 + 16 * 3 + 8;
    PutLE32(bytes, secondFrameOffset, ReadLE32(reinterpret_cast<const uint8_t *>(bytes.constData()) + secondFrameOffset) + 1000);
    auto opened = AviReader::Open(Write(QStringLiteral("lying.avi"), bytes));
    ASSERT_TRUE(opened.reader);
    ASSERT_EQ(opened.reader->ChunkCount(0), 5u);
    AviChunkResult read;
    EXPECT_TRUE(ChunkBytes(*opened.reader, 0, 1, &read).isEmpty());
    EXPECT_FALSE(read.ok);
    EXPECT_FALSE(read.error.isEmpty());
    EXPECT_FALSE(ChunkBytes(*opened.reader, 0, 2).isEmpty());

    std::vector<uint8_t> small(100);
    EXPECT_FALSE(opened.reader->ReadChunk(0, 0, small).ok);
    EXPECT_FALSE(opened.reader->ReadChunk(0, 5, small).ok);
    EXPECT_FALSE(opened.reader->ReadChunk(7, 0, small).ok);
    EXPECT_FALSE(opened.reader->ReadChunk(-1, 0, small).ok);
}

TEST_F(AviReaderTest, Idx1OffsetsFromTheStartOfTheFileAreRecognised)
{
    REQUIRE_SAMPLE(avi, "sony_ntsc_type2.avi");
    QByteArray bytes = testsupport::ReadWholeFile(avi);
    const qsizetype moviCode = 0x1fc;
    for (qsizetype entry = 0x97d84; entry + 16 <= bytes.size(); entry += 16) {
        const uint32_t offset = ReadLE32(reinterpret_cast<const uint8_t *>(bytes.constData()) + entry + 8);
        PutLE32(bytes, entry + 8, offset + moviCode);
    }
    auto absolute = AviReader::Open(Write(QStringLiteral("absolute.avi"), bytes));
    auto relative = AviReader::Open(avi);
    ASSERT_TRUE(absolute.reader && relative.reader);
    EXPECT_EQ(absolute.reader->IndexSource(), AviIndexSource::Idx1);
    EXPECT_FALSE(absolute.reader->Damaged());
    for (int stream = 0; stream < 2; ++stream) {
        ASSERT_EQ(absolute.reader->ChunkCount(stream), 5u);
        for (size_t n = 0; n < 5; ++n) {
            AviChunkResult read;
            EXPECT_EQ(ChunkBytes(*absolute.reader, stream, n, &read), ChunkBytes(*relative.reader, stream, n))
                << qPrintable(read.error);
        }
    }
}

// Damaged OpenDML indexes of the real type 1 sample: super index at 0xd4 (its
// entry at 0xec), standard index 'ix00' at 0x8000.
TEST_F(AviReaderTest, DamagedOpenDmlIndexFallsBackToWhatIsThere)
{
    REQUIRE_SAMPLE(avi, "sony_ntsc_type1.avi");
    REQUIRE_SAMPLE(dv, "sony_ntsc_32k12_4ch.dv");
    const std::vector<QByteArray> frames = DvFrames(dv);
    const QByteArray original = testsupport::ReadWholeFile(avi);
    struct Case {
        const char *name;
        std::function<void(QByteArray &)> damage;
    } cases[] = {
        {"super index entry past the end", [](QByteArray &b) { PutLE32(b, 0xec + 4, 0x7f); }},
        {"super index claims every entry", [](QByteArray &b) { PutLE32(b, 0xd4 + 4, 0xffffffff); }},
        {"standard index claims every entry", [](QByteArray &b) { PutLE32(b, 0x8008 + 4, 0xffffffff); }},
        {"standard index base past the end", [](QByteArray &b) { PutLE32(b, 0x8008 + 16, 0x7f); }},  // high half of qwBaseOffset
        {"standard index is no index", [](QByteArray &b) { b[0x8008 + 3] = 0x7f; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = original;
        c.damage(bytes);
        auto opened = AviReader::Open(Write(QStringLiteral("odml.avi"), bytes));
        ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
        ASSERT_EQ(opened.reader->ChunkCount(0), 5u);
        for (size_t n = 0; n < 5; ++n)
            EXPECT_EQ(ChunkBytes(*opened.reader, 0, n), frames[n]) << "frame " << n;
    }
}

TEST_F(AviReaderTest, EveryCutOfAMultiRiffFileGivesAPrefixOfItsFrames)
{
    AviWriterSettings settings;
    settings.audio.push_back({32000, 2});
    settings.firstRiffLimit = 400'000;
    settings.riffLimit = 400'000;
    std::vector<QByteArray> frames;
    std::vector<std::vector<QByteArray>> sound;
    for (uint32_t n = 0; n < 8; ++n) {
        frames.push_back(SyntheticFrame(144000, n));
        sound.push_back({SyntheticPcm(1280 * 4, n, 0)});
    }
    const QString path = dir.filePath(QStringLiteral("multi.avi"));
    ASSERT_TRUE(WriteAvi(path, settings, frames, sound).ok);
    const QByteArray original = testsupport::ReadWholeFile(path);
    {
        auto opened = AviReader::Open(path);
        ASSERT_TRUE(opened.reader);
        EXPECT_GE(opened.reader->RiffCount(), 3);
        EXPECT_EQ(opened.reader->ChunkCount(0), 8u);
    }

    size_t lastCount = 0;
    for (qsizetype cut = 0; cut < original.size(); cut += 997) {
        auto opened = AviReader::Open(Write(QStringLiteral("cut.avi"), original.left(cut)));
        if (!opened.reader) {
            EXPECT_FALSE(opened.error.isEmpty());
            continue;
        }
        const AviReader &reader = *opened.reader;
        const size_t count = reader.ChunkCount(0);
        ASSERT_LE(count, frames.size()) << "cut at " << cut;
        EXPECT_GE(count, lastCount) << "cut at " << cut;
        EXPECT_LE(uint64_t(count) * 144008, uint64_t(cut));
        lastCount = count;
        for (size_t n = 0; n < count; ++n)
            ASSERT_EQ(ChunkBytes(reader, 0, n), frames[n]) << "cut at " << cut << ", frame " << n;
        for (size_t n = 0; n < reader.ChunkCount(1); ++n)
            ASSERT_EQ(ChunkBytes(reader, 1, n), sound[n][0]) << "cut at " << cut << ", sound " << n;
    }
    EXPECT_GE(lastCount, 7u);
}

// What a writer leaves when the program dies: the flushed part of its temporary
// file, with the sizes of the last RIFF chunk and its movi list still 0 and the
// OpenDML indexes still empty.
TEST_F(AviReaderTest, UnfinishedWriterOutputIsReadUpToItsLastWholeFrame)
{
    AviWriterSettings settings;
    settings.audio.push_back({48000, 2});
    settings.firstRiffLimit = 1'000'000;
    settings.riffLimit = 1'000'000;
    AviCreateResult created = AviWriter::Create(dir.filePath(QStringLiteral("unfinished.avi")), settings);
    ASSERT_TRUE(created.writer);
    std::vector<QByteArray> frames;
    std::vector<QByteArray> sound;
    for (uint32_t n = 0; n < 40; ++n) {
        frames.push_back(SyntheticFrame(144000, n));
        sound.push_back(SyntheticPcm(1920 * 4, n, 0));
        const ByteSpan chunks[] = {ByteSpan(reinterpret_cast<const uint8_t *>(sound.back().constData()), 1920 * 4)};
        ASSERT_TRUE(created.writer->WriteFrame(ByteSpan(reinterpret_cast<const uint8_t *>(frames.back().constData()), 144000), chunks).ok);
    }
    const QByteArray left = testsupport::ReadWholeFile(created.writer->TemporaryPath());
    created.writer->Discard();
    ASSERT_GT(left.size(), 3'000'000);  // at least one buffer was flushed

    auto opened = AviReader::Open(Write(QStringLiteral("left.avi"), left));
    ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
    const AviReader &reader = *opened.reader;
    EXPECT_TRUE(reader.Damaged());
    EXPECT_GE(reader.RiffCount(), 4);
    const size_t count = reader.ChunkCount(0);
    EXPECT_GE(count, size_t(left.size()) / (144008 + 7688) - 1);
    for (size_t n = 0; n < count; ++n)
        ASSERT_EQ(ChunkBytes(reader, 0, n), frames[n]) << "frame " << n;
    for (size_t n = 0; n < reader.ChunkCount(1); ++n)
        ASSERT_EQ(ChunkBytes(reader, 1, n), sound[n]) << "sound " << n;
}

TEST_F(AviReaderTest, HostileStructuresAreBounded)
{
    QByteArray manyStreams;
    for (int i = 0; i < 150; ++i)
        manyStreams += StreamList("vids");
    const QByteArray frame = Chunk("00dc", QByteArray(16, 'x'));

    QByteArray deepRec = frame;
    for (int depth = 0; depth < 200; ++depth)
        deepRec = List("LIST", "rec ", deepRec);
    const QByteArray shallowRec = List("LIST", "rec ", List("LIST", "rec ", frame));

    QByteArray manyInfo;
    for (int i = 0; i < 1000; ++i)
        manyInfo += Chunk("ICMT", QByteArray("note"));
    const QByteArray info = List("LIST", "INFO", manyInfo + Chunk("IQNR", QByteArray("\xe9t\xe9", 3)));

    QByteArray garbage(100000, '\0');
    for (qsizetype i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 2654435761u) >> 13);
    garbage.replace(0, 4, "RIFF");
    garbage.replace(8, 4, "AVI ");

    struct Case {
        const char *name;
        QByteArray bytes;
        bool opens;
        size_t streams;
        size_t chunks;
    } cases[] = {
        {"empty file", QByteArray(), false, 0, 0},
        {"seven bytes", QByteArray("RIFF\0\0\0", 7), false, 0, 0},
        {"a WAVE file", List("RIFF", "WAVE", Chunk("fmt ", QByteArray(16, '\0'))), false, 0, 0},
        {"no stream", MinimalAvi({}, frame), false, 0, 0},
        {"150 stream lists", MinimalAvi(manyStreams, frame), true, AviReader::kMaxStreams, 1},
        {"rec lists nested 200 deep", MinimalAvi(StreamList("vids"), deepRec), true, 1, 0},
        {"rec lists nested twice", MinimalAvi(StreamList("vids"), shallowRec + frame), true, 1, 2},
        {"chunk of a stream that does not exist", MinimalAvi(StreamList("vids"), Chunk("07dc", QByteArray(8, 'x'))), true, 1, 0},
        {"1001 INFO texts", MinimalAvi(StreamList("vids"), frame, info), true, 1, 1},
        {"garbage after the form", garbage, false, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto opened = AviReader::Open(Write(QStringLiteral("hostile.avi"), c.bytes));
        if (!c.opens) {
            EXPECT_FALSE(opened.reader);
            EXPECT_FALSE(opened.error.isEmpty());
            continue;
        }
        ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
        EXPECT_EQ(opened.reader->Streams().size(), c.streams);
        EXPECT_EQ(opened.reader->ChunkCount(0), c.chunks);
        EXPECT_LE(opened.reader->InfoEntries().size(), AviReader::kMaxInfoEntries);
    }
    EXPECT_FALSE(AviReader::Open(dir.filePath(QStringLiteral("absent.avi"))).reader);
    EXPECT_FALSE(AviReader::Open(dir.path()).reader);
}

TEST_F(AviReaderTest, InfoTextsFallBackToWindows1252)
{
    const QByteArray info = List("LIST", "INFO",
                                 Chunk("IQNR", QByteArray("caf\xc3\xa9\0", 6)) + Chunk("ICMT", QByteArray("\x80 5 caf\xe9\0", 9)));
    auto opened = AviReader::Open(Write(QStringLiteral("info.avi"),
                                        MinimalAvi(StreamList("vids"), Chunk("00dc", QByteArray(4, 'x')), info)));
    ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
    EXPECT_EQ(opened.reader->InfoText(MakeFourCC("IQNR")), QStringLiteral("café"));
    EXPECT_EQ(opened.reader->InfoText(MakeFourCC("ICMT")), QStringLiteral("€ 5 café"));
}
