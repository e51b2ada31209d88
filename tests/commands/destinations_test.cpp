// Destination names and the questions of the recycle-bin commands.
#include "commands/destinations.h"

#include <gtest/gtest.h>

TEST(Destinations, SameFolderOrTheOutputFolder)
{
    EXPECT_EQ(MakeDestination("/v/holiday.avi", "_type1.avi", true, "/out/"), QStringLiteral("/v/holiday_type1.avi"));
    EXPECT_EQ(MakeDestination("/v/a.avi", "_type1.avi", false, "/out/"), QStringLiteral("/out/a_type1.avi"));
    EXPECT_EQ(MakeDestination("/v/a.b.avi", ".wav", true, "/out/"), QStringLiteral("/v/a.b.wav"));
    EXPECT_EQ(MakeDestination("/v/a.avi", "_scene_3.avi", false, "/out/"), QStringLiteral("/out/a_scene_3.avi"));
}

TEST(Destinations, TimeShiftSuffix)
{
    struct Case {
        double days;
        const char *suffix;
    } const cases[] = {
        {1.5, "_(+1days12h).avi"},
        {-30.0 / 1440, "_(-30mn).avi"},
        {2.0 / 24 + 5.0 / 86400, "_(+2h5s).avi"},
        {0, "_(+).avi"},
        {-3, "_(-3days).avi"},
        {1.0 / 24 - 1e-9, "_(+1h).avi"},  // a value a hair short of the hour is the hour
    };
    for (const Case &c : cases)
        EXPECT_EQ(TimeShiftSuffix(c.days), QString::fromLatin1(c.suffix)) << c.days;
    EXPECT_EQ(TimeShiftSuffixOf(QStringLiteral(" 0.5 ")), QStringLiteral("_(+12h).avi"));
    EXPECT_EQ(TimeShiftSuffixOf(QStringLiteral("soon")), std::nullopt);
}

TEST(Destinations, DeleteQuestionShortFormForLongNames)
{
    EXPECT_EQ(DeleteFileQuestion(QStringLiteral("a.avi")),
              QStringLiteral("Do you really want to delete the file a.avi ?\r\nIf yes, it will be sent to the Recycle bin."));
    EXPECT_EQ(DeleteFileQuestion(QString(220, u'n')),
              QStringLiteral("Do you really want to delete this file?\r\nIf yes, it will be sent to the Recycle bin."));
}
