// The conversion and scan commands, each as its graph runs it, against the closest
// FFmpeg command on the same 60-second PAL file: prints "ratio NAME R" for type1,
// type2, ntsc, scan-content and extract-audio (R = our time / FFmpeg's, best of a
// few), and "cpu-ratio NAME R", the same for the processor time on all cores. Then
// runs each of ours once more on a 1-minute and a 10-minute file (5 when the disk is
// short) and prints "peak NAME 1min X MiB 10min Y MiB", the process's peak resident
// memory during that run: a conversion streams, so both should match.
//
// Usage: bench_conversions [--no-memory] [ROW...]   (no ROW: every row)
#include "media/cdm.h"

#include "benchsupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

constexpr int kRuns = 3;
constexpr double kFailed = std::numeric_limits<double>::quiet_NaN();
constexpr int kFramesPerMinute = 1500;
constexpr int kLongMinutes = 10;
constexpr int kShortLongMinutes = 5;
// Disk one PAL minute takes: both sources, the new file and the sound.
constexpr qint64 kBytesPerMinute = qint64{3} * 230 * 1024 * 1024 + 12 * 1024 * 1024;

// Wall-clock time of one run, and the processor time it took on every core: on a
// loaded machine a program with more threads gets a larger share, which the second shows.
struct Timing {
    double wall = kFailed;
    double cpu = kFailed;
};

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs `once` (true when it succeeded) and times it; `who` is RUSAGE_SELF or RUSAGE_CHILDREN.
Timing Measure(int who, const std::function<bool()> &once)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds(who);
    if (!once())
        return {};
    return {bench::Seconds(start), CpuSeconds(who) - cpu};
}

// Builds, runs unclocked and waits for the end of one graph.
Timing RunGraph(TCdm &cdm, const std::function<MediaSeeking *()> &build)
{
    return Measure(RUSAGE_SELF, [&] {
        if (!build() || !cdm.Graph().Run())
            return false;
        const auto completion = cdm.Graph().WaitForCompletion(bench::kWaitMs);
        cdm.Graph().Stop();
        return completion && completion->result == GraphCompletion::Result::Complete;
    });
}

// The least of each over a few runs.
Timing BestOf(const std::function<Timing()> &once)
{
    Timing best{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    for (int run = 0; run < kRuns; ++run) {
        const Timing timing = once();
        best.wall = std::min(best.wall, timing.wall);
        best.cpu = std::min(best.cpu, timing.cpu);
    }
    return best;
}

// Each run writes a new file, as the commands mostly do: a file replaced would be
// synced to the disk first by ours and not by FFmpeg.
void RemoveOutputs(const QStringList &outputs)
{
    for (const QString &output : outputs)
        QFile::remove(output);
}

Timing FfmpegTime(const QStringList &args, const QStringList &outputs)
{
    return BestOf([&] {
        RemoveOutputs(outputs);
        return Measure(RUSAGE_CHILDREN, [&] {
            return bench::RunProgram(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-nostdin", "-y"} + args);
        });
    });
}

// The peak resident memory of this process starts again from what it holds now.
void ResetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// VmHWM in MiB, or -1.
double PeakMemoryMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    return -1;
}

// Two recordings of half the length each, so the scene commands find a cut.
struct Sources {
    QString type1;
    QString type2;
};

bool MakeSources(const QTemporaryDir &dir, int minutes, Sources &sources)
{
    const int half = minutes * kFramesPerMinute / 2;
    const QString second = QStringLiteral("00:%1:%2:00").arg(minutes / 2, 2, 10, QLatin1Char('0')).arg(minutes % 2 * 30, 2, 10, QLatin1Char('0'));
    const QStringList plan = {"--recording", QStringLiteral("2021-06-05 10:00:00,00:00:00:00,%1").arg(half),
                              "--recording", QStringLiteral("2021-06-05 14:00:00,%1,%2").arg(second).arg(half)};
    sources.type1 = dir.filePath(QStringLiteral("type1-%1min.avi").arg(minutes));
    sources.type2 = dir.filePath(QStringLiteral("type2-%1min.avi").arg(minutes));
    const QString mkdv = bench::OurProgram(QStringLiteral("morvik-mkdv"));
    return bench::RunProgram(mkdv, QStringList{"--type", "2", "--out", sources.type2} + plan)
        && bench::RunProgram(mkdv, QStringList{"--type", "1", "--out", sources.type1} + plan);
}

struct Row {
    const char *name;
    std::function<MediaSeeking *(const Sources &)> ours;
    std::function<QStringList(const Sources &)> ffmpeg;
};

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList wanted = app.arguments().mid(1);
    const bool memory = !wanted.removeAll(QStringLiteral("--no-memory"));
    QTemporaryDir dir;
    Sources minute;
    if (!MakeSources(dir, 1, minute))
        return 1;
    const QString out = dir.filePath(QStringLiteral("out.avi"));
    const QString wav = dir.filePath(QStringLiteral("out.wav"));

    TCdm cdm;
    const Row rows[] = {
        {"type1", [&](const Sources &s) { return cdm.GraphConvertirDV1(s.type2, out); },
         [&](const Sources &s) { return QStringList{"-i", s.type2, "-c", "copy", out}; }},
        {"type2", [&](const Sources &s) { return cdm.GraphConvertirDV2(s.type1, out); },
         [&](const Sources &s) { return QStringList{"-i", s.type1, "-c", "copy", out}; }},
        {"ntsc", [&](const Sources &s) { return cdm.GraphStandard(s.type2, out, 2, true); },
         [&](const Sources &s) {
             return QStringList{"-i", s.type2, "-vf", "scale=720:480,fps=30000/1001", "-pix_fmt", "yuv411p",
                                "-c:v", "dvvideo", "-c:a", "copy", out};
         }},
        {"scan-content", [&](const Sources &s) { return cdm.GraphScnByContenu(s.type2); },
         [&](const Sources &s) { return QStringList{"-i", s.type2, "-vf", "scdet", "-f", "null", "-"}; }},
        {"extract-audio", [&](const Sources &s) { return cdm.GraphExtraireAudio(s.type2, wav); },
         [&](const Sources &s) { return QStringList{"-i", s.type2, "-vn", "-c:a", "pcm_s16le", wav}; }},
    };
    const auto chosen = [&](const Row &row) { return wanted.isEmpty() || wanted.contains(QLatin1String(row.name)); };

    for (const Row &row : rows) {
        if (!chosen(row))
            continue;
        const Timing ours = BestOf([&] {
            RemoveOutputs({out, wav});
            return RunGraph(cdm, [&] { return row.ours(minute); });
        });
        const Timing ffmpeg = FfmpegTime(row.ffmpeg(minute), {out, wav});
        std::printf("%s: ours %.3f s (processor %.3f s), ffmpeg %.3f s (processor %.3f s)\n", row.name, ours.wall,
                    ours.cpu, ffmpeg.wall, ffmpeg.cpu);
        std::printf("ratio %s %.3f\n", row.name, ours.wall / ffmpeg.wall);
        std::printf("cpu-ratio %s %.3f\n", row.name, ours.cpu / ffmpeg.cpu);
        std::fflush(stdout);
    }
    if (!memory)
        return 0;

    const qint64 free = QStorageInfo(dir.path()).bytesAvailable();
    const int longMinutes = free >= kLongMinutes * kBytesPerMinute ? kLongMinutes : kShortLongMinutes;
    Sources longer;
    if (!MakeSources(dir, longMinutes, longer))
        return 1;
    for (const Row &row : rows) {
        if (!chosen(row))
            continue;
        double peaks[2] = {};
        const Sources *lengths[2] = {&minute, &longer};
        for (int i = 0; i < 2; ++i) {
            ResetPeakMemory();
            if (std::isnan(RunGraph(cdm, [&] { return row.ours(*lengths[i]); }).wall))
                std::fprintf(stderr, "%s failed on the %s file\n", row.name, i == 0 ? "short" : "long");
            peaks[i] = PeakMemoryMiB();
        }
        std::printf("peak %s 1min %.1f MiB %dmin %.1f MiB\n", row.name, peaks[0], longMinutes, peaks[1]);
        std::fflush(stdout);
    }
    return 0;
}
