#include "prefs/inilines.h"

#include <gtest/gtest.h>

namespace {

const QString kHeader = QStringLiteral("[\\Software\\Quenlor\\Morvik]");

TEST(IniLines, ReadsOnlyTheExactNameInsideTheSection)
{
    const QStringList lines = {
        QStringLiteral("[Other]"),
        QStringLiteral("Volume=1"),
        QStringLiteral("  ") + kHeader + QStringLiteral("  "),
        QStringLiteral("volume=2"),
        QStringLiteral("Volume =3"),
        QStringLiteral("no assignment here"),
        QStringLiteral("Volume=4=5"),
        QStringLiteral("Volume=6"),
        QStringLiteral("[\\software\\quenlor\\morvik]"),
        QStringLiteral("Sort index=taille"),
    };
    EXPECT_EQ(IniReadValue(lines, kHeader, QStringLiteral("Volume")), QStringLiteral("4=5"));
    EXPECT_EQ(IniReadValue(lines, kHeader, QStringLiteral("volume")), QStringLiteral("2"));
    EXPECT_EQ(IniReadValue(lines, kHeader, QStringLiteral("Sort index")), std::nullopt);  // headers compare with case
    EXPECT_EQ(IniReadValue(lines, kHeader, QStringLiteral("Missing")), std::nullopt);
}

TEST(IniLines, WritesReplaceInsertOrAppend)
{
    struct Case {
        const char *what;
        QStringList before;
        QStringList after;
    } cases[] = {
        {"no section yet", {QStringLiteral("[A]"), QStringLiteral("x=1")},
         {QStringLiteral("[A]"), QStringLiteral("x=1"), kHeader, QStringLiteral("Name=v")}},
        {"empty file", {}, {kHeader, QStringLiteral("Name=v")}},
        {"header is the last line", {QStringLiteral("[A]"), kHeader}, {QStringLiteral("[A]"), kHeader, QStringLiteral("Name=v")}},
        {"inserted before the next section",
         {kHeader, QStringLiteral("a=1"), QStringLiteral("[B]"), QStringLiteral("Name=b")},
         {kHeader, QStringLiteral("a=1"), QStringLiteral("Name=v"), QStringLiteral("[B]"), QStringLiteral("Name=b")}},
        {"replaced in place",
         {QStringLiteral("[A]"), QStringLiteral("Name=a"), kHeader, QStringLiteral("Name=old"), QStringLiteral("z=9")},
         {QStringLiteral("[A]"), QStringLiteral("Name=a"), kHeader, QStringLiteral("Name=v"), QStringLiteral("z=9")}},
    };
    for (Case &c : cases) {
        IniWriteValue(c.before, kHeader, QStringLiteral("Name"), QStringLiteral("v"));
        EXPECT_EQ(c.before, c.after) << c.what;
    }
}

TEST(IniLines, AValueCannotBreakIntoNewEntries)
{
    QStringList lines = {kHeader, QStringLiteral("Volume=1")};
    IniWriteValue(lines, kHeader, QStringLiteral("Fichier F3"), QStringLiteral("/a\r\nVolume=9\n[Other]\rb"));
    EXPECT_EQ(lines, (QStringList{kHeader, QStringLiteral("Volume=1"),
                                  QStringLiteral("Fichier F3=/a  Volume=9 [Other] b")}));
}

}  // namespace
