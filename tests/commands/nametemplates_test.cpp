// Names made from templates, free names, shortened names and file dates.
#include "commands/nametemplates.h"

#include "base/datetimeformat.h"
#include "base/formatsettings.h"
#include "base/localtime.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TNameValues Holiday()
{
    TNameValues values = NameValuesOfPath(QStringLiteral("/v/holiday.avi"));
    values.datecode = *EncodeDateTime(2004, 7, 14, 10, 32, 5);
    values.timecode = QStringLiteral("00.12.34.15");
    values.codec = QStringLiteral("dvsd");
    values.image = QStringLiteral("720 x 576 (Pal 4x3)");
    values.audio = QStringLiteral("48000 Hz 16 bits stereo");
    values.duration = QStringLiteral("0:01:02:03");
    return values;
}

class NameTemplates : public ::testing::Test {
protected:
    void SetUp() override { SetFormatSettings(FormatSettings{}); }
};

}  // namespace

TEST_F(NameTemplates, Expansion)
{
    struct Case {
        QString nameTemplate;
        const char *dateFormat;
        const char *expected;
    } const cases[] = {
        {DatecodeTemplate(false), "dd.mm.yyyy_hh.nn.ss", "/v/holiday_14.07.2004_10.32.05.avi"},
        {DatecodeTemplate(true), "dd.mm.yyyy_hh.nn.ss", "/v/14.07.2004_10.32.05_holiday.avi"},
        {TimecodeTemplate(false), "", "/v/holiday_00.12.34.15.avi"},
        {TimecodeTemplate(true), "", "/v/00.12.34.15_holiday.avi"},
        {"video'%D.avi", "yyyymmdd_hh.nn.ss", "/v/video'20040714_10.32.05.avi"},
        {"%f %c %i %a %u%e", "", "/v/holiday dvsd 720 x 576 (Pal 4x3) 48000 Hz 16 bits stereo 0.01.02.03.avi"},
        {"%D", "yyyy/mm/dd hh:nn", "/v/2004_07_14 10.32"},   // "/" and ":" made safe
        {"a<b>c\"d\\e|f?*%E", "", "/v/a_b_c_d_e_f?*.avi"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExpandTemplate(c.nameTemplate, QString::fromLatin1(c.dateFormat), Holiday()),
                  QString::fromLatin1(c.expected))
            << c.nameTemplate.toStdString();
}

TEST_F(NameTemplates, PlaceholdersInsideEarlierSubstitutionsAreReplacedToo)
{
    TNameValues values = Holiday();
    values.bare = QStringLiteral("clip%T");
    EXPECT_EQ(ExpandTemplateName(QStringLiteral("%F%E"), {}, values), QStringLiteral("clip00.12.34.15.avi"));
}

TEST_F(NameTemplates, TimeDifferenceShiftsTheDatecode)
{
    TNameValues values = Holiday();
    values.datecode += 2.0 / 24;
    EXPECT_EQ(ExpandTemplateName(QStringLiteral("%D"), QStringLiteral("hh.nn"), values), QStringLiteral("12.32"));
}

TEST_F(NameTemplates, Preview)
{
    const TDateTime now = *EncodeDateTime(2026, 12, 10, 8, 5, 0);
    EXPECT_EQ(ExpandTemplateName(QStringLiteral("video'%D%E"), QStringLiteral("yyyymmdd hh.nn.ss"),
                                 PreviewNameValues(now)),
              QStringLiteral("video'20261210 08.05.00.avi"));
    EXPECT_EQ(ExpandTemplateName(QStringLiteral("%C %I %A %U %T"), {}, PreviewNameValues(now)),
              QStringLiteral("dvsd 640x480 48000Hz 16bits stereo 30s 12fr 0.54.32.10"));
}

TEST(FreeName, CountersBeforeTheExtensionFromTheExpansion)
{
    QTemporaryDir dir;
    const QString x = dir.filePath(QStringLiteral("x.avi"));
    EXPECT_EQ(FreeName(x), x);
    testsupport::WriteWholeFile(x, "");
    EXPECT_EQ(FreeName(x), dir.filePath(QStringLiteral("x_1.avi")));
    testsupport::WriteWholeFile(dir.filePath(QStringLiteral("x_1.avi")), "");
    EXPECT_EQ(FreeName(x), dir.filePath(QStringLiteral("x_2.avi")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.avi")));
    EXPECT_EQ(FreeName(dir.filePath(QStringLiteral("folder.avi"))), dir.filePath(QStringLiteral("folder.avi")))
        << "a folder is no file";
}

TEST(ShortenName, RemovableSuffixes)
{
    struct Case {
        const char *path;
        bool enabled;
    } const cases[] = {
        {"/v/clip_type2.avi", true}, {"/v/clip_(+1days).avi", true}, {"/v/clip_1.avi", true},
        {"/v/clip_am.avi", true},    {"/v/clip_12b.avi", true},       {"/v/clip_ NTSC .avi", true},
        {"/v/clip_.avi", true},      {"/v/clip_holiday.avi", false},  {"/v/clip.avi", false},
        {"/v/clip_a1.avi", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CanShortenName(QString::fromLatin1(c.path)), c.enabled) << c.path;
}

TEST(ShortenName, CutsEverySuffixThenFindsAFreeName)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("trip_ntsc_type2.avi"));
    testsupport::WriteWholeFile(source, "");
    EXPECT_EQ(ShortenedName(source), dir.filePath(QStringLiteral("trip.avi")));
    testsupport::WriteWholeFile(dir.filePath(QStringLiteral("trip.avi")), "");
    EXPECT_EQ(ShortenedName(source), dir.filePath(QStringLiteral("trip_1.avi")));
    const QString plain = dir.filePath(QStringLiteral("clip_holiday.avi"));
    testsupport::WriteWholeFile(plain, "");
    EXPECT_EQ(ShortenedName(plain), dir.filePath(QStringLiteral("clip_holiday_1.avi")));
}

TEST(RenameWithCompanions, MovesTheSceneAndSubtitleFilesAlong)
{
    QTemporaryDir dir;
    for (const char *name : {"clip.avi", "clip.scn", "clip.srt"})
        testsupport::WriteWholeFile(dir.filePath(QString::fromLatin1(name)), name);
    EXPECT_TRUE(RenameWithCompanions(dir.filePath("clip.avi"), dir.filePath("beach.avi")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"beach.avi", "beach.scn", "beach.srt"}));
    EXPECT_FALSE(RenameWithCompanions(dir.filePath("missing.avi"), dir.filePath("x.avi")));
}

TEST(FileDates, QuestionAndModificationTime)
{
    SetFormatSettings(FormatSettings{});
    const TDateTime created = *EncodeDateTime(2020, 1, 2, 3, 4, 5);
    const TDateTime newDate = *EncodeDateTime(2004, 7, 14, 10, 32, 5);
    const QString question = FileDatesQuestion(QStringLiteral("clip.avi"), created, created, newDate);
    EXPECT_TRUE(question.startsWith(QStringLiteral("Do you really want to modify the dates of the file 'clip.avi'\r\n\r\n"
                                                   "Old creation date: ")));
    EXPECT_TRUE(question.contains(QStringLiteral("\r\nOld modified date:  ")));
    EXPECT_TRUE(question.endsWith(QStringLiteral("\r\nNew date : ") + FormatDateTime(QStringLiteral("ddddd tt"), newDate)));
    const QString longName(240, u'n');
    EXPECT_TRUE(FileDatesQuestion(longName, created, created, newDate)
                    .startsWith(QStringLiteral("Do you really want to change the dates of this file?\r\n\r\n")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clip.avi"));
    testsupport::WriteWholeFile(path, "x");
    ASSERT_TRUE(SetFileDates(path, newDate));
    EXPECT_EQ(DateTimeToMilliseconds(DateTimeFromQDateTime(QFileInfo(path).lastModified())),
              DateTimeToMilliseconds(newDate));
    EXPECT_FALSE(SetFileDates(dir.filePath(QStringLiteral("missing.avi")), newDate));
}
