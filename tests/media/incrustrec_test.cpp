#include "media/incrustrec.h"

#include <gtest/gtest.h>

TEST(IncrustRec, DefaultsAreThoseOfAFirstStart)
{
    const TIncrustSettings s;
    EXPECT_EQ(s.Settings.Format1, QStringLiteral("ddddd"));
    EXPECT_EQ(s.Settings.Format2, QStringLiteral("tt"));
    EXPECT_EQ(s.Settings.When, IncrustWhen::kEachNewScene);
    EXPECT_EQ(s.Settings.Duration, 5);
    EXPECT_EQ(s.Settings.BorderSize, 2);
    EXPECT_EQ(s.Settings.Font.name, QStringLiteral("arial"));
    EXPECT_EQ(s.Settings.Font.size, 16);
    EXPECT_EQ(s.Settings.Font.color, QColor(255, 255, 255));
    EXPECT_FALSE(s.Settings.Font.bold || s.Settings.Font.italic || s.Settings.Font.underline
                 || s.Settings.Font.strikeOut);
    EXPECT_EQ(s.kind, IncrustKind::kDatecode);
    EXPECT_EQ(s.alignment, IncrustAlignment::kRight);
    EXPECT_EQ(s.position, (TIncrustPosition{920, 920}));
    // The default templates are those of the default kind.
    const TIncrustTemplates t = IncrustTemplates(s.kind, QString(), QString(), nullptr);
    EXPECT_EQ(t.line1, s.Settings.Template1);
    EXPECT_EQ(t.line2, s.Settings.Template2);
}

TEST(IncrustRec, StoredCodesOutsideTheirRangeGiveTheDefault)
{
    EXPECT_EQ(IncrustWhenFromCode(0), IncrustWhen::kPermanently);
    EXPECT_EQ(IncrustWhenFromCode(3), IncrustWhen::kEachNewDay);
    EXPECT_EQ(IncrustWhenFromCode(4), IncrustWhen::kEachNewScene);
    EXPECT_EQ(IncrustWhenFromCode(-1), IncrustWhen::kEachNewScene);
    EXPECT_EQ(IncrustKindFromCode(2), IncrustKind::kPersonalText);
    EXPECT_EQ(IncrustKindFromCode(3), IncrustKind::kDatecode);
    EXPECT_EQ(IncrustAlignmentFromCode(3), IncrustAlignment::kSubtitle);
    EXPECT_EQ(IncrustAlignmentFromCode(0), IncrustAlignment::kLeft);
    EXPECT_EQ(IncrustAlignmentFromCode(7), IncrustAlignment::kRight);
}

TEST(IncrustRec, TemplatesOfEachKind)
{
    EXPECT_EQ(IncrustTemplates(IncrustKind::kDatecode, QStringLiteral("a"), QStringLiteral("b"), nullptr),
              (TIncrustTemplates{QStringLiteral("%D1"), QStringLiteral("%D2")}));
    // Timecode only: the first line is empty.
    EXPECT_EQ(IncrustTemplates(IncrustKind::kTimecode, QStringLiteral("a"), QStringLiteral("b"), nullptr),
              (TIncrustTemplates{QString(), QStringLiteral("%T")}));
}

TEST(IncrustRec, PersonalTemplatesNameTheFile)
{
    TIncrustFileTexts file;
    file.name = QStringLiteral("holiday %U");  // a code inside a file text stays as it is
    file.extension = QStringLiteral(".avi");
    file.folder = QStringLiteral("/home/me/videos/");
    file.codec = QStringLiteral("dvsd");
    file.image = QStringLiteral("720x576");
    file.audio = QStringLiteral("48000Hz 16 bits stereo");
    file.duration = QStringLiteral("0:01:02");

    const TIncrustTemplates t = IncrustTemplates(IncrustKind::kPersonalText, QStringLiteral("%f%E in %p (%c, %I)"),
                                                 QStringLiteral("%a %u on %d at %T, %D1 %D2 %x"), &file);
    EXPECT_EQ(t.line1, QStringLiteral("holiday %U.avi in /home/me/videos/ (dvsd, 720x576)"));
    EXPECT_EQ(t.line2, QStringLiteral("48000Hz 16 bits stereo 0:01:02 on %D2 at %T, %D1 %D2 %x"));

    // With no file the file codes stay as typed; the datecode still follows its line.
    const TIncrustTemplates bare = IncrustTemplates(IncrustKind::kPersonalText, kDefaultPersonalTemplate1,
                                                    kDefaultPersonalTemplate2, nullptr);
    EXPECT_EQ(bare.line1, QStringLiteral("Your template here"));
    EXPECT_EQ(bare.line2, QStringLiteral("with datecode=%D2, timecode=%T, etc..."));
    EXPECT_EQ(IncrustTemplates(IncrustKind::kPersonalText, QStringLiteral("%D %F"), QString(), nullptr).line1,
              QStringLiteral("%D1 %F"));
}
