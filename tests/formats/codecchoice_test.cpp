#include "formats/codecchoice.h"

#include "formats/fourcctext.h"

#include <gtest/gtest.h>

TEST(CodecChoice, PreselectsFromTheDisplayedCodec)
{
    struct Case {
        const char *codec;
        CodecChoice choice;
        const char *edit;
    } cases[] = {
        {"dvsd", CodecChoice::Dvsd, ""},  {"DVSD", CodecChoice::Dvsd, ""}, {"dsvd", CodecChoice::Dsvd, ""},
        {"CDVC", CodecChoice::Cdvc, ""},  {"cdvc", CodecChoice::Cdvc, ""}, {"dv25", CodecChoice::Personalized, "dv25"},
        {"", CodecChoice::Personalized, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codec);
        const CodecPreselection p = PreselectCodec(QString::fromLatin1(c.codec));
        EXPECT_EQ(p.choice, c.choice);
        EXPECT_EQ(p.personalizedText, QString::fromLatin1(c.edit));
    }
}

TEST(CodecChoice, ProducesFourCharacterCodes)
{
    EXPECT_EQ(ChosenCodecText(CodecChoice::Dvsd, QStringLiteral("xx")), "dvsd");
    EXPECT_EQ(ChosenCodecText(CodecChoice::Dsvd, QString()), "dsvd");
    EXPECT_EQ(ChosenCodecText(CodecChoice::Cdvc, QString()), "CDVC");
    EXPECT_EQ(ChosenCodecText(CodecChoice::Personalized, QStringLiteral("ab")), "ab  ");
    EXPECT_EQ(ChosenCodecText(CodecChoice::Personalized, QStringLiteral("dvhd50")), "dvhd");
    EXPECT_EQ(ChosenCodecText(CodecChoice::Personalized, QString()), "    ");

    EXPECT_EQ(TextToFourCC(QStringLiteral("ab  ")), MakeFourCC('a', 'b', ' ', ' '));
    EXPECT_EQ(TextToFourCC(QStringLiteral("ab")), MakeFourCC('a', 'b', '\0', '\0'));
    EXPECT_EQ(FourCCToText(MakeFourCC("CDVC")), "CDVC");
}

TEST(CodecChoice, AsksBeforeChangingAFile)
{
    EXPECT_EQ(CodecChangeQuestion(QStringLiteral("dvsd"), QStringLiteral("holiday.avi"), QStringLiteral("CDVC")),
              "Do you want to change the codec \"dvsd\" from holiday.avi to \"CDVC\" ?");
}
