#include "base/datetimeformat.h"
#include "files/afficherfichier.h"
#include "files/avifichier.h"
#include "files/detailedlist.h"
#include "files/fichierlistbox.h"
#include "files/fileinfotexts.h"
#include "files/itemsettings.h"
#include "prefs/settings.h"

#include "support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kThorn(kDatecodeKeyNotRead);
const QString kYDiaeresis(kDatecodeKeyUnreadable);

// A DV AVI file written by morvik-mkdv; args as it takes them after --out.
QString MakeDv(const QTemporaryDir &dir, const QString &name, const QStringList &args)
{
    const QString path = dir.filePath(name);
    const auto run = testsupport::Run(testsupport::OurProgram(QStringLiteral("morvik-mkdv")),
                                      QStringList{QStringLiteral("--out"), path} + args);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    return run.exitCode == 0 ? path : QString();
}

class AviFichierTest : public ::testing::Test {
protected:
    void SetUp() override { SetDatecodeDisplayFormat(QStringLiteral("yyyy-mm-dd hh:nn:ss")); }
    void TearDown() override { SetDatecodeDisplayFormat(TPreferences().formatAfficherDatecode); }
    QTemporaryDir dir;
};

struct DvCase {
    QStringList args;
    const char *codec;  // with the type
    uint8_t system;
    const char *image;
    const char *aspect;
    int height;
    double fps;
    int frameCount;
    const char *duration;  // with the sound's when it differs
    const char *audio;
    const char *audioCodec;
};

TEST_F(AviFichierTest, EveryKindOfDvFile)
{
    const QString recording = QStringLiteral("--recording");
    const DvCase cases[] = {
        {{"--type", "1", recording, "2021-06-05 14:30:00,00:10:00:00,20"},
         "dvsd (type 1)", kSystemPal, "720 x 576 (Pal", " 4x3)", 540, 25.0, 20, "20fr",
         "48000Hz 16 bits  stereo", "PCM 192000 bytes/s"},
        {{"--type", "1", "--system", "ntsc", "--aspect", "16:9", "--audio", "32k12", recording,
          "2021-06-05 14:30:00,00:10:00:00,40"},
         "dvsd (type 1)", kSystemNtsc, "720 x 480 (NTSC", " 16x9)", 405, 30000.0 / 1001.0, 40, "1s 10fr",
         "32000Hz 12(16) bits  stereo", "PCM 128000 bytes/s"},
        {{"--type", "2", "--system", "ntsc", "--audio", "32k12", recording, "2021-06-05 14:30:00,00:10:00:00,40"},
         "dvsd (type 2)", kSystemNtsc, "720 x 480 (NTSC", " 4x3)", 540, 29.97, 40, "1s 10fr",
         "32000Hz 12(16) bits  stereo", "PCM 128000 bytes/s"},
        {{"--type", "2", "--aspect", "16:9", "--audio", "none", recording, "2021-06-05 14:30:00,00:10:00:00,30"},
         "dvsd (type 2)", kSystemPal, "720 x 576 (Pal", " 16x9)", 405, 25.0, 30, "1s 05fr", "N/A", ""},
    };
    int n = 0;
    for (const DvCase &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const QString path = MakeDv(dir, QStringLiteral("dv%1.avi").arg(n++), c.args);
        ASSERT_FALSE(path.isEmpty());
        const QByteArray before = testsupport::ReadWholeFile(path);
        const TaviFichier item(path);
        EXPECT_TRUE(item.dvInfo);
        EXPECT_EQ(CodecWithType(item), QString::fromLatin1(c.codec));
        EXPECT_EQ(item.system, c.system);
        EXPECT_EQ(item.imageText, QString::fromLatin1(c.image));
        EXPECT_EQ(item.aspectText, QString::fromLatin1(c.aspect));
        EXPECT_EQ(item.width, 720);
        EXPECT_EQ(item.height, c.height);
        EXPECT_DOUBLE_EQ(item.fps, c.fps);
        EXPECT_EQ(item.frameCount, c.frameCount);
        EXPECT_EQ(DurationWithAudio(item), QString::fromLatin1(c.duration));
        EXPECT_EQ(item.audioText, QString::fromLatin1(c.audio));
        EXPECT_EQ(item.audioCodecText, QString::fromLatin1(c.audioCodec));
        EXPECT_EQ(item.datecodeText, QStringLiteral("2021-06-05 14:30:00"));
        EXPECT_EQ(item.datecode, *EncodeDateTime(2021, 6, 5, 14, 30, 0));
        EXPECT_EQ(item.datecodeKey, QStringLiteral("20210605143000"));
        EXPECT_EQ(item.timecodeText, QStringLiteral("00.10.00.00"));
        EXPECT_EQ(item.GetSortKey(SortDatecode()), "20210605143000" + (item.name + path).toLower());
        EXPECT_EQ(item.GetSortKey(SortTimecode()), "00.10.00.00" + (item.name + path).toLower());
        EXPECT_EQ(item.GetSortKey(SortDuree()).left(12),
                  QStringLiteral("%1").arg(item.duration, 12, 10, QLatin1Char('0')));
        EXPECT_EQ(testsupport::ReadWholeFile(path), before);
    }
}

TEST_F(AviFichierTest, UndatedUnreadableAndOtherVideosSortAfterDatedOnes)
{
    const QString later = MakeDv(dir, QStringLiteral("a_later.avi"), {"--recording", "2022-01-01 00:00:00,00:00:00:00,5"});
    const QString earlier = MakeDv(dir, QStringLiteral("b_earlier.avi"), {"--recording", "2020-01-01 00:00:00,00:00:00:00,5"});
    const QString undated = MakeDv(dir, QStringLiteral("c_undated.avi"), {"--gap", "5"});
    ASSERT_FALSE(later.isEmpty() || earlier.isEmpty() || undated.isEmpty());

    REQUIRE_TOOL("ffmpeg");
    const QString mjpeg = dir.filePath(QStringLiteral("d_mjpeg.avi"));
    const auto made = testsupport::Run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25",
                                                  "-t", "0.2", "-c:v", "mjpeg", mjpeg});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();

    // No AVI at all, and an AVI whose headers are cut: shown as unreadable, never patched.
    const QString text = dir.filePath(QStringLiteral("e_text.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(text, "not a video\n"));
    const QString cut = dir.filePath(QStringLiteral("f_cut.avi"));
    const QByteArray cutBytes = testsupport::ReadWholeFile(later).left(300);
    ASSERT_TRUE(testsupport::WriteWholeFile(cut, cutBytes));

    const TaviFichier undatedItem(undated);
    EXPECT_EQ(undatedItem.datecodeText, QStringLiteral("N/A"));
    EXPECT_EQ(undatedItem.datecodeKey, QStringLiteral("N/A"));
    EXPECT_EQ(undatedItem.datecode, 0);
    EXPECT_EQ(undatedItem.timecodeText, QStringLiteral("00.00.00.00"));

    const TaviFichier other(mjpeg);
    EXPECT_FALSE(other.dvInfo);
    EXPECT_EQ(other.codec, QStringLiteral("MJPG"));
    EXPECT_EQ(other.imageText, QStringLiteral("64 x 48"));
    EXPECT_EQ(other.aspectText, QString());
    EXPECT_EQ(other.datecodeKey, kThorn);
    EXPECT_EQ(other.datecodeText, QStringLiteral("-"));
    EXPECT_EQ(other.system, kSystemUnknown);
    EXPECT_EQ(other.type, 0);
    EXPECT_EQ(other.frameCount, 5);

    for (const QString &path : {text, cut}) {
        SCOPED_TRACE(path.toStdString());
        const TaviFichier unreadable(path);
        EXPECT_EQ(unreadable.codec, QString());
        EXPECT_EQ(unreadable.datecodeText, QString());
        EXPECT_EQ(unreadable.timecodeText, QString());
        EXPECT_EQ(unreadable.imageText, QStringLiteral("N/A"));
        EXPECT_EQ(unreadable.audioText, QStringLiteral("N/A"));
        EXPECT_EQ(unreadable.datecodeKey, kYDiaeresis);
        EXPECT_EQ(unreadable.fps, 0);
    }
    EXPECT_EQ(testsupport::ReadWholeFile(cut), cutBytes);

    TCustomFichierListBox list;
    list.SetItemClass(ItemClassOf<TAfficherFichier>());
    for (const QString &path : {text, cut, mjpeg, undated, later, earlier})
        list.FindOrAdd(path);
    list.Resort(SortDatecode());
    QStringList order;
    for (int row = 0; row < list.Count(); ++row)
        order << list.Item(row)->name;
    EXPECT_EQ(order, (QStringList{"b_earlier.avi", "a_later.avi", "c_undated.avi", "d_mjpeg.avi", "e_text.avi",
                                  "f_cut.avi"}));
}

TEST_F(AviFichierTest, CompanionsPanelTextsDetailedListAndTotal)
{
    const QString path = MakeDv(dir, QStringLiteral("Clip.avi"), {"--recording", "2021-06-05 14:30:00,01:02:03:04,30"});
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(testsupport::WriteWholeFile(dir.filePath(QStringLiteral("Clip.scn")), "x"));

    const TaviFichier item(path);
    EXPECT_TRUE(item.hasScn);
    EXPECT_FALSE(item.hasSrt);

    const TFileInfoTexts texts = FileInfoTexts(item);
    EXPECT_EQ(texts.name, QStringLiteral("Clip.avi"));
    EXPECT_EQ(texts.datecode, QStringLiteral("2021-06-05 14:30:00"));
    EXPECT_EQ(texts.timecode, QStringLiteral("01.02.03.04"));
    EXPECT_EQ(texts.codec, QStringLiteral("dvsd (type 2)"));
    EXPECT_EQ(texts.image, QStringLiteral("720 x 576 (Pal 4x3)"));
    EXPECT_EQ(texts.duration, QStringLiteral("1s 05fr"));
    EXPECT_EQ(texts.fps, QStringLiteral("25"));
    EXPECT_EQ(texts.audio, QStringLiteral("48000Hz 16 bits  stereo"));
    EXPECT_TRUE(texts.scnVisible);
    EXPECT_FALSE(texts.srtVisible);
    const QString size = FileSizeText(item);
    EXPECT_TRUE(size.contains(QLatin1Char(',')));
    const QString modified = FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), item.modified);
    EXPECT_EQ(texts.hint, "File     : " + path + "Size     : " + size + "Modified : " + modified);
    EXPECT_EQ(CopyText(TCopyCommand::Audio, texts, &item), "48000Hz 16 bits  stereo\rPCM 192000 bytes/s");
    EXPECT_EQ(CopyText(TCopyCommand::FullName, texts, &item), path.toLower());
    EXPECT_EQ(CopyText(TCopyCommand::FullName, texts, nullptr), QString());
    EXPECT_EQ(ClearedFileInfoTexts().fps, QStringLiteral("---"));

    EXPECT_EQ(DetailedListLine(item), path + ",2021-06-05 14:30:00,scn,no srt,01.02.03.04,dvsd (type 2),"
                                             "720 x 576 (Pal 4x3),1s 05fr,25,48000Hz 16 bits  stereo,"
                                             "PCM 192000 bytes/s," + size + "," + modified + ",");

    TCustomFichierListBox list;
    list.SetItemClass(ItemClassOf<TaviFichier>());
    list.FindOrAdd(path);
    list.FindOrAdd(MakeDv(dir, QStringLiteral("Other.avi"), {"--recording", "2021-06-05 14:30:00,01:02:03:04,50"}));
    list.SelectAll(false);
    // Clip is focused: selected 1.2 s, total 1.2 s + 2 s.
    EXPECT_EQ(TotalDurationText(list), QStringLiteral("Duration of selected videos  = 1s 200ms\r\n\r\n"
                                                      "Total duration of all videos listed = 3s 200ms"));
    list.SetSelected(0, false);
    EXPECT_TRUE(TotalDurationText(list).startsWith("Duration of selected videos  = 0milliseconds\r\n"));

    const QString detailed = dir.filePath(QStringLiteral("details.txt"));
    ASSERT_TRUE(SaveDetailedList(list, detailed).ok);
    const QByteArray bytes = testsupport::ReadWholeFile(detailed);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString written = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2),
                                               (bytes.size() - 2) / 2);
    EXPECT_EQ(written.count(QStringLiteral("\r\n")), 2);
    EXPECT_TRUE(written.startsWith(DetailedListLine(item) + "\r\n"));
    EXPECT_FALSE(SaveDetailedList(list, dir.filePath(QStringLiteral("no/such/folder.txt"))).ok);
}

// Items built by two scans and by this thread at once each read their own file.
TEST_F(AviFichierTest, ScansBuildItemsBesideEachOther)
{
    QStringList paths;
    for (int day = 1; day <= 4; ++day)
        paths << MakeDv(dir, QStringLiteral("day%1.avi").arg(day),
                        {"--recording", QStringLiteral("2021-06-0%1 10:00:00,00:00:00:00,5").arg(day)});
    ASSERT_FALSE(paths.contains(QString()));

    TCustomFichierListBox list;
    list.SetItemClass(ItemClassOf<TaviFichier>());
    list.OpenFolder(dir.path());
    list.OpenFiles(paths);
    const TaviFichier here(paths[2]);
    list.WaitForScans();
    EXPECT_EQ(here.datecodeText, QStringLiteral("2021-06-03 10:00:00"));
    ASSERT_EQ(list.Count(), 4);
    for (int row = 0; row < list.Count(); ++row) {
        const auto *item = dynamic_cast<const TaviFichier *>(list.Item(row).get());
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->datecodeText, QStringLiteral("2021-06-0%1 10:00:00").arg(row + 1));
    }
}

// The real recordings, against what MediaInfo reads in them.
TEST_F(AviFichierTest, RealRecordingsReadAsMediaInfoReadsThem)
{
    REQUIRE_TOOL("mediainfo");
    for (const char *name : {"sony_ntsc_type1.avi", "sony_ntsc_type2.avi"}) {
        SCOPED_TRACE(name);
        REQUIRE_SAMPLE(path, QLatin1String(name));
        const auto run = testsupport::Run(QStringLiteral("mediainfo"), {QStringLiteral("--Output=JSON"), path});
        QJsonObject general;
        QJsonObject video;
        for (const QJsonValue &track : QJsonDocument::fromJson(run.out)["media"]["track"].toArray()) {
            if (track["@type"] == QStringLiteral("General"))
                general = track.toObject();
            if (track["@type"] == QStringLiteral("Video"))
                video = track.toObject();
        }
        ASSERT_FALSE(video.isEmpty());

        const TaviFichier item(path);
        EXPECT_EQ(item.imageText, video["Width"].toString() + " x " + video["Height"].toString() + " (NTSC");
        EXPECT_EQ(item.frameCount, video["FrameCount"].toString().toInt());
        EXPECT_NEAR(item.fps, video["FrameRate"].toString().toDouble(), 0.001);
        EXPECT_EQ(item.type, QLatin1String(name).contains(QLatin1String("type1")) ? 1 : 2);
        // "2024-07-08 19:55:58.000" and "00:00:02;17".
        EXPECT_EQ(item.datecodeText + ".000", general["Recorded_Date"].toString());
        EXPECT_EQ(item.timecodeText, video["TimeCode_FirstFrame"].toString().replace(QRegularExpression("[:;]"), "."));
        EXPECT_TRUE(item.audioText.startsWith(QStringLiteral("32000Hz 12(16) bits "))) << qPrintable(item.audioText);
    }
}

TEST(AviFichierLabels, CodecTypesAndNameFont)
{
    const struct {
        bool dv;
        int type;
        bool interleaved;
        const char *label;
    } cases[] = {
        {true, 1, false, "dvsd (type 1)"},
        {true, 2, false, "dvsd (type 2)"},
        {true, 2, true, "dvsd (type 2 iavs)"},
        {false, 0, false, "dvsd"},
    };
    TaviFichier item(QStringLiteral("/no/such/file.avi"));
    item.codec = QStringLiteral("dvsd");
    for (const auto &c : cases) {
        item.dvInfo = c.dv;
        item.type = c.type;
        item.type2Interleaved = c.interleaved;
        EXPECT_EQ(CodecWithType(item), QString::fromLatin1(c.label));
    }
    EXPECT_EQ(NameFontHeight(100, 200), -13);
    EXPECT_EQ(NameFontHeight(200, 160), -11);  // 8 points at 96 dpi, not -9
    EXPECT_EQ(NameFontHeight(130, 130), -12);
}

}  // namespace
