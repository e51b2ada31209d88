#include "scenes/scnfile.h"

#include "scnbytes.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

struct ExpectedScene {
    int32_t begin, end, thumbOffset;
    const char *title, *subtitle;
};

void ExpectScenes(const TSceneList &list, std::initializer_list<ExpectedScene> expected)
{
    ASSERT_EQ(list.size(), expected.size());
    int number = 1;
    auto entry = list.begin();
    for (const ExpectedScene &e : expected) {
        const TSceneClass &scene = *entry->Scene;
        EXPECT_EQ(scene.Number, number) << "scene " << number;
        EXPECT_EQ(scene.BeginFrame, e.begin) << "scene " << number;
        EXPECT_EQ(scene.EndFrame, e.end) << "scene " << number;
        EXPECT_EQ(scene.ThumbOffset, e.thumbOffset) << "scene " << number;
        EXPECT_EQ(scene.Title, QString::fromUtf8(e.title)) << "scene " << number;
        EXPECT_EQ(scene.Subtitle, QString::fromUtf8(e.subtitle)) << "scene " << number;
        EXPECT_EQ(entry->Caption, QStringLiteral("Scene %1: %2").arg(number).arg(QString::fromUtf8(e.title)));
        ++entry;
        ++number;
    }
}

// Runs the test body with the working folder set to a fresh temporary one, so
// that a relative ten-character video path can be written.
class InTempDir {
public:
    InTempDir() : old_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~InTempDir() { QDir::setCurrent(old_); }
    QString path(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString old_;
};

// One scene whose title field is the given raw bytes.
QByteArray WithTitleField(const QByteArray &titleField)
{
    return ScnBytes().Header(kGoldenVideo).Count(1).First(kGoldenVideo, 10, 0x80).Bytes(titleField).bytes();
}

}  // namespace

TEST(ScnFile, PathReplacesTheExtension)
{
    const struct { const char *video, *scn; } cases[] = {
        {"/v/holiday.avi", "/v/holiday.scn"},
        {"/v/holiday.AVI", "/v/holiday.scn"},
        {"/v/a.b.avi", "/v/a.b.scn"},
        {"/v/holiday", "/v/holiday.scn"},
        {"/v.d/holiday", "/v.d/holiday.scn"},
        {"/v/.hidden", "/v/.hidden.scn"},
        {"clip01.avi", "clip01.scn"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScnFilePath(QString::fromUtf8(c.video)), QString::fromUtf8(c.scn)) << c.video;
}

TEST(ScnFile, GoldenFileReadsBack)
{
    const QByteArray golden = GoldenScn();
    ASSERT_EQ(static_cast<uint8_t>(golden[kGoldenCountOffset]), 3);
    TSceneList list;
    EXPECT_TRUE(ParseScnFile(SpanOf(golden), list));
    ExpectScenes(list, {{0, 100, 0, "", ""}, {100, 250, 7, "T", "S"}, {250, 400, 0, "", ""}});
}

TEST(ScnFile, WriterOutputEqualsTheLayoutAndIsCompleteAfterEveryScene)
{
    InTempDir temp;
    const QString scnPath = temp.path(QStringLiteral("clip01.scn"));
    TSceneClass scenes[] = {{0, 100}, {100, 250}, {250, 400}};
    scenes[1].ThumbOffset = 7;
    scenes[1].Title = QStringLiteral("T");
    scenes[1].Subtitle = QStringLiteral("S");

    std::vector<qsizetype> recordEnds;
    const QByteArray golden = GoldenScn(&recordEnds);
    {
        TwriteScene writer(kGoldenVideo);
        ASSERT_TRUE(writer.ok());
        TSceneList list;
        EXPECT_FALSE(ReadScnFile(scnPath, list)) << "no scene yet: too short";
        EXPECT_TRUE(list.empty());
        for (int i = 0; i < 3; ++i) {
            writer.WriteScene(scenes[i]);
            const QByteArray now = testsupport::ReadWholeFile(scnPath);
            ASSERT_EQ(now.size(), recordEnds[i]);
            EXPECT_EQ(static_cast<uint8_t>(now[kGoldenCountOffset]), i + 1);
            EXPECT_TRUE(ReadScnFile(scnPath, list)) << "after scene " << i + 1;
            EXPECT_EQ(list.size(), static_cast<size_t>(i + 1));
        }
        EXPECT_TRUE(writer.ok());
    }
    EXPECT_EQ(testsupport::ReadWholeFile(scnPath), golden);
}

TEST(ScnFile, WriterReplacesAnExistingFile)
{
    InTempDir temp;
    const QString scnPath = temp.path(QStringLiteral("clip01.scn"));
    ASSERT_TRUE(testsupport::WriteWholeFile(scnPath, QByteArray(5000, 'x')));
    TwriteScene writer(kGoldenVideo);
    writer.WriteScene(TSceneClass(0, 100));
    TSceneList list;
    EXPECT_TRUE(ReadScnFile(scnPath, list));
    ExpectScenes(list, {{0, 100, 0, "", ""}});
}

TEST(ScnFile, FirstSceneIsStoredFromFrameZero)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    {
        TwriteScene writer(video);
        writer.WriteScene(TSceneClass(40, 90));
        writer.WriteScene(TSceneClass(90, 120));
    }
    TSceneList list;
    EXPECT_TRUE(ReadScnFile(ScnFilePath(video), list));
    ExpectScenes(list, {{0, 90, 0, "", ""}, {90, 120, 0, "", ""}});
}

TEST(ScnFile, EveryCutFileKeepsTheWholeRecordsBeforeTheCut)
{
    std::vector<qsizetype> recordEnds;
    const QByteArray golden = GoldenScn(&recordEnds);
    for (qsizetype size = 0; size <= golden.size(); ++size) {
        TSceneList list;
        const bool whole = ParseScnFile(SpanOf(golden.left(size)), list);
        const auto complete = static_cast<size_t>(std::count_if(recordEnds.begin(), recordEnds.end(),
                                                                [&](qsizetype end) { return end <= size; }));
        EXPECT_EQ(whole, size == golden.size()) << "cut at " << size;
        EXPECT_EQ(list.size(), complete) << "cut at " << size;
    }
    // Cut inside the third record: the two scenes before it.
    TSceneList list;
    EXPECT_FALSE(ParseScnFile(SpanOf(golden.left(recordEnds[1] + 20)), list));
    ExpectScenes(list, {{0, 100, 0, "", ""}, {100, 250, 7, "T", "S"}});
}

TEST(ScnFile, HeaderWithoutRecordGivesNoScene)
{
    TSceneList list;
    list.push_back({QStringLiteral("stale"), std::make_unique<TSceneClass>(1, 2)});
    EXPECT_FALSE(ParseScnFile(ScnBytes().Header(kGoldenVideo).span(), list));
    EXPECT_TRUE(list.empty());
}

TEST(ScnFile, CountOfZeroOrOneReadsTheFirstRecord)
{
    for (uint16_t count : {0, 1}) {
        const QByteArray bytes = ScnBytes().Header(kGoldenVideo).Count(count).First(kGoldenVideo, 60)
                                     .Further(60, 10).bytes();
        TSceneList list;
        EXPECT_TRUE(ParseScnFile(SpanOf(bytes), list)) << count;
        ExpectScenes(list, {{0, 60, 0, "", ""}});
    }
}

TEST(ScnFile, ReadsEveryStringForm)
{
    const QByteArray twelve("Holiday 2004");
    const QByteArray long300 = QByteArray(299, 'a') + 'b';
    const struct {
        const char *name;
        QByteArray field;
        QString title;
    } cases[] = {
        {"length byte 12", QByteArray(1, 12) + twelve, QStringLiteral("Holiday 2004")},
        {"length byte 0", QByteArray(1, 0), QString()},
        {"uint16 0", QByteArray("\xFF\x00\x00", 3), QString()},
        {"uint16 300", QByteArray("\xFF\x2C\x01", 3) + long300, QString::fromLatin1(long300)},
        {"uint16 1023", QByteArray("\xFF\xFF\x03", 3) + QByteArray(1023, 'z'), QString(1023, u'z')},
        {"UTF-16, 5 characters", ScnBytes().Raw({0xFF, 0xFE, 0xFF, 5, 'A', 0, 0xE9, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE}).bytes(),
         QString::fromUtf8("Aé€\xF0\x9F\x98\x80")},
        {"UTF-8 bytes", QByteArray("\x05" "caf\xC3\xA9", 6), QString::fromUtf8("café")},
        {"Windows-1252 bytes", QByteArray("\x06" "\x80 caf\xE9", 7), QString::fromUtf8("€ café")},
        {"unknown uint16 form", QByteArray("\xFF\x00\x04", 3), QString()},
        {"UTF-16 length 0", QByteArray("\xFF\xFE\xFF\x00", 4), QString()},
    };
    for (const auto &c : cases) {
        TSceneList list;
        EXPECT_TRUE(ParseScnFile(SpanOf(WithTitleField(c.field)), list)) << c.name;
        ASSERT_EQ(list.size(), 1u) << c.name;
        EXPECT_EQ(list[0].Scene->Title, c.title) << c.name;
    }
}

TEST(ScnFile, StringLengthsPastTheEndStop)
{
    const QByteArray fields[] = {
        QByteArray(1, 12) + "short",
        QByteArray("\xFF\xFF\x03", 3) + "short",
        QByteArray("\xFF\xFE\xFF\x05", 4) + "abc",
        QByteArray("\xFF\xFE\xFF", 3),
        QByteArray("\xFF\xFE", 2),
        QByteArray(),
    };
    for (const QByteArray &field : fields) {
        TSceneList list;
        EXPECT_FALSE(ParseScnFile(SpanOf(WithTitleField(field)), list)) << field.toHex().constData();
        EXPECT_TRUE(list.empty());
    }
}

TEST(ScnFile, StoredTitlesSplitIntoTwoLines)
{
    const struct { const char *stored, *title, *subtitle; } cases[] = {
        {"Arrival\r\nat the lake\r\ndropped", "Arrival", "at the lake"},
        {"Arrival\r\n", "Arrival", ""},
        {"\r\nOnly a subtitle", "", "Only a subtitle"},
    };
    for (const auto &c : cases) {
        TSceneList list;
        ASSERT_TRUE(ParseScnFile(SpanOf(WithTitleField(ScnBytes().Wide(QString::fromUtf8(c.stored)).bytes())), list));
        EXPECT_EQ(list[0].Scene->Title, QString::fromUtf8(c.title)) << c.stored;
        EXPECT_EQ(list[0].Scene->Subtitle, QString::fromUtf8(c.subtitle)) << c.stored;
    }
}

TEST(ScnFile, LongTextsAreCutToWhatTheLengthByteHolds)
{
    QTemporaryDir dir;
    // A path longer than a string field holds, in folders of short names.
    const QString deep = dir.filePath(QStringLiteral("folder-name/").repeated(25));
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString video = deep + QStringLiteral("v.avi");
    ASSERT_GT(video.size(), kMaxScnStringChars);
    const QString folderVideo = dir.filePath(QStringLiteral("v.avi"));
    TSceneClass scene(0, 10);
    scene.Title = QString(300, u't');
    TSceneClass both(10, 20);
    both.Title = QString(200, u't');
    both.Subtitle = QString(100, u's');
    TSceneClass pair(20, 30);
    pair.Title = QString(253, u't') + QString::fromUtf8("\xF0\x9F\x98\x80");  // a surrogate pair at 254, 255
    {
        TwriteScene writer(folderVideo);
        writer.WriteScene(scene);
        writer.WriteScene(both);
        writer.WriteScene(pair);
    }
    TSceneList list;
    ASSERT_TRUE(ReadScnFile(ScnFilePath(folderVideo), list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Scene->Title, QString(254, u't'));
    EXPECT_EQ(list[1].Scene->Title, QString(200, u't'));
    EXPECT_EQ(list[1].Scene->Subtitle, QString(52, u's'));
    EXPECT_EQ(list[2].Scene->Title, QString(253, u't')) << "a pair is not split";

    {
        TwriteScene writer(video);
        writer.WriteScene(TSceneClass(0, 10));
        writer.WriteScene(TSceneClass(10, 20));
        EXPECT_TRUE(writer.ok());
    }
    const QByteArray bytes = testsupport::ReadWholeFile(ScnFilePath(video));
    ASSERT_GT(bytes.size(), 36 + 2 * kMaxScnStringChars);
    EXPECT_EQ(static_cast<uint8_t>(bytes[27]), kMaxScnStringChars) << "the path's length byte";
    EXPECT_EQ(static_cast<uint8_t>(bytes[36 + 2 * kMaxScnStringChars]), 2) << "the count after the cut path";
    ASSERT_TRUE(ReadScnFile(ScnFilePath(video), list));
    EXPECT_EQ(list.size(), 2u);
}

TEST(ScnFile, RandomListsRoundTrip)
{
    std::mt19937 random(20040714);
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("round.avi"));
    const char16_t alphabet[] = u"abcXYZ 09éß€\u4E2D";
    auto randomText = [&](int maxLength) {
        QString text;
        const int length = std::uniform_int_distribution<int>(0, maxLength)(random);
        for (int i = 0; i < length; ++i)
            text.append(QChar(alphabet[random() % (std::size(alphabet) - 1)]));
        return text;
    };
    for (int round = 0; round < 200; ++round) {
        TSceneList written;
        const int count = std::uniform_int_distribution<int>(1, 30)(random);
        int32_t begin = 0;
        for (int i = 0; i < count; ++i) {
            const int32_t end = begin + std::uniform_int_distribution<int32_t>(0, 100000)(random);
            auto scene = std::make_unique<TSceneClass>(begin, end);
            scene->Number = i + 1;
            if (random() % 3 == 0)
                scene->ThumbOffset = std::uniform_int_distribution<int32_t>(-5, 100000)(random);
            if (random() % 2 == 0) {
                scene->Title = randomText(120);
                scene->Subtitle = randomText(120);
            }
            written.push_back({SceneCaption(*scene), std::move(scene)});
            begin = end + (random() % 4 == 0 ? std::uniform_int_distribution<int32_t>(0, 50)(random) : 0);
        }
        ASSERT_TRUE(SaveScenes(video, written));
        TSceneList read;
        ASSERT_TRUE(ReadScnFile(ScnFilePath(video), read)) << "round " << round;
        ASSERT_EQ(read.size(), written.size()) << "round " << round;
        for (size_t i = 0; i < read.size(); ++i) {
            const TSceneClass &w = *written[i].Scene;
            const TSceneClass &r = *read[i].Scene;
            EXPECT_EQ(r.BeginFrame, w.BeginFrame);
            EXPECT_EQ(r.EndFrame, w.EndFrame);
            EXPECT_EQ(r.ThumbOffset, w.ThumbOffset);
            EXPECT_EQ(r.Title, w.Title);
            EXPECT_EQ(r.Subtitle, w.Subtitle);
            EXPECT_EQ(read[i].Caption, written[i].Caption);
        }
    }
}

TEST(ScnFile, DamagedFilesNeverCrash)
{
    const QByteArray golden = GoldenScn();
    std::mt19937 random(1999);
    std::vector<QByteArray> damaged;
    for (int i = 0; i < 3000; ++i) {
        QByteArray bytes = golden;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        damaged.push_back(bytes.left(static_cast<qsizetype>(random() % (bytes.size() + 1))));
    }
    for (const QByteArray &bytes : damaged) {
        TSceneList list;
        ParseScnFile(SpanOf(bytes), list, SceneContext{true, 25, 720, 576, 2});
        EXPECT_LE(list.size(), 3u);
        for (const TSceneEntry &entry : list)
            EXPECT_LE(entry.Scene->Title.size(), 1023);
    }
}

TEST(ScnFile, HugeCountReadsOnlyWhatIsThere)
{
    QByteArray bytes = GoldenScn();
    bytes[kGoldenCountOffset] = '\xFF';
    bytes[kGoldenCountOffset + 1] = '\xFF';
    TSceneList list;
    EXPECT_FALSE(ParseScnFile(SpanOf(bytes), list));
    EXPECT_EQ(list.size(), 3u);
}

TEST(ScnFile, TheLargestListSharesOneBlankPicture)
{
    // 65535 scenes with a video open: every blank thumbnail of 300 x 240 is the
    // same picture, or the list would hold about 14 GB of them.
    ScnBytes b;
    b.Header(kGoldenVideo).Count(0xFFFF).First(kGoldenVideo, 1);
    for (int32_t i = 1; i < 0xFFFF; ++i)
        b.Further(i, 1);
    TSceneList list;
    EXPECT_TRUE(ParseScnFile(b.span(), list, SceneContext{true, 25, 720, 576, 0}));
    ASSERT_EQ(list.size(), 0xFFFFu);
    EXPECT_EQ(list.back().Scene->BeginFrame, 0xFFFE);
    EXPECT_EQ(list.back().Scene->Thumbnail.size(), QSize(300, 240));
    EXPECT_EQ(list.back().Scene->Thumbnail.constBits(), list.front().Scene->Thumbnail.constBits());
}

TEST(ScnFile, ReadingRefusesWhatIsNoSceneFile)
{
    QTemporaryDir dir;
    TSceneList list;
    list.push_back({QStringLiteral("stale"), std::make_unique<TSceneClass>(1, 2)});
    EXPECT_FALSE(ReadScnFile(dir.filePath(QStringLiteral("absent.scn")), list));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(ReadScnFile(dir.path(), list)) << "a folder";

    // Larger than any scene file, even though it begins like one.
    const QString big = dir.filePath(QStringLiteral("big.scn"));
    ASSERT_TRUE(testsupport::WriteWholeFile(big, GoldenScn()));
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(kMaxScnFileBytes + 1));
    }
    EXPECT_FALSE(ReadScnFile(big, list));
    EXPECT_TRUE(list.empty());
}

TEST(ScnFile, WriterStopsAtTheLargestCount)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    TwriteScene writer(video);
    for (int32_t i = 0; i < 0xFFFF; ++i)
        writer.WriteScene(TSceneClass(i, i + 1));
    EXPECT_TRUE(writer.ok());
    writer.WriteScene(TSceneClass(0xFFFF, 0x10000));
    EXPECT_FALSE(writer.ok()) << "the count would wrap to 0";
    TSceneList list;
    EXPECT_TRUE(ReadScnFile(ScnFilePath(video), list));
    EXPECT_EQ(list.size(), 0xFFFFu);
}

TEST(ScnFile, WriterFailsQuietlyWhereNoFileCanBeMade)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("missing/v.avi"));
    TwriteScene writer(video);
    writer.WriteScene(TSceneClass(0, 10));
    EXPECT_FALSE(writer.ok());
    EXPECT_FALSE(QFile::exists(ScnFilePath(video)));
}
