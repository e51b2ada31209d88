#include "formats/aviinfo.h"

#include "formats/bytes.h"
#include "formats/fourcctext.h"
#include "support/avifixtures.h"
#include "support/riffbuilder.h"
#include "support/testsupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <functional>

using namespace testsupport;

namespace {

TFriendlyAviParam Walk(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return TFriendlyAviParam(buffer);
}

QString TypeOf(const TAvistream &stream)
{
    return FourCCToText(stream.Type());
}

// A RIFF "AVI " whose hdrl holds the given chunks, then a small movi list.
QByteArray AviWithHeaderList(const std::function<void(RiffBuilder &)> &headerChunks)
{
    RiffBuilder b;
    b.Riff("AVI ").List("hdrl").Chunk("avih", AviMainHeader(1, 1));
    headerChunks(b);
    b.End().List("movi").Chunk("00dc", QByteArray(16, 'x')).End().End();
    return b.Bytes();
}

void VideoStreamList(RiffBuilder &b, const char *handler = "dvsd")
{
    b.List("strl")
        .Chunk("strh", AviStreamHeader("vids", handler, 1001, 30000, 1))
        .Chunk("strf", AviBitmapFormat(handler, 720, 480))
        .End();
}

}  // namespace

TEST(AviInfo, WalksType1AndType2Headers)
{
    struct Case {
        int type;
        std::vector<QString> streamTypes;
        int video, audio;
    } cases[] = {
        {1, {"iavs"}, 0, -1},
        {2, {"vids", "auds"}, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        const DvAvi avi = BuildDvAvi({.type = c.type});
        const TFriendlyAviParam p = Walk(avi.bytes);
        EXPECT_TRUE(p.valid);
        EXPECT_FALSE(p.openDml);
        ASSERT_EQ(p.streams.size(), c.streamTypes.size());
        for (size_t i = 0; i < c.streamTypes.size(); ++i)
            EXPECT_EQ(TypeOf(p.streams[i]), c.streamTypes[i]);
        EXPECT_EQ(p.videoStream, c.video);
        EXPECT_EQ(p.audioStream, c.audio);
        EXPECT_EQ(p.GetCodec(), "dvsd");
        ASSERT_NE(p.VideoStream(), nullptr);
        EXPECT_EQ(ReadLE32(p.mainHeader.data() + 24), c.streamTypes.size());  // avih stream count
        EXPECT_EQ(p.moviPosition, avi.moviPositions.front());
        EXPECT_EQ(p.idx1Position, avi.idx1Data);
        EXPECT_EQ(p.VideoStream()->indexPosition, 0);
    }
    const TFriendlyAviParam type2 = Walk(BuildDvAvi({.type = 2}).bytes);
    EXPECT_EQ(FourCCToText(ReadLE32(type2.streams[0].format.data() + 16)), "dvsd");  // bitmap compression
    EXPECT_EQ(ReadLE16(type2.streams[1].format.data() + 2), 2);                       // wave channels
    EXPECT_EQ(ReadLE32(type2.streams[1].format.data() + 4), 48000u);
}

TEST(AviInfo, ReportsTheHandlerOfTheVideoStream)
{
    EXPECT_EQ(Walk(BuildDvAvi({.type = 2, .handler = "CDVC"}).bytes).GetCodec(), "CDVC");
    EXPECT_EQ(Walk(BuildDvAvi({.type = 1, .handler = "CDVC"}).bytes).GetCodec(), "CDVC");

    const QByteArray soundOnly = AviWithHeaderList([](RiffBuilder &b) {
        b.List("strl").Chunk("strh", AviStreamHeader("auds", "", 1, 48000, 1)).Chunk("strf", AviWaveFormat(2, 48000, 16)).End();
    });
    const TFriendlyAviParam p = Walk(soundOnly);
    EXPECT_TRUE(p.valid);
    EXPECT_EQ(p.audioStream, 0);
    EXPECT_EQ(p.VideoStream(), nullptr);
    EXPECT_EQ(p.GetCodec(), "####");

    // The first video stream counts, not the last.
    const TFriendlyAviParam two = Walk(AviWithHeaderList([](RiffBuilder &b) {
        VideoStreamList(b, "dvsd");
        VideoStreamList(b, "CDVC");
    }));
    EXPECT_EQ(two.videoStream, 0);
    EXPECT_EQ(two.GetCodec(), "dvsd");
}

TEST(AviInfo, WalksOpenDmlFilesToTheirLastRiffChunk)
{
    const DvAvi avi = BuildDvAvi({.type = 2, .avixChunks = 2});
    ASSERT_EQ(avi.moviPositions.size(), 3u);
    const TFriendlyAviParam p = Walk(avi.bytes);
    EXPECT_TRUE(p.valid);
    EXPECT_TRUE(p.openDml);
    EXPECT_EQ(p.moviPosition, avi.moviPositions.back());
    EXPECT_EQ(ReadLE32(p.openDmlHeader.data()), 9u);  // total frames of the three RIFF chunks
    ASSERT_EQ(p.streams.size(), 2u);
    // indx follows strh (56) and strf (40 or 18) in each stream list.
    EXPECT_EQ(p.streams[0].indexPosition, avi.streamFormatData[0] + 40 + 8 + 24);
    EXPECT_EQ(FourCCToText(ReadLE32(p.streams[0].index.data() + 8)), "00dc");
    EXPECT_EQ(FourCCToText(ReadLE32(p.streams[1].index.data() + 8)), "01wb");
}

TEST(AviInfo, TruncatedFiles)
{
    // Cut inside the movi list of the first RIFF chunk: its size exceeds the file.
    const DvAvi plain = BuildDvAvi({.type = 2});
    const QByteArray cutInMovi = plain.bytes.left(plain.moviPositions.front() + 200);
    const TFriendlyAviParam cut = Walk(cutInMovi);
    EXPECT_FALSE(cut.valid);

    // Cut inside the last AVIX chunk: the chunks before it were walked.
    const DvAvi odml = BuildDvAvi({.type = 2, .avixChunks = 2});
    const TFriendlyAviParam cutAvix = Walk(odml.bytes.left(odml.moviPositions.back() + 10));
    EXPECT_TRUE(cutAvix.valid);
    EXPECT_EQ(cutAvix.moviPosition, odml.moviPositions[1]);

    EXPECT_FALSE(TFriendlyAviParam(QStringLiteral("/nonexistent/file.avi")).valid);
    EXPECT_FALSE(Walk(QByteArray()).valid);
    EXPECT_FALSE(Walk(QByteArray("RIFF")).valid);
}

TEST(AviInfo, ReadsStreamHeadersForTheirFirst56Bytes)
{
    QByteArray longHeader = AviStreamHeader("vids", "dvsd", 1001, 30000, 1) + QByteArray(8, '\xEE');
    const TFriendlyAviParam p = Walk(AviWithHeaderList([&](RiffBuilder &b) {
        b.List("strl").Chunk("strh", longHeader).Chunk("strf", AviBitmapFormat("dvsd", 720, 480)).End();
    }));
    ASSERT_EQ(p.streams.size(), 1u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(p.streams[0].header.data()), 56), longHeader.left(56));
    // The strf header was found after the 8 remaining bytes.
    EXPECT_EQ(ReadLE32(p.streams[0].format.data()), 40u);
    EXPECT_EQ(FourCCToText(ReadLE32(p.streams[0].format.data() + 16)), "dvsd");
}

TEST(AviInfo, CutsChunksLongerThanTheirArea)
{
    // Real bytes beyond the area: the area keeps its first bytes, the walk goes on after the chunk.
    QByteArray bigMain(200, '\0');
    PutLE32(bigMain, 24, 1);
    bigMain[199] = '\x7F';
    QByteArray bigFormat = AviBitmapFormat("dvsd", 720, 480) + QByteArray(160, '\x55');
    const TFriendlyAviParam real = Walk(AviWithHeaderList([&](RiffBuilder &b) {
        b.Chunk("avih", bigMain);
        b.List("strl")
            .Chunk("strh", AviStreamHeader("vids", "dvsd", 1001, 30000, 1))
            .Chunk("strf", bigFormat)
            .Chunk("indx", AviSuperIndex("00dc", 2) + QByteArray(300, '\x33'))
            .End();
        b.List("odml").Chunk("dmlh", QByteArray(1000, '\x22')).End();
    }));
    EXPECT_TRUE(real.valid);
    EXPECT_EQ(ReadLE32(real.mainHeader.data() + 24), 1u);
    ASSERT_EQ(real.streams.size(), 1u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(real.streams[0].format.data()), 84), bigFormat.left(84));
    EXPECT_EQ(FourCCToText(ReadLE32(real.streams[0].index.data() + 8)), "00dc");
    EXPECT_TRUE(real.openDml);
    EXPECT_EQ(real.openDmlHeader[247], 0x22);

    // Declared sizes of a megabyte inside small lists: each is cut at the end of
    // its list, and the lists after it are still walked.
    struct Case {
        const char *what;
        size_t streams;
        const char *lastHandler;
        std::function<void(RiffBuilder &)> chunks;
    } cases[] = {
        {"strf", 2, "CDVC", [](RiffBuilder &b) {
             b.List("strl").Chunk("strh", AviStreamHeader("vids", "dvsd", 1, 25, 1))
                 .ChunkDeclaring("strf", 1 << 20, AviBitmapFormat("dvsd", 720, 576)).End();
         }},
        {"strh", 2, "CDVC", [](RiffBuilder &b) {
             b.List("strl").ChunkDeclaring("strh", 1 << 20, AviStreamHeader("vids", "dvsd", 1, 25, 1)).End();
         }},
        {"indx", 2, "CDVC", [](RiffBuilder &b) {
             b.List("strl").Chunk("strh", AviStreamHeader("vids", "dvsd", 1, 25, 1))
                 .ChunkDeclaring("indx", 1 << 20, AviSuperIndex("00dc", 1)).End();
         }},
        {"short indx", 2, "CDVC", [](RiffBuilder &b) {
             b.List("strl").Chunk("strh", AviStreamHeader("vids", "dvsd", 1, 25, 1))
                 .Chunk("indx", QByteArray(40, '\0')).End();
         }},
        {"dmlh", 1, "CDVC", [](RiffBuilder &b) { b.List("odml").ChunkDeclaring("dmlh", 1 << 20, QByteArray(248, '\0')).End(); }},
        {"strl", 1, "dvsd", [](RiffBuilder &b) {
             b.ChunkDeclaring("LIST", 1 << 20, QByteArray("strl"));
             b.Chunk("strh", AviStreamHeader("vids", "dvsd", 1, 25, 1));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TFriendlyAviParam p = Walk(AviWithHeaderList([&](RiffBuilder &b) {
            c.chunks(b);
            VideoStreamList(b, "CDVC");
        }));
        EXPECT_TRUE(p.valid);
        ASSERT_EQ(p.streams.size(), c.streams);
        EXPECT_EQ(FourCCToText(p.streams.back().Handler()), c.lastHandler);
    }

    // An avih declaring a megabyte swallows the rest of the header list, nothing more.
    RiffBuilder b;
    b.Riff("AVI ").List("hdrl").ChunkDeclaring("avih", 1 << 20, AviMainHeader(1, 1));
    VideoStreamList(b);
    b.End().List("movi").Chunk("00dc", QByteArray(16, 'x')).End().End();
    const TFriendlyAviParam swallowed = Walk(b.Bytes());
    EXPECT_TRUE(swallowed.valid);
    EXPECT_TRUE(swallowed.streams.empty());
    EXPECT_EQ(swallowed.GetCodec(), "####");
    EXPECT_GT(swallowed.moviPosition, 0);
}

TEST(AviInfo, SizesPointingPastTheirContainer)
{
    const DvAvi avi = BuildDvAvi({.type = 2});
    const qsizetype hdrlSize = 16;           // size field of the hdrl LIST
    const qsizetype moviSize = avi.moviPositions.front() - 8;
    struct Case {
        const char *what;
        qsizetype offset;
        uint32_t size;
        bool valid;
    } cases[] = {
        {"RIFF past the file", 4, 0xFFFFFFF0u, false},
        {"RIFF one byte too long", 4, static_cast<uint32_t>(avi.bytes.size() - 7), false},
        {"hdrl past the RIFF", hdrlSize, 0xFFFFFFFFu, false},
        {"movi past the RIFF", moviSize, 0x7FFFFFFFu, false},
        {"strh past the file", avi.streamHeaderData[0] - 4, 0xFFFFFFFFu, true},
        {"strl past the hdrl", avi.streamHeaderData[0] - 16, 0xFFFFFFFFu, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes = avi.bytes;
        PutLE32(bytes, c.offset, c.size);
        EXPECT_EQ(Walk(bytes).valid, c.valid);
    }
    QByteArray notRiff = avi.bytes;
    notRiff.replace(0, 4, "RIFX");
    EXPECT_FALSE(Walk(notRiff).valid);
    QByteArray notAvi = avi.bytes;
    notAvi.replace(8, 4, "WAVE");
    EXPECT_FALSE(Walk(notAvi).valid);
}

TEST(AviInfo, CapsTheStreamsRecorded)
{
    const TFriendlyAviParam p = Walk(AviWithHeaderList([](RiffBuilder &b) {
        for (int i = 0; i < 200; ++i)
            b.List("strl").Chunk("strh", AviStreamHeader(i == 150 ? "vids" : "auds", "dvsd", 1, 25, 1)).End();
    }));
    EXPECT_TRUE(p.valid);
    EXPECT_EQ(p.streams.size(), static_cast<size_t>(TAviParam::kMaxStreams));
    EXPECT_EQ(p.audioStream, 0);
    EXPECT_EQ(p.videoStream, -1);  // beyond the cap
    // A main header claiming a billion streams allocates nothing for them.
    QByteArray claim = AviMainHeader(1000000000u, 1);
    const TFriendlyAviParam q = Walk(AviWithHeaderList([&](RiffBuilder &b) { b.Chunk("avih", claim); }));
    EXPECT_TRUE(q.streams.empty());
}

TEST(AviInfo, FollowsPadBytesAfterOddChunks)
{
    RiffBuilder b;
    b.Riff("AVI ").List("hdrl").Chunk("avih", AviMainHeader(1, 1));
    b.List("strl")
        .Chunk("strh", AviStreamHeader("vids", "dvsd", 1001, 30000, 1))
        .Chunk("strd", QByteArray(3, 'a'))
        .Chunk("strf", AviBitmapFormat("dvsd", 720, 480))
        .Chunk("strn", QByteArray("odd name", 9))
        .End();
    b.Chunk("JUNK", QByteArray(5, '\0')).End();
    b.Chunk("JUNK", QByteArray(7, '\0'));
    b.List("movi");
    const qsizetype movi = b.Size();
    b.Chunk("00dc", QByteArray(121, 'x')).End();
    b.Chunk("idx1", QByteArray(16, '\0')).End();
    const TFriendlyAviParam p = Walk(b.Bytes());
    EXPECT_TRUE(p.valid);
    ASSERT_EQ(p.streams.size(), 1u);
    EXPECT_EQ(FourCCToText(ReadLE32(p.streams[0].format.data() + 16)), "dvsd");
    EXPECT_EQ(p.moviPosition, movi);
    EXPECT_GT(p.idx1Position, movi);
}

// Every cut and every lying size word of a header must end the walk cleanly
// (run under the sanitizers this also proves no read leaves its area).
TEST(AviInfo, SurvivesEveryCutAndCorruptedSizeOfTheHeaders)
{
    const DvAvi avi = BuildDvAvi({.type = 2, .frames = 1, .avixChunks = 1});
    for (qsizetype n = 0; n <= avi.bytes.size(); ++n) {
        const TFriendlyAviParam p = Walk(avi.bytes.left(n));
        ASSERT_LE(p.streams.size(), 2u) << n;
        ASSERT_LE(p.moviPosition, n);
    }
    for (qsizetype offset = 0; offset + 4 <= avi.moviPositions.front(); ++offset) {
        for (uint32_t size : {0u, 1u, 3u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            QByteArray bytes = avi.bytes;
            PutLE32(bytes, offset, size);
            const TFriendlyAviParam p = Walk(bytes);
            ASSERT_LE(p.moviPosition, bytes.size()) << offset;
            ASSERT_LE(p.idx1Position, bytes.size()) << offset;
        }
    }
}

TEST(AviInfo, RealSamples)
{
    REQUIRE_TOOL("ffprobe");
    struct Case {
        const char *name;
        std::vector<QString> streamTypes;
        bool openDml;
        int64_t movi, idx1;
    } cases[] = {
        {"sony_ntsc_type1.avi", {"iavs"}, true, 32756 + 12, 665064 + 8},
        {"sony_ntsc_type2.avi", {"vids", "auds"}, false, 500 + 12, 621948 + 8},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        REQUIRE_SAMPLE(path, c.name);
        const TFriendlyAviParam p(path);
        EXPECT_TRUE(p.valid);
        EXPECT_EQ(p.GetCodec(), "dvsd");
        ASSERT_EQ(p.streams.size(), c.streamTypes.size());
        for (size_t i = 0; i < c.streamTypes.size(); ++i)
            EXPECT_EQ(TypeOf(p.streams[i]), c.streamTypes[i]);
        EXPECT_EQ(p.openDml, c.openDml);
        EXPECT_EQ(p.moviPosition, c.movi);
        EXPECT_EQ(p.idx1Position, c.idx1);
    }
    // ffprobe agrees on the video codec tag of the type 2 file (it reports no tag for iavs).
    REQUIRE_SAMPLE(type2, "sony_ntsc_type2.avi");
    const ProcessResult probe = testsupport::Run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                                "stream=codec_tag_string", "-of", "default=nw=1:nk=1", type2});
    ASSERT_EQ(probe.exitCode, 0) << probe.err.constData();
    EXPECT_EQ(QString::fromLatin1(probe.out).trimmed(), TFriendlyAviParam(type2).GetCodec());
}
