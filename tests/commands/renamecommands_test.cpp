// The names the rename commands give from what a video records, the companions
// that follow the video, and the file dates set from the datecode.
#include "commands/nametemplates.h"
#include "base/localtime.h"
#include "tablefixture.h"

#include "support/testsupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kSeveralRenameLine = QStringLiteral("\r\nIf you answer \"All\", then no more confirmation will be requested.");

}  // namespace

TEST(RenameCommands, NamesFromTheTemplates)
{
    struct Case {
        const char *command;
        const char *file;
        std::function<void(TPreferences &)> set;
        const char *expected;
        double timeDifference = 0;
    };
    const auto none = [](TPreferences &) {};
    const Case cases[] = {
        {"AjouterDatecode", "holiday.avi", none, "holiday_05.06.2021_14.30.00.avi"},
        {"AjouterDatecode", "holiday.avi", [](TPreferences &p) { p.datecodeAvant = true; },
         "05.06.2021_14.30.00_holiday.avi"},
        {"AjouterDatecode", "holiday.avi", none, "holiday_05.06.2021_16.30.00.avi", 2.0 / 24},
        {"AjouterDatecode", "holiday.avi", [](TPreferences &p) { p.formatAjouterDatecode = "dd/mm/yyyy hh:nn"; },
         "holiday_05_06_2021 14.30.avi"},
        {"AjouterTimecode", "holiday.avi", none, "holiday_00.10.00.00.avi"},
        {"AjouterTimecode", "holiday.avi", [](TPreferences &p) { p.timcodeAvant = true; },
         "00.10.00.00_holiday.avi"},
        {"Renommer", "holiday.avi", none, "video'20210605_14.30.00.avi"},
        {"Renommer", "holiday.avi", [](TPreferences &p) { p.templateRenommer = "%F-%c%E"; }, "holiday-dvsd.avi"},
        {"PurgerNom", "trip_ntsc_type2.avi", none, "trip.avi"},
        {"PurgerNom", "clip_(+1days).avi", none, "clip.avi"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.expected);
        TableFixture f;
        c.set(f.preferences);
        ASSERT_FALSE(f.MakeDv(c.file).isEmpty());
        f.Open({c.file});
        f.Item(c.file)->displayTimeDifference = c.timeDifference;
        f.Select({c.file});
        const QByteArray content = testsupport::ReadWholeFile(f.Path(c.file));
        f.Run(QString::fromLatin1(c.command));
        EXPECT_EQ(f.user.questions, QStringList(QStringLiteral("Do you want to rename ") + c.file +
                                                QStringLiteral(" to ") + f.Path(c.expected) + QStringLiteral(" ?")));
        EXPECT_EQ(Names(f.ListNames()), c.expected);
        EXPECT_EQ(testsupport::ReadWholeFile(f.Path(c.expected)), content);
        EXPECT_FALSE(QFileInfo::exists(f.Path(c.file)));
        ASSERT_NE(f.Item(c.expected), nullptr);
        EXPECT_EQ(f.Item(c.expected)->path, f.Path(c.expected));
    }
}

TEST(RenameCommands, TheSecondOfTwoEqualNamesGetsACounterAndTheCompanionsFollow)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi")).isEmpty());
    ASSERT_FALSE(f.MakeDv(QStringLiteral("b.avi")).isEmpty());
    ASSERT_TRUE(testsupport::WriteWholeFile(f.Path("a.scn"), "scenes of a"));
    ASSERT_TRUE(testsupport::WriteWholeFile(f.Path("a.srt"), "subtitles of a"));
    ASSERT_TRUE(testsupport::WriteWholeFile(f.Path("b.srt"), "subtitles of b"));
    f.Open({"a.avi", "b.avi"});
    f.Select({"a.avi", "b.avi"});
    f.user.answers = {kAnswerYesToAll};
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("Renommer"));

    const QString x = QStringLiteral("video'20210605_14.30.00");
    EXPECT_EQ(f.user.questions, QStringList(QStringLiteral("Do you want to rename a.avi to ") + f.Path(x + ".avi") +
                                            QStringLiteral(" ?") + kSeveralRenameLine));
    EXPECT_EQ(Names(f.ListNames()), (x + ".avi " + x + "_1.avi").toStdString());
    const auto after = f.Snapshot();
    const std::pair<const char *, QString> moves[] = {
        {"a.avi", x + ".avi"}, {"a.scn", x + ".scn"}, {"a.srt", x + ".srt"}, {"b.avi", x + "_1.avi"},
        {"b.srt", x + "_1.srt"}};
    ASSERT_EQ(after.size(), std::size(moves));
    for (const auto &[from, to] : moves)
        EXPECT_EQ(after.at(to).content, before.at(from).content) << from;
}

TEST(RenameCommands, NothingMovesWithoutAYes)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("trip_ntsc.avi")).isEmpty());
    ASSERT_FALSE(f.MakeDv(QStringLiteral("trip.avi")).isEmpty());
    f.Open({"trip_ntsc.avi"});
    f.Select({"trip_ntsc.avi"});
    f.user.answers = {kAnswerNo};
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("PurgerNom"));
    EXPECT_EQ(f.user.questions, QStringList("Do you want to rename trip_ntsc.avi to " + f.Path("trip_1.avi") + " ?"))
        << "trip.avi is there already";
    EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty());
    EXPECT_EQ(Names(f.ListNames()), "trip_ntsc.avi");
}

TEST(RenameCommands, ARenameTheDiskRefusesLeavesTheItemItsName)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi")).isEmpty());
    f.Open({"a.avi"});
    f.Select({"a.avi"});
    ASSERT_TRUE(QFile::remove(f.Path("a.avi")));  // gone since the list read it
    f.Run(QStringLiteral("AjouterDatecode"));
    EXPECT_EQ(Names(f.ListNames()), "a.avi");
    EXPECT_TRUE(f.user.errors.isEmpty());
}

TEST(DateFichier, SetsTheModificationTimeToTheShiftedDatecode)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi")).isEmpty());
    ASSERT_FALSE(f.MakeDv(QStringLiteral("b.avi")).isEmpty());
    ASSERT_FALSE(f.MakeDv(QStringLiteral("gap.avi"), {.plan = {"--gap", "20"}}).isEmpty());
    f.Open({"a.avi", "b.avi", "gap.avi"});
    TaviFichier *a = f.Item("a.avi");
    a->displayTimeDifference = 2.0 / 24;
    const TDateTime shifted = a->datecode + a->displayTimeDifference;
    const QString question = FileDatesQuestion("a.avi", a->created, a->modified, shifted);
    f.Select({"a.avi", "b.avi", "gap.avi"});
    f.user.answers = {kAnswerYes, kAnswerNo};
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("DateFichier"));

    ASSERT_EQ(f.user.questions.size(), 2) << "gap.avi has no datecode and is not asked about";
    EXPECT_EQ(f.user.questions[0], question + kSeveralFilesLine);
    EXPECT_TRUE(question.startsWith("Do you really want to modify the dates of the file 'a.avi'\r\n\r\n"
                                    "Old creation date: "));
    EXPECT_EQ(Names(TableFixture::Changed(before, f.Snapshot())), "a.avi");
    EXPECT_EQ(testsupport::ReadWholeFile(f.Path("a.avi")), before.at("a.avi").content);
    const auto stat = testsupport::Run("stat", {"-c", "%Y", f.Path("a.avi")});
    ASSERT_EQ(stat.exitCode, 0);
    EXPECT_EQ(stat.out.trimmed().toLongLong(), QDateTimeFromDateTime(shifted).toSecsSinceEpoch());
    EXPECT_EQ(QDateTimeFromDateTime(shifted).time().hour(), 16);
    EXPECT_EQ(f.released, QStringList(f.Path("a.avi")));
    EXPECT_NEAR(f.Item("a.avi")->modified, shifted, 1.0 / 86400) << "the item was read again";
}
