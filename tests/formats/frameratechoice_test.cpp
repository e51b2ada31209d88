#include "formats/frameratechoice.h"

#include "base/formatsettings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Runs with the given decimal separator and puts the former settings back.
class FrameRateChoiceTest : public ::testing::Test {
protected:
    void TearDown() override { SetFormatSettings(saved_); }
    void UseSeparator(char separator)
    {
        FormatSettings s = saved_;
        s.decimalSeparator = QLatin1Char(separator);
        s.thousandSeparator = QLatin1Char(separator == ',' ? '.' : ',');
        SetFormatSettings(s);
    }
    FormatSettings saved_ = CurrentFormatSettings();
};

}  // namespace

TEST_F(FrameRateChoiceTest, PreselectsFromTheDisplayedRate)
{
    UseSeparator('.');
    struct Case {
        double fps;
        const char *edit;
        FrameRateChoice choice;
        const char *newEdit;
    } cases[] = {
        {25.0, "", FrameRateChoice::Pal, ""},
        {30000.0 / 1001, "", FrameRateChoice::Ntsc, ""},
        {29.97, "12", FrameRateChoice::Ntsc, "12"},
        {24.0, "", FrameRateChoice::Personalized, "24"},
        {23.976, "", FrameRateChoice::Personalized, "23.976"},
        {24.0, "15", FrameRateChoice::Personalized, "15"},  // an edit text is kept
        {0.0, "", FrameRateChoice::Personalized, "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fps);
        const FrameRatePreselection p = PreselectFrameRate(c.fps, QString::fromLatin1(c.edit));
        EXPECT_EQ(p.choice, c.choice);
        EXPECT_EQ(p.personalizedText, QString::fromLatin1(c.newEdit));
    }
}

TEST_F(FrameRateChoiceTest, ProducesTheRateOrNothing)
{
    UseSeparator(',');
    EXPECT_EQ(ChosenFrameRate(FrameRateChoice::Pal, QStringLiteral("x")), 25.0);
    EXPECT_EQ(ChosenFrameRate(FrameRateChoice::Ntsc, QString()), 29.97);
    EXPECT_EQ(ChosenFrameRate(FrameRateChoice::Personalized, QStringLiteral(" 23,976 ")), 23.976);
    for (const char *refused : {"", "abc", "23.976", "0", "-25", "inf", "nan", "1,2,3"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(ChosenFrameRate(FrameRateChoice::Personalized, QString::fromLatin1(refused)), std::nullopt);
    }
}

TEST_F(FrameRateChoiceTest, TheRateTravelsAsTextInTheUsersFormat)
{
    for (char separator : {'.', ','}) {
        UseSeparator(separator);
        for (double rate : {25.0, 29.97, 23.976, 12.5, 59.94}) {
            SCOPED_TRACE(rate);
            const QString text = FrameRateToText(rate);
            EXPECT_FALSE(text.contains(separator == '.' ? QLatin1Char(',') : QLatin1Char('.'))) << text.toStdString();
            EXPECT_EQ(FrameRateFromText(text), rate);
        }
    }
    UseSeparator(',');
    EXPECT_EQ(FrameRateToText(29.97), "29,97");
    EXPECT_EQ(FrameRateToText(30000.0 / 1001), "29,97002997003");
    EXPECT_EQ(FrameRateToText(25), "25");
}

TEST_F(FrameRateChoiceTest, AsksBeforeChangingAFile)
{
    UseSeparator('.');
    EXPECT_EQ(FrameRateChangeQuestion(30000.0 / 1001, QStringLiteral("holiday.avi"), QStringLiteral("25")),
              "Do you want to change the frequency 29.97002997003 from  holiday.avi to 25 ?");
    EXPECT_EQ(FrameRateChangeQuestion(25, QStringLiteral("a.avi"), QStringLiteral("29.97")),
              "Do you want to change the frequency 25 from  a.avi to 29.97 ?");
}
