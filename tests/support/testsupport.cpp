#include "support/testsupport.h"

#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace testsupport {

QString SamplesDir()
{
    return QDir::cleanPath(QStringLiteral(MORVIK_SAMPLES_DIR));
}

QString SamplePath(const QString &name)
{
    const QString path = SamplesDir() + QLatin1Char('/') + name;
    return QFileInfo::exists(path) ? path : QString();
}

QString OurProgram(const QString &name)
{
    return QStringLiteral(MORVIK_BIN_DIR) + QLatin1Char('/') + name;
}

ProcessResult Run(const QString &program, const QStringList &args, int timeoutMs)
{
    ProcessResult result;
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(10000))
        return result;
    result.started = true;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

bool HaveTool(const QString &program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QByteArray ReadWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

ScopedFileSizeLimit::ScopedFileSizeLimit(uint64_t bytes)
{
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
}

}  // namespace testsupport
