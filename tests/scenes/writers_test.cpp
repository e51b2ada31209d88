// The line writers of the scenes: the subtitle file and the text export.
#include "scenes/writescntext.h"
#include "scenes/writesrt.h"

#include "base/formatsettings.h"
#include "media/dv_scenedetect.h"
#include "media/syntheticdv.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList LinesOf(const QString &path)
{
    QString text = QString::fromUtf8(testsupport::ReadWholeFile(path));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")) || text.isEmpty()) << "every line ends with CR LF";
    text.chop(2);
    return text.isEmpty() ? QStringList() : text.split(QStringLiteral("\r\n"));
}

}  // namespace

TEST(SrtTime, FramesAtTheTwoRates)
{
    struct Case {
        int64_t frame;
        double fps;
        const char *text;
    } const cases[] = {
        {0, 25, "00:00:00,000"},          {1, 25, "00:00:00,040"},
        {1, 30000.0 / 1001, "00:00:00,033"}, {90000, 25, "01:00:00,000"},
        {30, 30000.0 / 1001, "00:00:01,001"}, {2160000 + 13, 25, "24:00:00,520"},
        {1499, 25, "00:00:59,960"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SrtTime(c.frame, c.fps), QString::fromLatin1(c.text)) << c.frame << " at " << c.fps;
}

TEST(WriteSrt, OneBlockPerShownStateEndingWhereTheNextBegins)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("holiday.avi"));
    testsupport::WriteWholeFile(SrtFilePath(video), "old subtitles that must go\r\n");
    {
        TWriteSrt srt(video, 25);
        srt.OnSubtitle(0, QStringLiteral("14/07/2003"), QStringLiteral("10:00:00"));
        srt.OnSubtitle(25, QStringLiteral("14/07/2003"), QString());
        srt.OnSubtitle(50, QString(), QString());
        srt.OnSubtitle(75, QString(), QString());
        srt.OnSubtitle(100, QString(), QStringLiteral("Été à la plage"));
        srt.OnSubtitle(125, QString(), QString());
        EXPECT_EQ(srt.Count(), 3);
        EXPECT_TRUE(srt.ok());
    }
    EXPECT_EQ(SrtFilePath(video), dir.filePath(QStringLiteral("holiday.srt")));
    const QByteArray bytes = testsupport::ReadWholeFile(SrtFilePath(video));
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << "no byte-order mark";
    EXPECT_EQ(LinesOf(SrtFilePath(video)),
              (QStringList{"1", "00:00:00,000 --> 00:00:01,000", "14/07/2003", "10:00:00", "",
                           "2", "00:00:01,000 --> 00:00:02,000", "14/07/2003", " ", "",
                           "3", "00:00:04,000 --> 00:00:05,000", " ", QStringLiteral("Été à la plage"), ""}));
}

TEST(WriteSrt, AbandonedRunKeepsTheFinishedBlocksOnly)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("a.avi"));
    {
        TWriteSrt srt(video, 25);
        srt.OnSubtitle(0, QStringLiteral("one"), QStringLiteral("1"));
        srt.OnSubtitle(10, QStringLiteral("two"), QStringLiteral("2"));
    }
    EXPECT_EQ(LinesOf(SrtFilePath(video)),
              (QStringList{"1", "00:00:00,000 --> 00:00:00,400", "one", "1", ""}));
}

TEST(WriteSrt, UnwritableFolderFailsQuietlyAndSaysSo)
{
    TWriteSrt srt(QStringLiteral("/nonexistent-folder/a.avi"), 25);
    srt.OnSubtitle(0, QStringLiteral("x"), QString());
    srt.OnSubtitle(5, QString(), QString());
    EXPECT_FALSE(srt.ok());
}

namespace {

// The subtitle file that the datecode detector's lines make over the frames.
QStringList SrtOfDetector(const TincrustRec &settings, int frames, const std::function<TDateTime(int)> &datecodeOf)
{
    using namespace syntheticdv;
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("video.avi"));
    {
        TWriteSrt srt(video, 25);
        SceneDetectCore detector;
        detector.SetOverlaySettings(settings);
        detector.SetSubtitleCallback([&](const TFrameInfo &current, const QString &l1, const QString &l2) {
            srt.OnSubtitle(current.Frame, l1, l2);
        });
        detector.StartStreaming(SceneDetectCore::kFrameDuration625);
        for (int i = 0; i < frames; ++i) {
            FrameSpec frameSpec;
            frameSpec.datecode = datecodeOf(i);
            detector.ProcessSample(MakeFrame(frameSpec));
        }
        detector.EndOfStream();
    }
    return LinesOf(SrtFilePath(video));
}

}  // namespace

TEST(WriteSrt, FedByTheDatecodeDetector)
{
    using syntheticdv::At;
    using syntheticdv::Seconds;
    SetFormatSettings(FormatSettings{});
    TincrustRec settings;
    settings.Template1 = QStringLiteral("%D1");
    settings.Format1 = QStringLiteral("yyyy-mm-dd");
    settings.Format2 = QStringLiteral("hh:nn:ss");

    // Each new scene, date only, for 5 seconds: one block per recording, the second
    // from its start at frame 1000 (40 s) to 45 s.
    settings.When = IncrustWhen::kEachNewScene;
    settings.Template2 = QString();
    settings.Duration = 5;
    EXPECT_EQ(SrtOfDetector(settings, 1200,
                            [](int i) {
                                return i < 1000 ? At(2003, 7, 14, 10, 0, 0) + Seconds(i / 25)
                                                : At(2003, 7, 15, 18, 30, 0) + Seconds((i - 1000) / 25);
                            }),
              (QStringList{"1", "00:00:00,000 --> 00:00:05,000", "2003-07-14", " ", "",
                           "2", "00:00:40,000 --> 00:00:45,000", "2003-07-15", " ", ""}));

    // Permanently, with the time: one block a second, the last ending at the frame count.
    settings.When = IncrustWhen::kPermanently;
    settings.Template2 = QStringLiteral("%D2");
    EXPECT_EQ(SrtOfDetector(settings, 60, [](int i) { return At(2003, 7, 14, 10, 0, 0) + Seconds(i / 25); }),
              (QStringList{"1", "00:00:00,000 --> 00:00:01,000", "2003-07-14", "10:00:00", "",
                           "2", "00:00:01,000 --> 00:00:02,000", "2003-07-14", "10:00:01", "",
                           "3", "00:00:02,000 --> 00:00:02,400", "2003-07-14", "10:00:02", ""}));
}

TEST(WriteScnText, HeaderSceneLinesAndFooter)
{
    SetFormatSettings(FormatSettings{});
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Films/Été")));
    const QString video = dir.filePath(QStringLiteral("Films/Été/A.AVI"));
    {
        TWriteScn_text text(video);
        TSceneClass first(0, 705);
        first.StartText = QStringLiteral("0:00:00:00");
        first.EndText = QStringLiteral("0:00:28:04");
        first.DurationText = QStringLiteral("28.20");
        first.DatecodeText = QStringLiteral("14/07/2007 10:32:05");
        first.TimecodeText = QStringLiteral("01.12.30.05");
        first.Title = QStringLiteral("Arrival, by car");
        first.Subtitle = QStringLiteral("at the beach");
        text.WriteScene(first);
        TSceneClass untitled(705, 800);
        untitled.DatecodeText = QStringLiteral("N/A");
        untitled.TimecodeText = QStringLiteral("N/A");
        text.WriteScene(untitled);
        text.WriteScene(untitled);
    }
    const QString written = dir.filePath(QStringLiteral("Films/Été/A_scn.txt"));
    ASSERT_TRUE(QFile::exists(written));
    const QStringList lines = LinesOf(written);
    ASSERT_EQ(lines.size(), 11 + 3 + 5u);
    const QString rule = QStringLiteral("//--------------------------------------------------");
    EXPECT_EQ(lines.mid(0, 11),
              (QStringList{rule, "// List of scenes of the video file:", "//",
                           QStringLiteral("// ***   ") + video.toLower() + QStringLiteral("   ***"), "//",
                           "// exported by Morvik version 7.2.1 En", "// with format:",
                           "// scene number, start, end, duration, datecode, timecode, caption", "//", rule, ""}));
    EXPECT_TRUE(lines[3].contains(QStringLiteral("/films/été/a.avi")));
    EXPECT_EQ(lines[11], QStringLiteral("  1, 0:00:00:00, 0:00:28:04, 28.20, 14/07/2007 10:32:05, 01.12.30.05, "
                                        "Arrival, by car, at the beach"));
    EXPECT_EQ(lines[12], QStringLiteral("  2, , , , N/A, N/A, , "));
    EXPECT_TRUE(lines[13].startsWith(QStringLiteral("  3, ")));
    EXPECT_EQ(lines[14], QString());
    EXPECT_EQ(lines[15], rule);
    EXPECT_TRUE(lines[16].startsWith(QStringLiteral("// Terminated at ")));
    EXPECT_TRUE(lines[16].contains(QStringLiteral(" at ")));
    EXPECT_TRUE(lines[17].startsWith(QStringLiteral("// Visit my web site http")));
    EXPECT_EQ(lines[18], QStringLiteral("//"));
}
