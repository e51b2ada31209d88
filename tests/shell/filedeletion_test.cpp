#include "shell/filedeletion.h"

#include "scopedenv.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

TEST(SendToRecycleBin, MovesTheFileIntoTheUsersTrash)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedEnv dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    const QString video = dir.filePath(QStringLiteral("videos/holiday 2004.avi"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(video).absolutePath()));
    ASSERT_TRUE(WriteWholeFile(video, "RIFF"));

    EXPECT_TRUE(SendToRecycleBin(video));

    EXPECT_FALSE(QFileInfo::exists(video));
    const QString trash = dir.filePath(QStringLiteral("data/Trash"));
    EXPECT_EQ(ReadWholeFile(trash + QStringLiteral("/files/holiday 2004.avi")), QByteArray("RIFF"));
    const QByteArray info = ReadWholeFile(trash + QStringLiteral("/info/holiday 2004.avi.trashinfo"));
    EXPECT_TRUE(info.startsWith("[Trash Info]")) << info.constData();
    // The trash records where the file came from, so it can be put back.
    const QString origin = QUrl::fromPercentEncoding(info.mid(info.indexOf("Path=") + 5).split('\n').first());
    EXPECT_EQ(origin, QFileInfo(video).absoluteFilePath());
}

TEST(SendToRecycleBin, MissingFileIsAFailure)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedEnv dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    EXPECT_FALSE(SendToRecycleBin(dir.filePath(QStringLiteral("absent.avi"))));
    EXPECT_FALSE(SendToRecycleBin(QString()));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("data/Trash/files/absent.avi"))));
}

TEST(SendToRecycleBin, WithoutAHomeTrashTheFileStays)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A data home below a plain file can never be made; the file must not be moved anywhere else.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(WriteWholeFile(blocker, "x"));
    const ScopedEnv dataHome("XDG_DATA_HOME", (blocker + QStringLiteral("/data")).toUtf8());
    const QString video = dir.filePath(QStringLiteral("clip.avi"));
    ASSERT_TRUE(WriteWholeFile(video, "RIFF"));

    EXPECT_FALSE(SendToRecycleBin(video));
    EXPECT_EQ(ReadWholeFile(video), QByteArray("RIFF"));
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath(QStringLiteral("files/clip.avi"))));
}

TEST(DeleteFileForced, DeletesAReadOnlyFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("Morvik.ini"));
    ASSERT_TRUE(WriteWholeFile(ini, "[Morvik]\n"));
    ASSERT_TRUE(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    EXPECT_TRUE(DeleteFileForced(ini));
    EXPECT_FALSE(QFileInfo::exists(ini));
    EXPECT_FALSE(DeleteFileForced(ini));
}

TEST(DeleteFileForced, RemovesALinkAndLeavesItsTargetAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("target.ini"));
    const QString link = dir.filePath(QStringLiteral("Morvik.ini"));
    ASSERT_TRUE(WriteWholeFile(target, "x"));
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadUser;
    ASSERT_TRUE(QFile::setPermissions(target, readOnly));
    ASSERT_TRUE(QFile::link(target, link));

    EXPECT_TRUE(DeleteFileForced(link));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    ASSERT_TRUE(QFileInfo::exists(target));
    EXPECT_FALSE(QFileInfo(target).permissions().testFlag(QFile::WriteOwner));
}
