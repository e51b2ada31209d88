// The command table's graph rows run through the engine on the conversion graph:
// what each writes, as FFmpeg and the list read it back, the scan rows' scene and
// subtitle files, the cut into scenes, the overwrite question and an abort.
#include "commands/writergraphcmd.h"
#include "scenes/scnfile.h"
#include "scenes/scenelist.h"
#include "tablefixture.h"

#include "support/testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// One entry of the first video stream, as ffprobe reads the file.
QString VideoEntry(const QString &path, const QString &entry)
{
    const auto probed = testsupport::Run(
        QStringLiteral("ffprobe"), {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                    QStringLiteral("stream=") + entry, "-of", "csv=p=0", path});
    return probed.exitCode == 0 ? QString::fromUtf8(probed.out).trimmed() : QStringLiteral("unreadable");
}

int FrameCount(const QString &path)
{
    bool ok = false;
    const int frames = VideoEntry(path, QStringLiteral("nb_read_frames")).toInt(&ok);
    return ok ? frames : -1;
}

constexpr double kSecond = 1.0 / 86400;

const QStringList kTwentyFrames = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,20")};

struct ConversionCase {
    const char *command;
    DvOptions source;
    QStringList params;
    const char *destination;
    int frames;  // the source's 20, in the frame rate of the new file
    std::function<void(TableFixture &f, const TaviFichier &source, const TaviFichier &made)> check;
};

}  // namespace

TEST(GraphRows, EachConversionWritesItsDestinationAndAddsIt)
{
    const ConversionCase cases[] = {
        {"ConvertirDV1", {.plan = kTwentyFrames}, {}, "a_type1.avi", 20,
         [](TableFixture &, const TaviFichier &, const TaviFichier &made) { EXPECT_EQ(made.type, 1); }},
        {"ConvertirDV2", {.type = 1, .plan = kTwentyFrames}, {}, "a_type2.avi", 20,
         [](TableFixture &f, const TaviFichier &, const TaviFichier &made) {
             EXPECT_EQ(made.type, 2);
             const auto audio = testsupport::Run(QStringLiteral("ffprobe"),
                                                 {"-v", "error", "-select_streams", "a", "-show_entries",
                                                  "stream=codec_name", "-of", "csv=p=0", f.Path("a_type2.avi")});
             EXPECT_TRUE(QString::fromUtf8(audio.out).contains(QStringLiteral("pcm_s16le"))) << audio.out.constData();
         }},
        {"DecalerHoraire", {.plan = kTwentyFrames}, {QStringLiteral("0.5")}, "a_(+12h).avi", 20,
         [](TableFixture &, const TaviFichier &source, const TaviFichier &made) {
             EXPECT_NEAR(made.datecode, source.datecode + 0.5, kSecond);
         }},
        {"IntroduireDatecode", {.plan = kTwentyFrames}, {QStringLiteral("44000.5")}, "a_datecode.avi", 20,
         [](TableFixture &f, const TaviFichier &, const TaviFichier &made) {
             EXPECT_NEAR(made.datecode, 44000.5, kSecond);
             EXPECT_TRUE(testsupport::ReadWholeFile(f.Path("a_datecode.avi")).contains("IQNR"));
         }},
        {"Convertir16x9", {.plan = kTwentyFrames}, {}, "a_16x9.avi", 20,
         [](TableFixture &f, const TaviFichier &, const TaviFichier &made) {
             EXPECT_TRUE(made.wide);
             EXPECT_EQ(VideoEntry(f.Path("a_16x9.avi"), "display_aspect_ratio"), QStringLiteral("16:9"));
         }},
        {"ConvertirNTSC", {.plan = kTwentyFrames}, {}, "a_ntsc.avi", 24,
         [](TableFixture &f, const TaviFichier &, const TaviFichier &made) {
             EXPECT_EQ(made.system, kSystemNtsc);
             EXPECT_EQ(made.type, 2);
             EXPECT_EQ(VideoEntry(f.Path("a_ntsc.avi"), "r_frame_rate"), QStringLiteral("30000/1001"));
         }},
        {"ConvertirPal", {.ntsc = true, .plan = kTwentyFrames}, {}, "a_pal.avi", 17,
         [](TableFixture &f, const TaviFichier &, const TaviFichier &made) {
             EXPECT_EQ(made.system, kSystemPal);
             EXPECT_EQ(VideoEntry(f.Path("a_pal.avi"), "r_frame_rate"), QStringLiteral("25/1"));
         }},
        {"Incruster", {.plan = kTwentyFrames}, {}, "a_in.avi", 20,
         [](TableFixture &, const TaviFichier &source, const TaviFichier &made) {
             EXPECT_EQ(made.type, 2);
             EXPECT_NEAR(made.datecode, source.datecode, kSecond) << "the source's datecode is put back";
         }},
    };
    for (const ConversionCase &c : cases) {
        SCOPED_TRACE(c.command);
        TableFixture f;
        ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"), c.source).isEmpty());
        f.Open({QStringLiteral("a.avi")});
        f.Select({QStringLiteral("a.avi")});
        f.Run(QString::fromLatin1(c.command), c.params);
        f.list.WaitForScans();
        EXPECT_TRUE(f.user.errors.isEmpty()) << Names(f.user.errors);
        const QString destination = QString::fromLatin1(c.destination);
        EXPECT_EQ(Names(f.ListNames()), Names({QStringLiteral("a.avi"), destination}));
        EXPECT_EQ(FrameCount(f.Path(destination)), c.frames);
        const TaviFichier *made = f.Item(destination);
        ASSERT_NE(made, nullptr);
        c.check(f, *f.Item(QStringLiteral("a.avi")), *made);
    }
}

TEST(GraphRows, AspectBackTo4x3AndAudioExtraction)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("w.avi"), {.plan = kTwentyFrames}).isEmpty());
    {
        // A wide source, made by the row that widens.
        f.Open({QStringLiteral("w.avi")});
        f.Select({QStringLiteral("w.avi")});
        f.Run(QStringLiteral("Convertir16x9"));
        f.list.WaitForScans();
    }
    f.Select({QStringLiteral("w_16x9.avi")});
    f.Run(QStringLiteral("Convertir4x3"));
    f.list.WaitForScans();
    ASSERT_NE(f.Item(QStringLiteral("w_16x9_4x3.avi")), nullptr);
    EXPECT_FALSE(f.Item(QStringLiteral("w_16x9_4x3.avi"))->wide);

    f.Select({QStringLiteral("w.avi")});
    f.Run(QStringLiteral("ExtraireAudio"));
    const auto audio =
        testsupport::Run(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "stream=codec_name,sample_rate",
                                                     "-of", "csv=p=0", f.Path(QStringLiteral("w.wav"))});
    EXPECT_EQ(QString::fromUtf8(audio.out).trimmed(), QStringLiteral("pcm_s16le,48000"));
    EXPECT_EQ(f.Item(QStringLiteral("w.wav")), nullptr) << "the sound is not added to the list";
    EXPECT_TRUE(f.user.errors.isEmpty()) << Names(f.user.errors);
}

TEST(GraphRows, ScnByDateCutsAtTheRecordingJumpAndReloads)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"),
                          {.plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,20"),
                                    QStringLiteral("--recording"), QStringLiteral("2021-06-05 16:00:00,00:10:00:20,20")}})
                     .isEmpty());
    f.Open({QStringLiteral("a.avi")});
    f.Select({QStringLiteral("a.avi")});
    EXPECT_FALSE(f.Item(QStringLiteral("a.avi"))->hasScn);
    f.Run(QStringLiteral("CreerScnByDate"));
    f.list.WaitForScans();
    TSceneList scenes;
    ASSERT_TRUE(ReadScnFile(f.Path(QStringLiteral("a.scn")), scenes));
    ASSERT_EQ(scenes.size(), 2U);
    EXPECT_EQ(scenes[0].Scene->BeginFrame, 0);
    EXPECT_EQ(scenes[0].Scene->EndFrame, 20);
    EXPECT_EQ(scenes[1].Scene->BeginFrame, 20);
    EXPECT_EQ(scenes[1].Scene->EndFrame, 40);
    EXPECT_TRUE(f.Item(QStringLiteral("a.avi"))->hasScn) << "the item is reloaded";
}

TEST(GraphRows, SrtAndContentScansWriteBesideTheVideo)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"), {.plan = kTwentyFrames}).isEmpty());
    f.Open({QStringLiteral("a.avi")});
    f.Select({QStringLiteral("a.avi")});
    f.Run(QStringLiteral("CreerSrt"));
    f.list.WaitForScans();
    const QByteArray srt = testsupport::ReadWholeFile(f.Path(QStringLiteral("a.srt")));
    EXPECT_TRUE(srt.startsWith("1\r\n00:00:00,000 --> ")) << srt.constData();
    EXPECT_TRUE(f.Item(QStringLiteral("a.avi"))->hasSrt);

    f.Run(QStringLiteral("CreerScnByContenu"));
    f.list.WaitForScans();
    TSceneList scenes;
    ASSERT_TRUE(ReadScnFile(f.Path(QStringLiteral("a.scn")), scenes));
    ASSERT_FALSE(scenes.empty());
    EXPECT_EQ(scenes.back().Scene->EndFrame, 20) << "the scenes cover the video";
    EXPECT_TRUE(f.Item(QStringLiteral("a.avi"))->hasScn);
    EXPECT_TRUE(f.user.errors.isEmpty()) << Names(f.user.errors);
}

TEST(GraphRows, CutScenesMakesOneFilePerScene)
{
    for (const int type : {2, 1}) {
        SCOPED_TRACE(type);
        TableFixture f;
        ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"),
                              {.type = type,
                               .plan = {QStringLiteral("--recording"),
                                        QStringLiteral("2021-06-05 14:30:00,00:10:00:00,30")}})
                         .isEmpty());
        {
            TwriteScene writer(f.Path(QStringLiteral("a.avi")));
            writer.WriteScene(TSceneClass(0, 10));
            writer.WriteScene(TSceneClass(10, 25));
            writer.WriteScene(TSceneClass(25, 30));
        }
        f.Open({QStringLiteral("a.avi")});
        f.Select({QStringLiteral("a.avi")});
        f.Run(QStringLiteral("CutScenes"));
        f.list.WaitForScans();
        EXPECT_TRUE(f.user.errors.isEmpty()) << Names(f.user.errors);
        EXPECT_EQ(Names(f.ListNames()), "a.avi a_scene_1.avi a_scene_2.avi a_scene_3.avi");
        EXPECT_EQ(FrameCount(f.Path(QStringLiteral("a_scene_1.avi"))), 10);
        EXPECT_EQ(FrameCount(f.Path(QStringLiteral("a_scene_2.avi"))), 15);
        EXPECT_EQ(FrameCount(f.Path(QStringLiteral("a_scene_3.avi"))), 5);
    }
}

TEST(GraphRows, AnExistingDestinationIsAskedAbout)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"), {.plan = kTwentyFrames}).isEmpty());
    ASSERT_TRUE(testsupport::WriteWholeFile(f.Path(QStringLiteral("a_type1.avi")), "kept"));
    f.Open({QStringLiteral("a.avi")});
    f.Select({QStringLiteral("a.avi")});
    f.user.answers = {kAnswerNo};
    f.Run(QStringLiteral("ConvertirDV1"));
    ASSERT_EQ(f.user.questions.size(), 1);
    EXPECT_TRUE(f.user.questions[0].contains(QStringLiteral("a_type1.avi"))) << qPrintable(f.user.questions[0]);
    EXPECT_EQ(testsupport::ReadWholeFile(f.Path(QStringLiteral("a_type1.avi"))), QByteArray("kept"));
    EXPECT_EQ(Names(f.ListNames()), "a.avi");
}

TEST(GraphRows, AnAbortedConversionLeavesAPartialFileInTheList)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"),
                          {.plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,50")}})
                     .isEmpty());
    f.Open({QStringLiteral("a.avi")});
    f.Select({QStringLiteral("a.avi")});
    f.engine.OnSetProgress = [&f](int) { f.engine.Abort(); };
    f.Run(QStringLiteral("ConvertirNTSC"));
    f.list.WaitForScans();
    EXPECT_EQ(Names(f.ListNames()), "a.avi a_ntsc.avi");
    // How far the graph got before the stop depends on the machine; the 50 frames
    // make 60 at the NTSC rate.
    const int frames = FrameCount(f.Path(QStringLiteral("a_ntsc.avi")));
    EXPECT_GE(frames, 0) << "FFmpeg reads the stopped file";
    EXPECT_LE(frames, 60);
}

TEST(GraphRows, RecompressingAVideoThatIsNoDvMakesDvType2)
{
    TableFixture f;
    const auto made = testsupport::Run(QStringLiteral("ffmpeg"),
                                       {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=720x576:rate=25", "-f",
                                        "lavfi", "-i", "sine=sample_rate=48000", "-frames:v", "10", "-shortest",
                                        "-c:v", "mjpeg", "-c:a", "pcm_s16le", f.Path(QStringLiteral("m.avi"))});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    f.Open({QStringLiteral("m.avi")});
    f.Select({QStringLiteral("m.avi")});
    f.preferences.ratioDv = 1;
    f.Run(QStringLiteral("RecompresserDV2"));
    f.list.WaitForScans();
    EXPECT_TRUE(f.user.errors.isEmpty()) << Names(f.user.errors);
    const TaviFichier *dv = f.Item(QStringLiteral("m_dvtype2.avi"));
    ASSERT_NE(dv, nullptr);
    EXPECT_TRUE(dv->dvInfo);
    EXPECT_EQ(dv->type, 2);
    EXPECT_TRUE(dv->wide) << "the aspect of \"ratio DV\"";
    EXPECT_EQ(VideoEntry(f.Path(QStringLiteral("m_dvtype2.avi")), QStringLiteral("codec_name")),
              QStringLiteral("dvvideo"));
}

// A pass whose graph never reaches its end (here: never starts) still closes the
// writers its build made, before the next file.
TEST(GraphRows, AnAbandonedPassStillClosesItsWriters)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("a.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(video, "x"));
    EngineFixture fixture({video});
    TWriterGraphCmd cmd;
    cmd.Nombre = TcmdNombre::fnSelect;
    cmd.OnBuildGraph = [&](TAbstractListFichier *fichier, const QString &, const QStringList &, int) {
        cmd.SceneWriter = std::make_unique<TwriteScene>(fichier->path);
        cmd.SceneWriter->WriteScene(TSceneClass(0, 10));
        cmd.SrtWriter = std::make_unique<TWriteSrt>(fichier->path, 25);
        return static_cast<MediaSeeking *>(nullptr);
    };
    fixture.list.Select({0});
    fixture.Run(cmd);
    EXPECT_EQ(cmd.SceneWriter, nullptr);
    EXPECT_EQ(cmd.SrtWriter, nullptr);
    TSceneList scenes;
    EXPECT_TRUE(ReadScnFile(ScnFilePath(video), scenes)) << "the scene file was closed whole";
    EXPECT_EQ(scenes.size(), 1U);
}

TEST(GraphRows, TheRowWithoutBuildDoesNothing)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"), {.plan = kTwentyFrames}).isEmpty());
    f.Open({QStringLiteral("a.avi")});
    f.Select({QStringLiteral("a.avi")});
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("ConvertirFlv"));
    EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty());
    EXPECT_EQ(Names(f.ListNames()), "a.avi");
}

// The graphs are built on the worker, which runs no event loop: their end must still
// come through to the engine, which ends its wait on it.
TEST(GraphRows, TheGraphsEndReachesTheEngine)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"), {.plan = kTwentyFrames}).isEmpty());
    f.Open({QStringLiteral("a.avi")});
    f.Select({QStringLiteral("a.avi")});
    int ended = 0;
    QObject::connect(&f.cdm, &TCdm::GraphEnded, &f.engine, [&ended] { ++ended; });
    f.Run(QStringLiteral("ConvertirDV1"));
    QCoreApplication::processEvents();
    EXPECT_EQ(ended, 1);
}
