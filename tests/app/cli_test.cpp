// The program's command-line forms, run as a user runs them; the peers judge what
// `--info` reads.
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

namespace {

using testsupport::OurProgram;
using testsupport::Run;

QString MakeDv(const QString &path, const QStringList &options)
{
    const auto made = Run(OurProgram(QStringLiteral("morvik-mkdv")),
                          options + QStringList{"--out", path, "--recording", "2021-06-05 14:30:00,00:10:00:00,30"});
    EXPECT_EQ(made.exitCode, 0) << made.err.constData();
    return path;
}

QString MediaInfo(const QString &inform, const QString &file)
{
    return QString::fromUtf8(Run(QStringLiteral("mediainfo"), {QStringLiteral("--Inform=") + inform, file}).out).trimmed();
}

QString FfprobeValue(const QString &entry, const QString &stream, const QString &file)
{
    return QString::fromUtf8(Run(QStringLiteral("ffprobe"), {"-v", "error", "-count_frames", "-select_streams", stream,
                                                             "-show_entries", entry, "-of", "csv=p=0", file})
                                 .out)
        .trimmed();
}

testsupport::ProcessResult Morvik(const QStringList &args)
{
    return Run(OurProgram(QStringLiteral("morvik")), args);
}

QJsonObject InfoOf(const QString &file)
{
    const auto info = Morvik({"--info", "--json", file});
    EXPECT_EQ(info.exitCode, 0) << info.err.constData();
    return QJsonDocument::fromJson(info.out).object();
}

// What --info reads against what MediaInfo and ffprobe read from the same file.
void ExpectPeersAgree(const QString &file)
{
    SCOPED_TRACE(file.toStdString());
    const QJsonObject info = InfoOf(file);
    const QString recorded = MediaInfo(QStringLiteral("General;%Recorded_Date%"), file);
    EXPECT_EQ(info[QStringLiteral("datecode")].toString(), recorded.left(19).replace(u' ', u'T'));
    const QString timecode = MediaInfo(QStringLiteral("Video;%TimeCode_FirstFrame%"), file);
    EXPECT_EQ(info[QStringLiteral("timecode")].toString(), QString(timecode).replace(u';', u':'));
    EXPECT_EQ(info[QStringLiteral("wide")].toBool(), MediaInfo(QStringLiteral("Video;%DisplayAspectRatio/String%"), file) == "16:9");
    EXPECT_EQ(info[QStringLiteral("system")].toString(), MediaInfo(QStringLiteral("Video;%Standard%"), file));
    EXPECT_EQ(QString::number(info[QStringLiteral("frames")].toInt()),
              FfprobeValue(QStringLiteral("stream=nb_read_frames"), QStringLiteral("v:0"), file));
    const QString rate = FfprobeValue(QStringLiteral("stream=sample_rate"), QStringLiteral("a:0"), file);
    EXPECT_TRUE(info[QStringLiteral("audio")].toString().startsWith(rate + QStringLiteral("Hz"))) << rate.toStdString();
}

}  // namespace

TEST(CommandLine, InfoReadsWhatThePeersRead)
{
    REQUIRE_TOOL("mediainfo");
    REQUIRE_TOOL("ffprobe");
    QTemporaryDir dir;
    ExpectPeersAgree(MakeDv(dir.filePath("t1.avi"), {"--type", "1"}));
    ExpectPeersAgree(MakeDv(dir.filePath("t2n.avi"), {"--type", "2", "--system", "ntsc", "--aspect", "16:9"}));
    ExpectPeersAgree(MakeDv(dir.filePath("t2p.avi"), {"--type", "2", "--audio", "32k12"}));
    for (const char *sample : {"sony_ntsc_type1.avi", "sony_ntsc_type2.avi"}) {
        const QString path = testsupport::SamplePath(QString::fromLatin1(sample));
        if (!QFile::exists(path)) {
            std::cout << "real sample " << sample << " is absent; skipped\n";
            continue;
        }
        ExpectPeersAgree(path);
    }
}

TEST(CommandLine, InfoReportsUnreadableFilesAndGoesOn)
{
    QTemporaryDir dir;
    const QString good = MakeDv(dir.filePath("good.avi"), {});
    const QString bad = dir.filePath("bad.avi");
    testsupport::WriteWholeFile(bad, "RIFF nonsense");
    const auto info = Morvik({"--info", bad, good});
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_TRUE(info.err.contains((bad + QStringLiteral(": not a readable AVI file")).toUtf8())) << info.err.constData();
    EXPECT_TRUE(info.out.startsWith(good.toUtf8() + ",")) << info.out.constData();
    EXPECT_EQ(Morvik({"--info"}).exitCode, 2);
}

TEST(CommandLine, BatchRunsTheWindowsCommandLine)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("videos")));
    MakeDv(dir.filePath("videos/a.avi"), {});
    MakeDv(dir.filePath("videos/b.avi"), {"--type", "1"});
    const QString config = dir.filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", config.toUtf8());

    const QString list = dir.filePath(QStringLiteral("list.txt"));
    const auto saved =
        Morvik({"--batch", "/l=" + dir.filePath("videos"), "/s=" + list});
    EXPECT_EQ(saved.exitCode, 0) << saved.err.constData();
    const QString playlist = QString::fromUtf16(reinterpret_cast<const char16_t *>(testsupport::ReadWholeFile(list).constData() + 2));
    EXPECT_TRUE(playlist.contains(dir.filePath("videos/a.avi"))) << playlist.toStdString();
    EXPECT_TRUE(playlist.contains(dir.filePath("videos/b.avi")));

    // The same through a script; the bare form lists what it opened.
    const QString script = dir.filePath(QStringLiteral("script.txt"));
    testsupport::WriteWholeFile(script, "playlist " + list.toUtf8() + "\nselectall\n");
    const auto scripted = Morvik({"/os=" + script});
    EXPECT_EQ(scripted.exitCode, 0) << scripted.err.constData();
    EXPECT_EQ(scripted.out.count('\n'), 2) << scripted.out.constData();

    const auto unknown = Morvik({"--batch", "/nosuchswitch"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("/nosuchswitch names no action")) << unknown.err.constData();
    EXPECT_FALSE(QFile::exists(config + QStringLiteral("/Quenlor/Morvik.ini"))) << "a batch run never writes preferences";
}

TEST(CommandLine, HelpListsEveryActionWithItsSwitchAndToken)
{
    const auto help = Morvik({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    const QString text = QString::fromUtf8(help.out);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("\\nCreate a scn file by datecode +cd +createscnbydate\\n"))))
        << text.toStdString();
    EXPECT_LT(text.indexOf(QStringLiteral("\nAbort all")), text.indexOf(QStringLiteral("\nTurn sound off")));
}

TEST(CommandLine, BatchCommandsChangeTheFilesOnDisk)
{
    QTemporaryDir dir;
    const QString videos = dir.filePath(QStringLiteral("videos"));
    ASSERT_TRUE(QDir().mkpath(videos));
    MakeDv(videos + "/clip_type2.avi", {});
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    const auto files = [&] { return QDir(videos).entryList(QDir::Files, QDir::Name); };

    // Scene files of one second (30 frames: 25 and 5), then their text export.
    auto run = Morvik({"--batch", "/l=" + videos, "/a", "/ci=1", "/x"});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(files(), (QStringList{"clip_type2.avi", "clip_type2.scn", "clip_type2_scn.txt"}));
    const QString text = QString::fromUtf8(testsupport::ReadWholeFile(videos + "/clip_type2_scn.txt"));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n  2, "))) << text.toStdString();

    // Without --yes nothing is renamed: the question is answered No.
    run = Morvik({"--batch", "/l=" + videos, "/a", "/sh"});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.err.contains("Skipped: Do you want to rename clip_type2.avi to ")) << run.err.constData();
    EXPECT_TRUE(files().contains("clip_type2.avi"));

    // Shorten the name, then name it from its datecode; the scene file follows.
    run = Morvik({"--batch", "--yes", "/l=" + videos, "/a", "/sh"});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(files(), (QStringList{"clip.avi", "clip.scn", "clip_type2_scn.txt"}));
    run = Morvik({"--batch", "--yes", "/l=" + videos, "/a", "/r"});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(files(), (QStringList{"clip_type2_scn.txt", "video'20210605_14.30.00.avi", "video'20210605_14.30.00.scn"}));

    // The scene file goes to the trash.
    run = Morvik({"--batch", "--yes", "/l=" + videos, "/a", "/z"});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_FALSE(files().contains("video'20210605_14.30.00.scn"));
    EXPECT_TRUE(QFile::exists(dir.filePath("data/Trash/files/video'20210605_14.30.00.scn")));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
}

TEST(CommandLine, CtrlCAbortsTheRunAndLeavesAValidPartialFile)
{
    QTemporaryDir dir;
    const QString videos = dir.filePath(QStringLiteral("videos"));
    ASSERT_TRUE(QDir().mkpath(videos));
    const auto made = testsupport::Run(OurProgram(QStringLiteral("morvik-mkdv")),
                          {"--out", videos + "/long.avi", "--recording", "2021-06-05 14:30:00,00:10:00:00,1500"});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    QProcess batch;
    batch.start(OurProgram(QStringLiteral("morvik")), {"--batch", "/l=" + videos, "/a", "/i"});
    ASSERT_TRUE(batch.waitForStarted());
    QByteArray err;
    while (!err.contains("Inlaying in long.avi") && batch.state() == QProcess::Running) {
        batch.waitForReadyRead(100);
        err += batch.readAllStandardError();
    }
    ASSERT_TRUE(err.contains("Inlaying in long.avi")) << err.constData();
    QThread::msleep(300);
    ::kill(static_cast<pid_t>(batch.processId()), SIGINT);
    ASSERT_TRUE(batch.waitForFinished(30000));
    EXPECT_EQ(batch.exitCode(), 130) << (err + batch.readAllStandardError()).constData();
    const QString partial = videos + "/long_in.avi";
    ASSERT_TRUE(QFile::exists(partial));
    const QString frames = FfprobeValue(QStringLiteral("stream=nb_read_frames"), QStringLiteral("v:0"), partial);
    EXPECT_GT(frames.toInt(), 0);
    EXPECT_LT(frames.toInt(), 1500);
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(CommandLine, AScriptCreatesSceneFilesByDatecode)
{
    QTemporaryDir dir;
    const QString videos = dir.filePath(QStringLiteral("my videos"));
    ASSERT_TRUE(QDir().mkpath(videos));
    const auto made = testsupport::Run(OurProgram(QStringLiteral("morvik-mkdv")),
                                       {"--out", videos + "/trip.avi", "--recording", "2021-06-05 14:30:00,00:10:00:00,20",
                                        "--recording", "2021-06-06 09:00:00,00:20:00:00,15"});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    const QString script = dir.filePath(QStringLiteral("job.txt"));
    testsupport::WriteWholeFile(script, QStringLiteral("openfolder \"%1\"\nselectall\ncreatescnbydate\nexportscntext\n")
                                            .arg(videos)
                                            .toUtf8());
    const auto run = Morvik({"--batch", "/os=" + script});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    const QString text = QString::fromUtf8(testsupport::ReadWholeFile(videos + "/trip_scn.txt"));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n  1, ")) && text.contains(QStringLiteral("\r\n  2, ")) &&
                !text.contains(QStringLiteral("\r\n  3, ")))
        << text.toStdString();
    qunsetenv("XDG_CONFIG_HOME");
}
