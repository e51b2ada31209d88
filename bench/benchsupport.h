// What the benchmark programs share: timing, running a peer program, and where
// the program's own tools are.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace bench {

constexpr int kWaitMs = 600000;

inline double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time (user + system) used so far by this process, or by its finished
// children: next to the wall times, it tells what a loaded machine hides.
inline double ProcessorSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the program to its end; false, saying why on stderr, when it fails.
inline bool RunProgram(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, args);
    if (!process.waitForFinished(kWaitMs) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), process.readAllStandardError().constData());
        return false;
    }
    return true;
}

// A program built beside the benchmark (morvik, morvik-mkdv).
inline QString OurProgram(const QString &name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

}  // namespace bench
