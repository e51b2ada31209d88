// "Abort" and "Abort all" while the graph of the second of four files runs, for a
// conversion and for the scans that write beside the video: the file before is
// whole, the one aborted is a valid shorter file that the list takes, and then
// either the next file is skipped and the last one runs, or the run ends there.
//
// The abort comes with the second file's progress, before the graph command first
// looks for it, so the graph is stopped at its first look. A copy of its frames cannot
// be through by then; a scan may be (it reads no picture), so for the scans the file
// is only required to be closed in one of the forms its writer leaves.
#include "scenes/scenelist.h"
#include "scenes/scnfile.h"
#include "scenes/writesrt.h"
#include "tablefixture.h"

#include "support/testsupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kRecordings = 5;
constexpr int kFramesEach = 20;

QStringList FiveRecordings()
{
    QStringList plan;
    for (int r = 0; r < kRecordings; ++r)
        plan << QStringLiteral("--recording")
             << QStringLiteral("2021-06-0%1 14:30:00,00:0%1:00:00,%2").arg(r + 1).arg(kFramesEach);
    return plan;
}

// The frames FFmpeg reads in the file (it counts none, "N/A", in a file without frames); -1
// when it cannot read the file.
int FrameCount(const QString &path)
{
    const auto probed = testsupport::Run(QStringLiteral("ffprobe"),
                                         {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                          "stream=nb_read_frames", "-of", "csv=p=0", path});
    const QByteArray frames = probed.out.trimmed();
    if (probed.exitCode != 0 || frames.isEmpty())
        return -1;
    bool ok = false;
    const int count = frames == "N/A" ? 0 : frames.toInt(&ok);
    return frames == "N/A" || ok ? count : -1;
}

// The scenes of a scene file; 0 for the file the writer leaves before its first scene
// (the records before the count, which names the video); -1 for anything else.
int SceneCount(const QString &path)
{
    TSceneList scenes;
    if (ReadScnFile(path, scenes))
        return static_cast<int>(scenes.size());
    const QByteArray bytes = testsupport::ReadWholeFile(path);
    const QString video = path.chopped(4) + QStringLiteral(".avi");
    const QByteArray videoChars(reinterpret_cast<const char *>(video.utf16()), 2 * video.size());
    const bool noSceneYet = bytes.size() == 36 + videoChars.size() && bytes.contains(videoChars);
    return noSceneYet ? 0 : -1;
}

// The subtitles of a SubRip file made only of whole entries numbered from 1; -1 otherwise.
int SubtitleCount(const QString &path)
{
    if (!QFileInfo::exists(path))
        return -1;
    static const QRegularExpression entry(QStringLiteral(
        "^(\\d+)\\r\\n\\d{2}:\\d{2}:\\d{2},\\d{3} --> \\d{2}:\\d{2}:\\d{2},\\d{3}\\r\\n[^\\r\\n]*\\r\\n[^\\r\\n]*$"));
    const QString text = QString::fromUtf8(testsupport::ReadWholeFile(path));
    if (text.isEmpty())
        return 0;
    if (!text.endsWith(QStringLiteral("\r\n\r\n")))
        return -1;
    const QStringList entries = text.chopped(4).split(QStringLiteral("\r\n\r\n"));
    for (int n = 0; n < entries.size(); ++n) {
        const auto match = entry.match(entries[n]);
        if (!match.hasMatch() || match.captured(1).toInt() != n + 1)
            return -1;
    }
    return static_cast<int>(entries.size());
}

struct Row {
    const char *command;
    const char *suffix;         // of the output beside each video
    bool outputListed;          // the output is added to the list (else the video is reloaded)
    bool copiesFrames;
    int (*content)(const QString &path);  // frames, scenes or subtitles; -1 when unreadable
};

const Row kRows[] = {
    {"ConvertirDV2", "_type2.avi", true, true, FrameCount},
    {"CreerScnByDate", ".scn", false, false, SceneCount},
    {"CreerSrt", ".srt", false, false, SubtitleCount},
};

const QStringList kVideos = {"a.avi", "b.avi", "c.avi", "d.avi"};

QString OutputOf(const QString &video, const Row &row)
{
    return QFileInfo(video).completeBaseName() + QString::fromLatin1(row.suffix);
}

}  // namespace

TEST(GraphAbort, AbortStopsTheSecondFileSkipsTheThirdAndAbortAllEndsTheRun)
{
    REQUIRE_TOOL("ffprobe");
    for (const Row &row : kRows) {
        for (const bool all : {false, true}) {
            SCOPED_TRACE(std::string(row.command) + (all ? " abort all" : " abort"));
            TableFixture f;
            for (const QString &video : kVideos)
                ASSERT_FALSE(f.MakeDv(video, {.type = 1, .plan = FiveRecordings()}).isEmpty());
            f.Open(kVideos);
            f.Select(kVideos);
            f.engine.OnStartProgress = [&f, all](int max) {
                f.user.StartProgress(max);
                if (f.engine.Current && f.engine.Current->name == QStringLiteral("b.avi"))
                    all ? f.engine.AbortAll() : f.engine.Abort();
            };
            int ends = 0;
            f.engine.OnEndCommand = [&ends] { ++ends; };
            std::vector<GraphCompletion::Result> runs;
            QObject::connect(&f.cdm, &TCdm::GraphEnded, &f.engine,
                             [&runs](const GraphCompletion &completion) { runs.push_back(completion.result); });
            f.Run(QString::fromLatin1(row.command));
            f.list.WaitForScans();
            QCoreApplication::processEvents();

            EXPECT_TRUE(f.user.errors.isEmpty()) << Names(f.user.errors);
            EXPECT_EQ(ends, 1);
            using Result = GraphCompletion::Result;
            ASSERT_EQ(runs.size(), all ? 2U : 3U) << "the third file's graph is not run";
            EXPECT_EQ(runs.front(), Result::Complete);
            if (!all)
                EXPECT_EQ(runs.back(), Result::Complete) << "a stale end of the stopped graph cut the last file short";

            const int whole = row.content(f.Path(OutputOf(QStringLiteral("a.avi"), row)));
            EXPECT_GT(whole, 0) << "the first file is whole";
            const int partial = row.content(f.Path(OutputOf(QStringLiteral("b.avi"), row)));
            EXPECT_GE(partial, 0) << "the aborted file is closed and readable";
            EXPECT_LE(partial, whole);
            if (row.copiesFrames) {
                EXPECT_EQ(runs[1], Result::StoppedEarly);
                EXPECT_LT(partial, whole) << "the aborted file is shorter";
            }
            EXPECT_FALSE(QFileInfo::exists(f.Path(OutputOf(QStringLiteral("c.avi"), row)))) << "the third is skipped";
            const int last = row.content(f.Path(OutputOf(QStringLiteral("d.avi"), row)));
            EXPECT_EQ(last, all ? -1 : whole) << "the last file runs after a simple abort only";

            QStringList listed = kVideos;
            if (row.outputListed) {
                listed << OutputOf(QStringLiteral("a.avi"), row) << OutputOf(QStringLiteral("b.avi"), row);
                if (!all)
                    listed << OutputOf(QStringLiteral("d.avi"), row);
                listed.sort();
            }
            EXPECT_EQ(Names(f.ListNames()), Names(listed));
            if (!row.outputListed) {
                // The videos are reloaded and now report their new file.
                const auto has = [&](const char *name) {
                    const TaviFichier *item = f.Item(QString::fromLatin1(name));
                    return item && (QLatin1String(row.suffix) == QLatin1String(".scn") ? item->hasScn : item->hasSrt);
                };
                EXPECT_TRUE(has("a.avi"));
                EXPECT_TRUE(has("b.avi"));
                EXPECT_FALSE(has("c.avi"));
                EXPECT_EQ(has("d.avi"), !all);
            }
        }
    }
}
