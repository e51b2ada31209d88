// Helpers for tests: real samples, peer tools (ffprobe, mediainfo, exiftool, ffmpeg),
// our own programs and temporary folders.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace testsupport {

// The folder of real DV samples beside the checkout.
QString SamplesDir();
// Full path of a sample, or empty when the samples folder or the file is absent.
QString SamplePath(const QString &name);

// Path of one of our programs in the build's bin folder.
QString OurProgram(const QString &name);

struct ProcessResult {
    bool started = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program with arguments (no shell), waiting at most timeoutMs.
ProcessResult Run(const QString &program, const QStringList &args, int timeoutMs = 120000);
bool HaveTool(const QString &program);

QByteArray ReadWholeFile(const QString &path);
bool WriteWholeFile(const QString &path, const QByteArray &bytes);

// Lowers the size a file of this process may reach (a stand-in for a full disk:
// writes past it fail with EFBIG, SIGXFSZ ignored) until destroyed.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(uint64_t bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit &) = delete;
    ScopedFileSizeLimit &operator=(const ScopedFileSizeLimit &) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace testsupport

// Skips the test, saying so plainly, when a real sample is not there.
#define REQUIRE_SAMPLE(var, name)                                                        \
    const QString var = testsupport::SamplePath(name);                                   \
    if (var.isEmpty())                                                                   \
        GTEST_SKIP() << "real sample " << qPrintable(QString(name)) << " is absent from " \
                     << qPrintable(testsupport::SamplesDir())

// The peer tools are installed by the project's script; their absence is a failure.
#define REQUIRE_TOOL(name) ASSERT_TRUE(testsupport::HaveTool(name)) << name << " is not installed"
