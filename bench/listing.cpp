// Listing: `morvik --info` over 500 small DV files against ExifTool reading their
// recording date and MediaInfo describing them, each one process over all files:
// prints "ratio list-exiftool R" and "ratio list-mediainfo R", R = our time / theirs.
#include "benchsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <unistd.h>

namespace {

constexpr int kFiles = 500;
constexpr int kRuns = 3;

double BestOf(const QString &program, const QStringList &args)
{
    double best = std::numeric_limits<double>::infinity();
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (!bench::RunProgram(program, args))
            return std::numeric_limits<double>::quiet_NaN();
        best = std::min(best, bench::Seconds(start));
    }
    return best;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("video000.avi"));
    if (!bench::RunProgram(bench::OurProgram(QStringLiteral("morvik-mkdv")),
                           {"--type", "2", "--out", first, "--recording", "2021-06-05 10:00:00,00:00:00:00,10"}))
        return 1;
    // Hard links to one file: 500 names to read without 500 copies on the disk.
    QStringList files{first};
    for (int i = 1; i < kFiles; ++i) {
        const QString name = dir.filePath(QStringLiteral("video%1.avi").arg(i, 3, 10, QLatin1Char('0')));
        if (::link(QFile::encodeName(first).constData(), QFile::encodeName(name).constData()) != 0 &&
            !QFile::copy(first, name))
            return 1;
        files << name;
    }
    const double ours = BestOf(bench::OurProgram(QStringLiteral("morvik")), QStringList{"--info"} + files);
    const double exiftool = BestOf(QStringLiteral("exiftool"), QStringList{"-fast", "-DateTimeOriginal"} + files);
    const double mediainfo = BestOf(QStringLiteral("mediainfo"), files);
    std::printf("listing %d files: ours %.3f s, exiftool %.3f s, mediainfo %.3f s\n", kFiles, ours, exiftool, mediainfo);
    std::printf("ratio list-exiftool %.3f\n", ours / exiftool);
    std::printf("ratio list-mediainfo %.3f\n", ours / mediainfo);
    return 0;
}
