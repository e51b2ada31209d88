// What a headless batch run answers and writes.
#include "actions/batchuser.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

QString Written(std::FILE *file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[256];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, file))
        bytes.append(buffer, static_cast<qsizetype>(n));
    return QString::fromLocal8Bit(bytes);
}

}  // namespace

TEST(BatchUser, NoToAllByDefaultReportingTheQuestion)
{
    std::FILE *out = std::tmpfile();
    TBatchUser no(false, out, false);
    EXPECT_EQ(no.Ask(QStringLiteral("Do you really want to delete the existing file /v/a.scn?\r\nIf you answer"), true),
              kAnswerNoToAll);
    EXPECT_EQ(Written(out), QStringLiteral("Skipped: Do you really want to delete the existing file /v/a.scn? If you answer\n"));
    std::fclose(out);

    std::FILE *quiet = std::tmpfile();
    TBatchUser yes(true, quiet, false);
    EXPECT_EQ(yes.Ask(QStringLiteral("Overwrite?"), false), kAnswerYesToAll);
    EXPECT_TRUE(Written(quiet).isEmpty());
    std::fclose(quiet);
}

TEST(BatchUser, MessagesErrorsAndProgressLines)
{
    std::FILE *out = std::tmpfile();
    TBatchUser user(false, out, false);
    user.ShowStatus(QStringLiteral("Converting a.avi in type 1"), TStatusRole::Command);
    user.StartProgress(1000);
    for (int p = 0; p <= 1000; p += 10)
        user.SetProgress(p);
    user.EndProgress();
    user.ShowError(QStringLiteral("An error occured while converting /v/a.avi in type 1\rThe current file has been aborted."));
    EXPECT_EQ(user.ErrorCount(), 1);
    EXPECT_EQ(Written(out), QStringLiteral("Converting a.avi in type 1\n0%\n25%\n50%\n75%\n100%\n"
                                           "Error: An error occured while converting /v/a.avi in type 1 The current "
                                           "file has been aborted.\n"));
    std::fclose(out);
}

TEST(BatchUser, TerminalDrawsOneBarInPlace)
{
    std::FILE *out = std::tmpfile();
    TBatchUser user(false, out, true);
    user.ShowStatus(QStringLiteral("Extracting audio from a.avi"), TStatusRole::Command);
    user.StartProgress(4);
    user.SetProgress(2);
    user.EndProgress();
    user.ShowStatus(QStringLiteral("Ready"), TStatusRole::Ready);
    const QString text = Written(out);
    EXPECT_TRUE(text.contains(QStringLiteral("\r[###############...............]  50% Extracting audio from a.avi")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("a.avi\nReady\n")));
}
