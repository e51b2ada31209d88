#include "base/paths.h"

#include <gtest/gtest.h>

TEST(Paths, SplitsAPath)
{
    struct Case {
        const char *path, *folder, *name, *ext, *base;
    } cases[] = {
        {"/v/a.avi", "/v/", "a.avi", ".avi", "a"},
        {"/v/a.b.AVI", "/v/", "a.b.AVI", ".AVI", "a.b"},
        {"/v/noext", "/v/", "noext", "", "noext"},
        {"/v.d/noext", "/v.d/", "noext", "", "noext"},  // a dot in the folder is no extension
        {"/v/", "/v/", "", "", ""},
        {"a.avi", "", "a.avi", ".avi", "a"},
        {"/v/a.", "/v/", "a.", ".", "a"},
        {"/v/.bashrc", "/v/", ".bashrc", "", ".bashrc"},  // hidden file: its dot starts no extension
        {"/v/.bashrc.avi", "/v/", ".bashrc.avi", ".avi", ".bashrc"},
        {"/v/..", "/v/", "..", "", ".."},
        {"/", "/", "", "", ""},
        {"", "", "", "", ""},
        {"/f\u00eate/\u00e9t\u00e9.dv", "/f\u00eate/", "\u00e9t\u00e9.dv", ".dv", "\u00e9t\u00e9"},
    };
    for (const Case &c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(ExtractFilePath(path), QString::fromUtf8(c.folder)) << c.path;
        EXPECT_EQ(ExtractFileName(path), QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(ExtractFileExt(path), QString::fromUtf8(c.ext)) << c.path;
        EXPECT_EQ(ExtractFileBaseName(path), QString::fromUtf8(c.base)) << c.path;
        EXPECT_EQ(ExtractFilePath(path) + ExtractFileName(path), path) << c.path;
    }
}

TEST(Paths, ChangesTheExtension)
{
    struct Case {
        const char *path, *ext, *expected;
    } cases[] = {
        {"/v/a.avi", ".scn", "/v/a.scn"},
        {"/v/a", ".scn", "/v/a.scn"},
        {"/v.d/a", ".scn", "/v.d/a.scn"},
        {"/v/a.b.avi", "", "/v/a.b"},
        {"/v/a.avi", "_scn.txt", "/v/a_scn.txt"},
        {"/v/.bashrc", ".scn", "/v/.bashrc.scn"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChangeFileExt(QString::fromUtf8(c.path), QString::fromUtf8(c.ext)), QString::fromUtf8(c.expected))
            << c.path;
}

TEST(Paths, TrailingDelimiterAndComparison)
{
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/v")), QStringLiteral("/v/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/v/")), QStringLiteral("/v/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QString()), QString());  // never the root by accident

    EXPECT_TRUE(SameFileName(QStringLiteral("/V/\u00c9t\u00e9.AVI"), QStringLiteral("/v/\u00e9T\u00c9.avi")));
    EXPECT_FALSE(SameFileName(QStringLiteral("/v/a.avi"), QStringLiteral("/v/b.avi")));
    EXPECT_FALSE(SameFileName(QStringLiteral("/v/a.avi"), QStringLiteral("/v/a.avi ")));
    EXPECT_EQ(FileNameKey(QStringLiteral("/V/\u00c9t\u00e9.Avi")), QStringLiteral("/v/\u00e9t\u00e9.avi"));
}
