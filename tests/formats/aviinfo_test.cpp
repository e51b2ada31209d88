#include "formats/aviinfo.h"

#include "support/riffbuilder.h"
#include "support/testsupport.h"

#include <QBuffer>

using namespace riff;

namespace {

TFriendlyAviParam Walk(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return TFriendlyAviParam(buffer);
}

}  // namespace

TEST(AviInfo, ReportsStreamsAndCodecOfBothDvTypes)
{
    const TFriendlyAviParam type1 = Walk(Avi(Type1StreamList()));
    EXPECT_TRUE(type1.valid);
    ASSERT_EQ(type1.streams.size(), 1u);
    EXPECT_EQ(type1.videoStream, 0);
    EXPECT_EQ(type1.audioStream, -1);
    EXPECT_EQ(type1.GetCodec(), "dvsd");

    const TFriendlyAviParam type2 = Walk(Avi(Type2StreamLists("CDVC", "dvsd")));
    EXPECT_TRUE(type2.valid);
    ASSERT_EQ(type2.streams.size(), 2u);
    EXPECT_EQ(type2.videoStream, 0);
    EXPECT_EQ(type2.audioStream, 1);
    EXPECT_EQ(type2.GetCodec(), "CDVC");
    EXPECT_EQ(type2.VideoStream(), &type2.streams[0]);
    EXPECT_NE(type2.idx1Position, 0);
    EXPECT_NE(type2.moviPosition, 0);
}

TEST(AviInfo, NoVideoStreamGivesHashes)
{
    const QByteArray audioOnly = List("LIST", "strl", Chunk("strh", StreamHeader("auds", "\0\0\0\0")));
    const TFriendlyAviParam param = Walk(Avi(audioOnly));
    EXPECT_TRUE(param.valid);
    EXPECT_EQ(param.VideoStream(), nullptr);
    EXPECT_EQ(param.GetCodec(), "####");
}

TEST(AviInfo, OpenDmlFileOfSeveralRiffChunks)
{
    const QByteArray odml = List("LIST", "odml", Chunk("dmlh", QByteArray(248, '\7')));
    QByteArray first = Avi(Type2StreamLists() + odml);
    const QByteArray avix = List("RIFF", "AVIX", List("LIST", "movi", Chunk("00dc", QByteArray(16, 'x'))));
    const QByteArray file = first + avix + avix;
    const TFriendlyAviParam param = Walk(file);
    EXPECT_TRUE(param.valid);
    EXPECT_TRUE(param.openDml);
    EXPECT_EQ(param.openDmlHeader[0], 7);
    // The movi position is that of the last RIFF chunk: just after its "movi" code.
    EXPECT_EQ(param.moviPosition, file.size() - avix.size() + 12 + 12);
}

TEST(AviInfo, StreamHeaderLongerThan56BytesIsReadFor56AndTheNextChunkFound)
{
    QByteArray strh = StreamHeader("vids", "dvsd") + QByteArray(8, '\xEE');
    const QByteArray strl = List("LIST", "strl", Chunk("strh", strh) + Chunk("strf", BitmapHeader("CDVC")));
    const TFriendlyAviParam param = Walk(Avi(strl));
    ASSERT_TRUE(param.valid);
    ASSERT_EQ(param.streams.size(), 1u);
    EXPECT_EQ(param.GetCodec(), "dvsd");
    EXPECT_EQ(ReadLE32(param.streams[0].format.data() + 16), MakeFourCC("CDVC"));
}

TEST(AviInfo, OversizedHeadersAreCutToTheirAreas)
{
    // A 200 000-byte avih and a 5000-byte strf must fill only their 64- and 84-byte areas.
    const QByteArray strl = List("LIST", "strl", Chunk("strh", StreamHeader("vids", "dvsd"))
                                                     + Chunk("strf", QByteArray(5000, '\x55'))
                                                     + Chunk("indx", QByteArray(4000, '\x66')));
    const QByteArray hdrl = List("LIST", "hdrl", Chunk("avih", QByteArray(200000, '\x44')) + strl);
    const QByteArray file = List("RIFF", "AVI ", hdrl + List("LIST", "movi", QByteArray()));
    const TFriendlyAviParam param = Walk(file);
    EXPECT_TRUE(param.valid);
    EXPECT_EQ(param.mainHeader.back(), 0x44);
    ASSERT_EQ(param.streams.size(), 1u);
    EXPECT_EQ(param.streams[0].format.back(), 0x55);
    EXPECT_EQ(param.streams[0].index.back(), 0x66);
    EXPECT_EQ(param.GetCodec(), "dvsd");
}

TEST(AviInfo, DamagedFilesEndTheWalkWithoutHarm)
{
    const QByteArray good = Avi(Type2StreamLists(), 50);
    struct Case {
        const char *what;
        QByteArray bytes;
        bool valid;
    };
    QByteArray lyingRiff = good;
    lyingRiff.replace(4, 4, U32(0xFFFFFFF0));
    QByteArray lyingStrh = good;
    const int strh = lyingStrh.indexOf("strh");
    lyingStrh.replace(strh + 4, 4, U32(0x7FFFFFFF));
    QByteArray manyStreams;
    for (int i = 0; i < 5000; ++i)
        manyStreams += List("LIST", "strl", Chunk("strh", StreamHeader("vids", "dvsd")));
    const Case cases[] = {
        {"empty", QByteArray(), false},
        {"seven bytes", good.left(7), false},
        {"cut in the header", good.left(60), false},
        {"cut in movi, so the RIFF size exceeds the file", good.left(good.indexOf("movi") + 100), false},
        {"cut in the index", good.left(good.size() - 10), false},
        {"RIFF size past the end", lyingRiff, false},
        {"strh size past the end", lyingStrh, true},
        {"not RIFF", QByteArray("JUNKJUNKJUNKJUNK"), false},
        {"RIFF of another form", List("RIFF", "WAVE", Chunk("fmt ", QByteArray(16, '\0'))), false},
        {"absurd stream count", Avi(manyStreams), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TFriendlyAviParam param = Walk(c.bytes);
        EXPECT_EQ(param.valid, c.valid);
        EXPECT_LE(param.streams.size(), static_cast<size_t>(TAviParam::kMaxStreams));
    }
    // Every prefix of a good file is walked without harm.
    for (int cut = 0; cut < good.size(); cut += 7)
        Walk(good.left(cut));
}

TEST(AviInfo, RealCamcorderFilesWrappedByAnotherProgram)
{
    for (const char *name : {"sony_ntsc_type1.avi", "sony_ntsc_type2.avi"}) {
        SCOPED_TRACE(name);
        REQUIRE_SAMPLE(path, QString::fromLatin1(name));
        const TFriendlyAviParam param(path);
        EXPECT_TRUE(param.valid);
        EXPECT_EQ(param.GetCodec().toLower(), "dvsd");
        const bool type1 = QByteArray(name).contains("type1");
        ASSERT_NE(param.VideoStream(), nullptr);
        EXPECT_EQ(param.VideoStream()->Type(), MakeFourCC(type1 ? "iavs" : "vids"));
        EXPECT_EQ(param.audioStream >= 0, !type1);
    }
}

TEST(AviInfo, MissingFileIsNotValid)
{
    const TFriendlyAviParam param(QStringLiteral("/nonexistent/clip.avi"));
    EXPECT_FALSE(param.valid);
    EXPECT_EQ(param.GetCodec(), "####");
}
