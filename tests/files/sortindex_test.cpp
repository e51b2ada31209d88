#include "files/formattags.h"
#include "files/sortindex.h"

#include <gtest/gtest.h>

namespace {

TEST(SortIndex, SavedNamesRestoreOnlyTheirOrders)
{
    const struct {
        const char *saved;
        const char *restored;
    } cases[] = {
        {"alpha", "alpha"},     {"modify", "modify"},       {"taille", "taille"}, {"datecode", "datecode"},
        {"timecode", "timecode"}, {"duree", "duree"},       {"extension", "alpha"}, {"path", "alpha"},
        {"", "alpha"},          {"Datecode", "alpha"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SortIndexByName(QString::fromLatin1(c.saved)).name, QString::fromLatin1(c.restored)) << c.saved;
}

TEST(SortIndex, EightOrdersComparedByName)
{
    ASSERT_EQ(SortIndices().size(), 8u);
    EXPECT_EQ(SortIndices().front().name, QStringLiteral("alpha"));
    EXPECT_EQ(SortIndices().back().name, QStringLiteral("duree"));
    EXPECT_EQ(SortTimecode().phrase, QStringLiteral("Sort by timecode"));
    EXPECT_EQ(SortTaille().caption, QStringLiteral("by size of file"));
    const TSortIndex renamedCaption{QStringLiteral("duree"), QString(), QString()};
    EXPECT_EQ(renamedCaption, SortDuree());
}

TEST(FormatTags, NamesAndUnknownTags)
{
    const struct {
        uint16_t tag;
        const char *name;
    } cases[] = {
        {1, "PCM"}, {85, "MP3"}, {98, "VOXWARE"}, {117, "VOXWARE"}, {5120, "NORRIS"},
        {4, "Inconnu"}, {0, "Inconnu"}, {0xFFFE, "Inconnu"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatTagName(c.tag), QString::fromLatin1(c.name)) << c.tag;
}

}  // namespace
