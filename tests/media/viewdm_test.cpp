// The player on generated DV files, headless: frame-accurate seeks and steps,
// the inlay on the paused frame, the end of the file, the failure codes, and the
// texts and volume law it gives the window.
#include "dvfiles.h"
#include "picturetestsupport.h"

#include "base/datetimeformat.h"
#include "files/avifichier.h"
#include "files/itemsettings.h"
#include "media/headlessoutputs.h"
#include "media/playermessages.h"
#include "media/rgb24image.h"
#include "media/viewdm.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

constexpr int kFrames = 300;

// The frame number drawn into the picture the video output shows.
int ShownFrame(const HeadlessVideoOutput &video)
{
    const QImage shown = video.LastPicture();
    if (shown.isNull())
        return -1;
    Rgb24Picture picture(shown.width(), shown.height());
    CopyImageToBottomUp(shown, picture.bytes);
    return FrameNumberOf(picture);
}

struct Player {
    HeadlessVideoOutput video;
    HeadlessSoundOutput sound;
    Tviewdm player{video, sound};
};

class PlayerFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        for (int type : {1, 2}) {
            dvfiles::Options options;
            options.type = type;
            options.plan = {QStringLiteral("--recording"),
                            QStringLiteral("2021-06-05 14:30:00,00:10:00:00,%1").arg(kFrames)};
            paths_[type - 1] = dvfiles::Make(*dir_, QStringLiteral("type%1.avi").arg(type), options);
        }
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static const QString &PathOf(int type) { return paths_[type - 1]; }

    static inline QTemporaryDir *dir_ = nullptr;
    static inline QString paths_[2];
};

void ExpectShows(Player &p, int64_t frame, const char *what)
{
    EXPECT_EQ(ShownFrame(p.video), frame) << what;
    EXPECT_EQ(p.player.SceneDetector().Published().Frame, frame) << what;
    EXPECT_EQ(p.player.Position(), frame) << what;
}

TEST_F(PlayerFiles, RandomSeeksAndStepsLandExactly)
{
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        ASSERT_FALSE(PathOf(type).isEmpty());
        TaviFichier item(PathOf(type));
        ASSERT_EQ(item.frameCount, kFrames);
        Player p;
        ASSERT_TRUE(p.player.LoadFile(&item));
        EXPECT_TRUE(p.player.VideoShown());
        EXPECT_TRUE(p.player.SoundPlayed());
        EXPECT_EQ(p.player.PositionFormat(), TimeFormat::Frame);
        EXPECT_EQ(p.player.Duration(), kFrames);
        ExpectShows(p, 0, "first frame after the load");

        std::mt19937 random(type);
        int64_t expected = 0;
        for (int i = 0; i < 1000 && !HasFailure(); ++i) {
            if (random() % 2) {
                const int64_t target = random() % kFrames;
                p.player.SeekTo(target);
                expected = target;
            } else {
                const int64_t step = static_cast<int64_t>(random() % 61) - 30;
                p.player.StepFrames(step);
                expected = std::clamp<int64_t>(expected + step, 0, kFrames - 1);
            }
            ExpectShows(p, expected, "after a move");
            EXPECT_EQ(p.player.State(), GraphState::Paused);
        }
    }
}

TEST_F(PlayerFiles, StepsAndSeeksStayWithinTheFile)
{
    TaviFichier item(PathOf(1));
    Player p;
    ASSERT_TRUE(p.player.LoadFile(&item));
    p.player.StepFrames(-1);
    ExpectShows(p, 0, "back from the first frame");
    p.player.SeekTo(p.player.Duration());
    ExpectShows(p, kFrames - 1, "to the end");
    p.player.StepFrames(1);
    ExpectShows(p, kFrames - 1, "on from the last frame");
    p.player.StepFrames(25);
    ExpectShows(p, kFrames - 1, "a second on from the last frame");
    p.player.SeekTo(1500);
    EXPECT_EQ(p.player.TrackPosition(), 1000 * (kFrames - 1) / kFrames);
    p.player.SeekTo(150);
    EXPECT_EQ(p.player.TrackPosition(), 500);
    // Media time moves a frame of 40 ms.
    p.player.SeekBy(kFrameTime625);
    p.player.SeekTo(p.player.Position());
    ExpectShows(p, 151, "a frame on in media time");
}

TEST_F(PlayerFiles, MovesFollowTheFrameRate)
{
    QTemporaryDir dir;
    dvfiles::Options options;
    options.ntsc = true;
    options.audio = QStringLiteral("none");
    options.plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,200")};
    TaviFichier ntsc(dvfiles::Make(dir, QStringLiteral("ntsc.avi"), options));
    TaviFichier pal(PathOf(2));

    struct Case {
        const TaviFichier *item;
        TPlayerMove move;
        int64_t from;
        int64_t to;
    };
    const Case cases[] = {
        {&pal, TPlayerMove::kNextSecond, 10, 35},
        {&pal, TPlayerMove::kPreviousSecond, 10, 0},
        {&pal, TPlayerMove::kNextFrame, 10, 11},
        {&pal, TPlayerMove::kPreviousFrame, 10, 9},
        {&pal, TPlayerMove::kNextMinute, 10, kFrames - 1},
        {&pal, TPlayerMove::kEnd, 10, kFrames - 1},
        {&pal, TPlayerMove::kStart, 10, 0},
        {&ntsc, TPlayerMove::kNextSecond, 10, 40},
        {&ntsc, TPlayerMove::kPreviousSecond, 100, 70},
    };
    for (const Case &c : cases) {
        Player p;
        ASSERT_TRUE(p.player.LoadFile(c.item));
        p.player.SeekTo(c.from);
        p.player.Move(c.move);
        ExpectShows(p, c.to, qPrintable(c.item->name));
    }

    Player p;
    ASSERT_TRUE(p.player.LoadFile(&pal));
    p.player.SeekToTrack(500);
    ExpectShows(p, kFrames / 2, "the track bar in the middle");
}

TEST_F(PlayerFiles, WithoutAFrameRateMovesGoByMediaTime)
{
    TaviFichier item(PathOf(1));
    item.fps = 0;
    Player p;
    ASSERT_TRUE(p.player.LoadFile(&item));
    EXPECT_EQ(p.player.PositionFormat(), TimeFormat::MediaTime);
    EXPECT_EQ(p.player.Duration(), kFrames * kFrameTime625);
    p.player.Move(TPlayerMove::kNextSecond);
    p.player.Move(TPlayerMove::kNextFrame);
    p.player.SeekTo(p.player.Position());
    EXPECT_EQ(p.player.Position(), 26 * kFrameTime625);
    EXPECT_EQ(ShownFrame(p.video), 26);
    EXPECT_EQ(p.player.Status().positionText, QStringLiteral("0:00:01:040"));
}

TEST_F(PlayerFiles, PauseShowsTheFrameWithItsInlay)
{
    TaviFichier item(PathOf(2));
    Player p;
    p.player.SharedOverlay().Settings.When = IncrustWhen::kPermanently;
    p.player.SetInlayDisplayed(true);
    ASSERT_TRUE(p.player.LoadFile(&item));
    p.player.SeekTo(125);
    ExpectShows(p, 125, "the frame sought");
    const TDateTime datecode = *EncodeDateTime(2021, 6, 5, 14, 30, 5);
    EXPECT_EQ(p.player.Superposer().Line1(), FormatDateTime(QStringLiteral("ddddd"), datecode));
    EXPECT_EQ(p.player.Superposer().Line2(), FormatDateTime(QStringLiteral("tt"), datecode));
    const QImage withInlay = p.video.LastPicture();

    p.player.SetInlayDisplayed(false);
    p.player.Redraw();
    ExpectShows(p, 125, "the frame drawn again");
    EXPECT_NE(p.video.LastPicture(), withInlay) << "the inlay is on the paused picture";
}

TEST_F(PlayerFiles, EndOfFileGoesBackToTheStartAndPauses)
{
    TaviFichier item(PathOf(1));
    Player p;
    ASSERT_TRUE(p.player.LoadFile(&item));
    p.player.SeekTo(kFrames - 5);
    p.player.Play();
    QElapsedTimer waited;
    waited.start();
    // A bail-out for a player that never comes back, not a measured time.
    while (waited.elapsed() < 10000 && !(p.player.State() == GraphState::Paused && p.player.Position() == 0))
        QCoreApplication::processEvents();
    EXPECT_EQ(p.player.State(), GraphState::Paused);
    ExpectShows(p, 0, "after the end");

    // While the inlay is edited the video loops: it runs on from the start.
    p.player.SetLoopAtEnd(true);
    p.player.SeekTo(kFrames - 3);
    p.player.Play();
    waited.restart();
    while (waited.elapsed() < 10000 && !(p.player.Position() > 0 && p.player.Position() < kFrames - 3))
        QCoreApplication::processEvents();
    EXPECT_EQ(p.player.State(), GraphState::Running);
    EXPECT_LT(p.player.Position(), kFrames - 3);
}

TEST_F(PlayerFiles, StatusTextsOfTheFrameShown)
{
    TaviFichier item(PathOf(1));
    Player p;
    ASSERT_TRUE(p.player.LoadFile(&item));
    p.player.SeekTo(9 * 25 + 23);
    const TPlayerStatus status = p.player.Status();
    EXPECT_EQ(status.positionText, QStringLiteral("0:00:09:23"));
    EXPECT_EQ(status.timecodeText, QStringLiteral("00.10.09.23"));
    EXPECT_EQ(status.datecodeText,
              FormatDateTime(DatecodeDisplayFormat(), *EncodeDateTime(2021, 6, 5, 14, 30, 9)));
    EXPECT_EQ(status.audioText, QStringLiteral("48000Hz 16Bits stereo"));
    EXPECT_EQ(status.audioCodecText, QStringLiteral("PCM 192000 bytes/s"));
    EXPECT_EQ(status.imageText, item.imageText + QStringLiteral(" 4x3)"));
    EXPECT_EQ(status.trackPosition, (9 * 25 + 23) * 1000 / kFrames);

    p.player.ReleaseForCommand();
    EXPECT_EQ(p.player.Status(), TPlayerStatus{}) << "no texts without a graph";
}

TEST(PlayerStatus, TextsTable)
{
    TaviFichier item(QStringLiteral("/nonexistent/a.avi"));
    item.dvInfo = true;
    item.type = 1;
    item.fps = 25;
    item.imageText = QStringLiteral("720 x 576 (Pal");
    TFrameInfo info;
    info.TimecodeValid = true;
    info.Timecode = {1, 2, 3, 4};
    info.AudioRate = 32000;
    info.AudioBits = 12;
    info.Wide = true;

    struct Case {
        int channels;
        const char *audio;
        const char *codec;
    };
    for (const Case &c : {Case{0, "N/A", ""}, Case{1, "32000Hz 12Bits mono", "PCM 48000 bytes/s"},
                          Case{2, "32000Hz 12Bits stereo", "PCM 96000 bytes/s"},
                          Case{3, "32000Hz 12Bits 3  channels", "PCM 144000 bytes/s"},
                          Case{4, "32000Hz 12Bits stereo(2x)", "PCM 192000 bytes/s"}}) {
        info.AudioChannels = c.channels;
        const TPlayerStatus status = PlayerStatusTexts(info, false, item, {1523, 0, 3000}, QStringLiteral("yyyy"));
        EXPECT_EQ(status.audioText, QString::fromLatin1(c.audio));
        EXPECT_EQ(status.audioCodecText, QString::fromLatin1(c.codec));
        EXPECT_EQ(status.datecodeText, QStringLiteral("N/A"));
        EXPECT_EQ(status.timecodeText, QStringLiteral("01.02.03.04"));
        EXPECT_EQ(status.imageText, QStringLiteral("720 x 576 (Pal 16x9)"));
        EXPECT_EQ(status.positionText, QStringLiteral("0:01:00:23"));
        EXPECT_EQ(status.trackPosition, 507);
    }
    const TPlayerStatus stopped = PlayerStatusTexts(info, true, item, {0, 0, 0}, QStringLiteral("yyyy"));
    EXPECT_EQ(stopped.datecodeText, QStringLiteral("-"));
    EXPECT_EQ(stopped.timecodeText, QStringLiteral("-"));
    EXPECT_EQ(stopped.trackPosition, 0);

    EXPECT_EQ(PlayerPositionText(30 * 3600 + 29, 29.97), QStringLiteral("1:00:04:17"));
    EXPECT_EQ(PlayerPositionText(37230120000, 0), QStringLiteral("1:02:03:012"));
}

TEST(PlayerStatus, VolumeLaw)
{
    struct Case {
        int volume;
        bool muted;
        int graph;
    };
    for (const Case &c : {Case{0, false, -10000}, Case{5000, false, -752}, Case{10000, false, 0},
                          Case{1000, false, -2499}, Case{20000, false, 0}, Case{10000, true, -10000}})
        EXPECT_EQ(GraphVolume(c.volume, c.muted), c.graph) << c.volume << " muted " << c.muted;

    Player p;
    p.player.SetVolume(5000);
    EXPECT_EQ(p.sound.Volume(), -752);
    p.player.SetMute(true);
    EXPECT_EQ(p.sound.Volume(), -10000);
}

TEST(PlayerMessages, Table)
{
    const QString head = QStringLiteral("<br><br><br><b><i><SIZE 14>Video not available</size></i></b><br><br>");
    struct Case {
        int code;
        QString text;
    };
    const Case cases[] = {
        {1, head + "The file<br><br><b><color blue>a.avi</color></b><br>is not found."},
        {2, head + "The file<br><br><b><color blue>a.avi</color></b><br><br>seems to have a non standard DV "
                   "codec.<br>To show the video, try to change the codec \"CDVC\" to \"dvsd\"."},
        {5, head + "The file<br><br><b><color blue>a.avi</color></b><br><br>seems not to be a correct DV file."},
        {6, head + "There is no directshow filter on your system that can decompress the<br><B><COLOR BLUE>codec "
                   "CDVC</COLOR></B><br><br><i>You can play the Audio</i>"},
        {9, head + "Temporary break of the video<br>to execute a command<br><br><b><color blue>a.avi</color></b>"},
        {12, QStringLiteral("Please tell Quenlor that occured the failure: Error in AfficherCode")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PlayerFailureMessage(c.code, QStringLiteral("a.avi"), QStringLiteral("CDVC")), c.text) << c.code;
}

class PlayerFailures : public ::testing::Test {
protected:
    // A plain AVI of pictures without DV, made by FFmpeg.
    QString MakeMjpegAvi()
    {
        const QString path = dir.filePath(QStringLiteral("mjpeg.avi"));
        const auto made = testsupport::Run(QStringLiteral("ffmpeg"),
                                           {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=25",
                                            "-t", "1", "-c:v", "mjpeg", "-y", path});
        EXPECT_EQ(made.exitCode, 0) << made.err.constData();
        return path;
    }

    QTemporaryDir dir;
    Player p;
};

TEST_F(PlayerFailures, MissingDamagedAndNotDvFiles)
{
    REQUIRE_TOOL("ffmpeg");
    const QString damaged = dir.filePath(QStringLiteral("damaged.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(damaged, QByteArray("RIFF\x10\0\0\0AVI garbage", 20)));
    const QString mjpeg = MakeMjpegAvi();

    struct Case {
        QString path;
        bool dv;  // what the item is taken for
        int code;
    };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing.avi")), true, kFailureSource},
        {damaged, true, kFailureAvi},
        {damaged, false, kFailureAvi},
        {mjpeg, true, kFailureDv},
    };
    for (const Case &c : cases) {
        TaviFichier item(c.path);
        if (c.path == dir.filePath(QStringLiteral("missing.avi")))
            item.path = c.path;
        item.dvInfo = c.dv;
        EXPECT_FALSE(p.player.LoadFile(&item)) << qPrintable(c.path);
        EXPECT_FALSE(p.player.Built());
        EXPECT_EQ(p.player.FailureCode(), c.code) << qPrintable(c.path);
        EXPECT_EQ(p.player.View().message, PlayerFailureMessage(c.code, item.name, item.codec));
        EXPECT_FALSE(p.player.View().picture);
    }
}

TEST_F(PlayerFailures, AFileLentToACommandSaysSo)
{
    TaviFichier item(dir.filePath(QStringLiteral("missing.avi")));
    p.player.ReleaseForCommand();
    EXPECT_FALSE(p.player.LoadFile(&item));
    EXPECT_EQ(p.player.FailureCode(), kFailureCommand);
    EXPECT_EQ(p.player.View().message, PlayerFailureMessage(kFailureCommand, item.name, item.codec));
}

TEST_F(PlayerFailures, OtherAviFilesPlayThroughTheGeneralGraph)
{
    REQUIRE_TOOL("ffmpeg");
    TaviFichier item(MakeMjpegAvi());
    ASSERT_FALSE(item.dvInfo);
    ASSERT_TRUE(p.player.LoadFile(&item));
    EXPECT_TRUE(p.player.VideoShown());
    EXPECT_FALSE(p.player.SoundPlayed());
    EXPECT_TRUE(p.player.View().picture);
    p.player.SeekTo(10);
    EXPECT_EQ(p.player.Position(), 10);
    EXPECT_EQ(p.video.LastPicture().size(), QSize(160, 120));
}

TEST_F(PlayerFailures, AFileWithoutDvDrawsNoDatecodeOfTheFileBefore)
{
    REQUIRE_TOOL("ffmpeg");
    dvfiles::Options options;
    options.type = 1;
    TaviFichier dv(dvfiles::Make(dir, QStringLiteral("dv.avi"), options));
    TaviFichier other(MakeMjpegAvi());
    p.player.SharedOverlay().Settings.When = IncrustWhen::kPermanently;
    ASSERT_TRUE(p.player.LoadFile(&dv));
    p.player.SeekTo(3);
    ASSERT_FALSE(p.player.Superposer().Line1().isEmpty());
    ASSERT_TRUE(p.player.LoadFile(&other));
    p.player.SeekTo(3);
    EXPECT_TRUE(p.player.Superposer().Line1().isEmpty());
    EXPECT_TRUE(p.player.Superposer().Line2().isEmpty());
}

}  // namespace

namespace {

TEST(PlayerRealFiles, EveryFrameOfACameraRecordingIsReached)
{
    for (const char *name : {"sony_ntsc_type1.avi", "sony_ntsc_type2.avi"}) {
        SCOPED_TRACE(name);
        REQUIRE_SAMPLE(path, QString::fromLatin1(name));
        TaviFichier item(path);
        Player p;
        ASSERT_TRUE(p.player.LoadFile(&item));
        ASSERT_GT(p.player.Duration(), 1);
        for (int64_t n = p.player.Duration() - 1; n >= 0; --n) {
            p.player.SeekTo(n);
            EXPECT_EQ(p.player.Position(), n);
            EXPECT_EQ(p.player.SceneDetector().Published().Frame, n);
        }
        EXPECT_TRUE(p.player.SceneDetector().Published().DatecodeValid);
        EXPECT_EQ(p.player.Status().timecodeText, item.timecodeText);
    }
}

}  // namespace
