#include "files/searchrec.h"
#include "files/srfichier.h"

#include "support/testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

namespace {

TEST(ListFichier, PathFieldsAndTheirKeys)
{
    TAbstractListFichier item(QStringLiteral("/Videos/Noël/Clip.Part.AVI"));
    EXPECT_EQ(item.name, QStringLiteral("Clip.Part.AVI"));
    EXPECT_EQ(item.extension, QStringLiteral(".avi"));
    EXPECT_EQ(item.folder, QStringLiteral("/Videos/Noël/"));
    EXPECT_EQ(item.bareName, QStringLiteral("Clip.Part"));
    EXPECT_EQ(item.GetSortKey(SortAlpha()), QStringLiteral("clip.part.avi/videos/noël/clip.part.avi"));
    EXPECT_EQ(item.GetSortKey(SortExtension()), QStringLiteral(".avi/videos/noël/clip.part.avi"));
    EXPECT_EQ(item.GetSortKey(SortPath()), QStringLiteral("/videos/noël/clip.part.avi"));
    EXPECT_TRUE(item.GetSortKey(SortDatecode()).isEmpty());

    item.SetPath(QStringLiteral("/b/x.avi"));
    EXPECT_EQ(item.GetSortKey(SortAlpha()), QStringLiteral("x.avi/b/x.avi"));
}

TEST(SrFichier, SizeTimesReadOnlyAndKeys)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Some.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(path, QByteArray(1000, 'x')));
    const QDateTime when(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::LocalTime);
    const utimbuf times{when.toSecsSinceEpoch(), when.toSecsSinceEpoch()};
    ASSERT_EQ(utime(QFile::encodeName(path).constData(), &times), 0);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0444), 0);

    const TSRFichier item(path);
    EXPECT_EQ(item.sizeHigh, 0u);
    EXPECT_EQ(item.sizeLow, 1000u);
    EXPECT_TRUE(item.readOnly);
    EXPECT_EQ(item.GetSortKey(SortTaille()), QStringLiteral("000000000000000000000000000003e8") + path.toLower());
    EXPECT_EQ(item.GetSortKey(SortModify()), QStringLiteral("20210304050607") + path.toLower());
    EXPECT_GT(item.created, 0);
    EXPECT_EQ(item.GetSortKey(SortAlpha()), (QStringLiteral("Some.avi") + path).toLower());

    chmod(QFile::encodeName(path).constData(), 0644);
    EXPECT_FALSE(TSRFichier(path).readOnly);
    const TSRFichier missing(dir.filePath(QStringLiteral("gone.avi")));
    EXPECT_EQ(missing.name, QStringLiteral("gone.avi"));
    EXPECT_EQ(missing.Size(), 0u);
}

TEST(SearchRec, NamePatterns)
{
    const struct {
        const char *name;
        const char *pattern;
        bool matches;
    } cases[] = {
        {"a.avi", "*.*", true},     {"README", "*.*", true},     {".hidden", "*.*", true},
        {"a.avi", "*.avi", true},   {"a.AVI", "*.avi", false},   {"a.avi.txt", "*.avi", false},
        {"clip1.avi", "clip?.avi", true}, {"clip10.avi", "clip?.avi", false}, {"x", "*", true},
        {"abcabd", "*abd", true},   {"[a].avi", "[a].avi", true}, {"a", "", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MatchesNamePattern(QString::fromLatin1(c.name), QString::fromLatin1(c.pattern)), c.matches)
            << c.name << " ~ " << c.pattern;
}

TEST(SearchRec, FinderListsMatchesAndDescribesLinksThemselves)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    ASSERT_TRUE(testsupport::WriteWholeFile(folder + QStringLiteral("a.avi"), "1"));
    ASSERT_TRUE(testsupport::WriteWholeFile(folder + QStringLiteral("b.txt"), "2"));
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("sub"), folder + QStringLiteral("loop")));

    QStringList names;
    TFileFinder all(folder, QStringLiteral("*.*"));
    while (auto rec = all.Next()) {
        names << rec->name;
        if (rec->name == QLatin1String("loop")) {
            EXPECT_TRUE(rec->IsLink());
            EXPECT_FALSE(rec->IsFolder());
        }
        if (rec->name == QLatin1String("sub")) {
            EXPECT_TRUE(rec->IsFolder());
        }
        if (rec->name == QLatin1String("a.avi")) {
            EXPECT_TRUE(rec->IsFile());
        }
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{"a.avi", "b.txt", "loop", "sub"}));

    TFileFinder one(folder, QStringLiteral("b.txt"));
    auto rec = one.Next();
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->name, QStringLiteral("b.txt"));
    EXPECT_FALSE(one.Next());
    EXPECT_FALSE(TFileFinder(folder, QStringLiteral("none.avi")).Next());
}

}  // namespace
