#include "shell/desktopentry.h"

#include "scopedenv.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The keys of the [Desktop Entry] group, values as written (still escaped).
QHash<QString, QString> EntryKeys(const QByteArray &text)
{
    QHash<QString, QString> keys;
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    if (lines.isEmpty() || lines.first() != QLatin1String("[Desktop Entry]"))
        return keys;
    for (const QString &line : lines.mid(1)) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            keys.insert(line.left(equals), line.mid(equals + 1));
    }
    return keys;
}

// desktop-file-validate judges the file; it prints errors and exits non-zero on them.
void ExpectValidEntry(const QString &path)
{
    REQUIRE_TOOL("desktop-file-validate");
    const testsupport::ProcessResult result = testsupport::Run(QStringLiteral("desktop-file-validate"), {path});
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0) << result.out.constData() << result.err.constData();
    EXPECT_FALSE(result.out.contains("error:")) << result.out.constData();
}

}  // namespace

TEST(DesktopEntry, SendToShortcutOffersTheProgramForAviFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedEnv dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    const QString path = dir.filePath(QStringLiteral("data/applications/morvik.desktop"));
    EXPECT_EQ(SendToShortcutPath(QStringLiteral("Morvik")), path);

    ASSERT_TRUE(CreateSendToShortcut(QStringLiteral("Morvik")));

    const QHash<QString, QString> keys = EntryKeys(testsupport::ReadWholeFile(path));
    EXPECT_EQ(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(keys.value(QStringLiteral("Name")), QStringLiteral("Morvik"));
    EXPECT_EQ(keys.value(QStringLiteral("Comment")), QStringLiteral("Shortcut to Morvik"));
    EXPECT_EQ(keys.value(QStringLiteral("MimeType")), QStringLiteral("video/x-msvideo;"));
    EXPECT_EQ(keys.value(QStringLiteral("Exec")),
              u'"' + QCoreApplication::applicationFilePath() + QStringLiteral("\" %F"));
    EXPECT_FALSE(keys.contains(QStringLiteral("Path")));
    ExpectValidEntry(path);

    // Writing again replaces the entry; deleting removes it, once.
    EXPECT_TRUE(CreateSendToShortcut(QStringLiteral("Morvik")));
    EXPECT_TRUE(DeleteSendToShortcut(QStringLiteral("Morvik")));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(DeleteSendToShortcut(QStringLiteral("Morvik")));
}

TEST(DesktopEntry, NamesThatAreNoFileNameGiveNoShortcut)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedEnv dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    EXPECT_TRUE(SendToShortcutPath(QString()).isEmpty());
    EXPECT_TRUE(SendToShortcutPath(QStringLiteral("../evil")).isEmpty());
    EXPECT_FALSE(CreateSendToShortcut(QStringLiteral("../evil")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("data/evil.desktop"))));
}

TEST(DesktopEntry, EscapesExecPathAndTexts)
{
    const DesktopEntry entry{QStringLiteral(" Mor\\vik\nTwo"), QStringLiteral("/opt/my apps/a\"b`c$d\\e 100%/morvik"),
                             QStringLiteral("/home/me/my videos"), QStringLiteral("Tab\there"),
                             QStringList{QStringLiteral("video/x-msvideo"), QStringLiteral("video/x-dv")}};
    const QHash<QString, QString> keys = EntryKeys(DesktopEntryText(entry));
    EXPECT_EQ(keys.value(QStringLiteral("Name")), QStringLiteral("\\sMor\\\\vik\\nTwo"));
    EXPECT_EQ(keys.value(QStringLiteral("Comment")), QStringLiteral("Tab\\there"));
    // Quoting escapes " ` $ \ with a backslash and doubles %; then the string level doubles
    // every backslash.
    EXPECT_EQ(keys.value(QStringLiteral("Exec")),
              QStringLiteral("\"/opt/my apps/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e 100%%/morvik\" %F"));
    EXPECT_EQ(keys.value(QStringLiteral("Path")), QStringLiteral("/home/me/my videos"));
    EXPECT_EQ(keys.value(QStringLiteral("MimeType")), QStringLiteral("video/x-msvideo;video/x-dv;"));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("links/odd.desktop"));
    ASSERT_TRUE(CreateShellLink(path, entry));
    ExpectValidEntry(path);
}

TEST(DesktopEntry, ShellLinkNeedsATarget)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("empty.desktop"));
    EXPECT_FALSE(CreateShellLink(path, DesktopEntry{QStringLiteral("Morvik"), QString(), {}, {}, {}}));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(CreateShellLink(QString(), DesktopEntry{QStringLiteral("Morvik"), QStringLiteral("/bin/true"), {}, {}, {}}));
}
