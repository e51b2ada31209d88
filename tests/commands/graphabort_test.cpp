// "Abort" and "Abort all" while the graph of the second of four files runs, for a
// conversion and for the scans that write beside the video: the file before is
// whole, the one aborted is a valid shorter file that the list takes, and then
// either the next file is skipped and the last one runs, or the run ends there.
//
// The abort comes with the second file's progress, before the graph command first
// looks for it, so the graph is stopped at its first look. A graph can be through by
// then, so the test holds its stream, once it has written its first scene or subtitle
// or met the first change of recording, until the graph is told to stop.
#include "commands/writergraphcmd.h"
#include "media/dv_scenedetectfilter.h"
#include "scenes/scenelist.h"
#include "scenes/scnfile.h"
#include "scenes/writesrt.h"
#include "tablefixture.h"

#include "support/testsupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
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

int SceneCount(const QString &path)
{
    TSceneList scenes;
    return ReadScnFile(path, scenes) ? static_cast<int>(scenes.size()) : -1;
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

// Holds a scan's stream after its first entry until the graph is told to stop.
class FirstEntryHold {
public:
    // Streaming thread, once the entry is in the file.
    void Written(const FilterGraph &graph)
    {
        {
            const std::lock_guard lock(mutex_);
            written_ = true;
        }
        changed_.notify_all();
        while (!graph.InterruptPending())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The thread that is about to stop the graph.
    bool WaitWritten()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(60), [this] { return written_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool written_ = false;
};

using HoldInstaller = void (*)(TCdm &cdm, TGraphCmd &cmd, FirstEntryHold &hold);

// A conversion whose graph finds the recordings: held at the first change.
void HoldAtFirstRecordingChange(TCdm &cdm, TGraphCmd &, FirstEntryHold &hold)
{
    cdm.SceneDetect().SetSceneCallback([&cdm, &hold](const TFrameInfo &, const TFrameInfo &) { hold.Written(cdm.Graph()); });
}

// The scan rows' own writing, followed by the hold.
void HoldAfterFirstScene(TCdm &cdm, TGraphCmd &graphCmd, FirstEntryHold &hold)
{
    auto &cmd = dynamic_cast<TWriterGraphCmd &>(graphCmd);
    cdm.SceneDetect().SetSceneCallback([&cdm, &cmd, &hold](const TFrameInfo &start, const TFrameInfo &current) {
        if (cmd.SceneWriter)
            cmd.SceneWriter->WriteScene(TSceneClass(start.Frame, current.Frame));
        hold.Written(cdm.Graph());
    });
}

// A subtitle is written when the next one begins.
void HoldAfterFirstSubtitle(TCdm &cdm, TGraphCmd &graphCmd, FirstEntryHold &hold)
{
    auto &cmd = dynamic_cast<TWriterGraphCmd &>(graphCmd);
    cdm.SceneDetect().SetSubtitleCallback(
        [&cdm, &cmd, &hold, calls = 0](const TFrameInfo &current, const QString &line1, const QString &line2) mutable {
            if (cmd.SrtWriter)
                cmd.SrtWriter->OnSubtitle(current.Frame, line1, line2);
            if (++calls == 2)
                hold.Written(cdm.Graph());
        });
}

struct Row {
    const char *command;
    int sourceType;                       // of the videos made
    const char *suffix;                   // of the output beside each video
    bool outputListed;                    // the output is added to the list (else the video is reloaded)
    int (*content)(const QString &path);  // frames, scenes or subtitles; -1 when unreadable
    HoldInstaller hold;
    int partialContent;                   // what the aborted file holds; -1: anything shorter
};

const Row kRows[] = {
    {"ConvertirNTSC", 2, "_ntsc.avi", true, FrameCount, HoldAtFirstRecordingChange, -1},
    {"CreerScnByDate", 1, ".scn", false, SceneCount, HoldAfterFirstScene, 1},
    {"CreerSrt", 1, ".srt", false, SubtitleCount, HoldAfterFirstSubtitle, 1},
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
                ASSERT_FALSE(f.MakeDv(video, {.type = row.sourceType, .plan = FiveRecordings()}).isEmpty());
            f.Open(kVideos);
            f.Select(kVideos);
            const auto second = [&f] { return f.engine.Current && f.engine.Current->name == QStringLiteral("b.avi"); };
            FirstEntryHold hold;
            bool held = true;
            f.engine.OnStartProgress = [&, all](int max) {
                f.user.StartProgress(max);
                if (!second())
                    return;
                all ? f.engine.AbortAll() : f.engine.Abort();
                row.hold(f.cdm, dynamic_cast<TGraphCmd &>(f.Command(QString::fromLatin1(row.command))), hold);
            };
            // The graph is stopped right after the end of the progress.
            f.engine.OnEndProgress = [&] {
                f.user.EndProgress();
                if (second())
                    held = hold.WaitWritten();
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
            EXPECT_TRUE(held) << "the graph was not held";
            EXPECT_EQ(ends, 1);
            using Result = GraphCompletion::Result;
            ASSERT_EQ(runs.size(), all ? 2U : 3U) << "the third file's graph is not run";
            EXPECT_EQ(runs.front(), Result::Complete);
            if (!all) {
                EXPECT_EQ(runs.back(), Result::Complete) << "a stale end of the stopped graph cut the last file short";
            }

            const int whole = row.content(f.Path(OutputOf(QStringLiteral("a.avi"), row)));
            EXPECT_GT(whole, 0) << "the first file is whole";
            const int partial = row.content(f.Path(OutputOf(QStringLiteral("b.avi"), row)));
            EXPECT_EQ(runs[1], Result::StoppedEarly);
            EXPECT_GE(partial, 0) << "the aborted file is closed and readable";
            EXPECT_LT(partial, whole) << "the aborted file is shorter";
            if (row.partialContent >= 0) {
                EXPECT_EQ(partial, row.partialContent) << "what the scan wrote before the stop is kept";
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
