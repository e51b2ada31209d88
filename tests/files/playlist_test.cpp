#include "files/fichierlistbox.h"
#include "files/playlist.h"

#include "base/product.h"
#include "files/srfichier.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kSeparator = QStringLiteral("# -------------------------------------------------------------");

TEST(Playlist, LinesForNoneOneAndTwoRows)
{
    const TDateTime now = *EncodeDateTime(2026, 12, 10, 8, 30, 5);
    const QStringList header = {kSeparator, "#", "# Playlist of Morvik 7.2.1", "#", kSeparator,
                                "# Visit my website : " + kProductHomePage, ""};
    const struct {
        QStringList paths;
        const char *countLine;
    } cases[] = {
        {{}, "# 0 file sorted by datecode"},
        {{"/v/a.avi"}, "# 1 file sorted by datecode"},
        {{"/v/b.avi", "/v/a.avi"}, "# 2 file  sorted  by datecode"},
    };
    for (const auto &c : cases) {
        QStringList expected = header;
        for (const QString &path : c.paths)
            expected << "     " + path;
        expected << "" << kSeparator << QString::fromLatin1(c.countLine) << "# Done on 10.12.2026 08:30";
        EXPECT_EQ(PlaylistLines(c.paths, SortDatecode(), now, QStringLiteral("dd.mm.yyyy hh:nn")), expected);
    }
}

class PlaylistFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = dir.path() + QStringLiteral("/Vidéos/");
        ASSERT_TRUE(QDir().mkpath(folder));
        for (const QString &name : {QStringLiteral("Noël.avi"), QStringLiteral("café.avi"), QStringLiteral("plain.avi")})
            ASSERT_TRUE(testsupport::WriteWholeFile(folder + name, "x"));
    }
    QStringList Read(const QString &playlist)
    {
        TCustomFichierListBox list;
        list.SetItemClass(ItemClassOf<TSRFichier>());
        list.OpenPlaylist(playlist);
        list.WaitForScans();
        QStringList paths;
        for (int row = 0; row < list.Count(); ++row)
            paths << list.Item(row)->path;
        return paths;
    }

    QTemporaryDir dir;
    QString folder;
};

TEST_F(PlaylistFiles, WrittenInUtf16AndReadBack)
{
    TCustomFichierListBox list;
    list.SetItemClass(ItemClassOf<TSRFichier>());
    list.OpenFolder(folder);
    list.WaitForScans();
    ASSERT_EQ(list.Count(), 3);

    const QString playlist = dir.filePath(QStringLiteral("playlist.txt"));
    const TextFileWrite written = SavePlaylist(list, playlist);
    ASSERT_TRUE(written.ok) << qPrintable(written.error);
    const QByteArray bytes = testsupport::ReadWholeFile(playlist);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_TRUE(bytes.endsWith(QByteArray("\r\0\n\0", 4)));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2),
                                            (bytes.size() - 2) / 2);
    EXPECT_TRUE(text.contains("\r\n     " + folder + "Noël.avi\r\n"));
    EXPECT_TRUE(text.contains("# 3 file  sorted  in alphabetical order\r\n"));

    EXPECT_EQ(Read(playlist), (QStringList{folder + "café.avi", folder + "Noël.avi", folder + "plain.avi"}));
}

TEST_F(PlaylistFiles, HandWrittenUtf8AndWindows1252)
{
    const QString utf8 = dir.filePath(QStringLiteral("utf8.txt"));
    ASSERT_TRUE(testsupport::WriteWholeFile(utf8, "\xEF\xBB\xBF# mine\n" + (folder + "Noël.avi\n").toUtf8()));
    EXPECT_EQ(Read(utf8), QStringList{folder + "Noël.avi"});

    // Names relative to the playlist's folder; "caf\xE9" is not UTF-8.
    const QString ansi = dir.filePath(QStringLiteral("ansi.txt"));
    ASSERT_TRUE(testsupport::WriteWholeFile(ansi, "Vid\xE9os/caf\xE9.avi\r\n  Vid\xE9os/pl*.avi \r\n"));
    EXPECT_EQ(Read(ansi), (QStringList{folder + "café.avi", folder + "plain.avi"}));
}

TEST_F(PlaylistFiles, AFileThatCannotBeWrittenIsReportedAndNothingIsLeft)
{
    TCustomFichierListBox list;
    const struct {
        QString destination;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing/playlist.txt"))},
        {folder.chopped(1)},  // a folder of that name
    };
    for (const auto &c : cases) {
        const TextFileWrite written = SavePlaylist(list, c.destination);
        EXPECT_FALSE(written.ok) << qPrintable(c.destination);
        EXPECT_FALSE(written.error.isEmpty());
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
}

}  // namespace
