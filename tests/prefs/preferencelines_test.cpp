#include "prefs/preferencelines.h"

#include "base/formatsettings.h"

#include <gtest/gtest.h>

namespace {

const QString kHeader = QStringLiteral("[\\Software\\Quenlor\\Morvik]");

TPreferenceLines Section(const QStringList &entries)
{
    return TPreferenceLines(kHeader, QStringList{kHeader} + entries);
}

TEST(PreferenceLines, BooleansAreTrueUnlessZero)
{
    const TPreferenceLines lines = Section({QStringLiteral("Deinterlace=yes"), QStringLiteral("A= 0 "),
                                            QStringLiteral("B="), QStringLiteral("C=00")});
    EXPECT_TRUE(lines.ReadBool(QStringLiteral("Deinterlace"), false));
    EXPECT_FALSE(lines.ReadBool(QStringLiteral("A"), true));
    EXPECT_TRUE(lines.ReadBool(QStringLiteral("B"), false));
    EXPECT_TRUE(lines.ReadBool(QStringLiteral("C"), false));
    EXPECT_TRUE(lines.ReadBool(QStringLiteral("Missing"), true));
}

TEST(PreferenceLines, IntegersFallBackToTheDefaultWhenNotAWholeNumber)
{
    const struct {
        const char *text;
        int32_t expected;
    } cases[] = {
        {"25", 25}, {" -7 ", -7}, {"+3", 3}, {"2147483647", 2147483647}, {"2147483648", 99},
        {"25 x", 99}, {"", 99}, {"0x10", 99}, {"1.5", 99}, {"1,000", 99},
    };
    for (const auto &c : cases) {
        const TPreferenceLines lines = Section({QStringLiteral("N=") + QString::fromUtf8(c.text)});
        EXPECT_EQ(lines.ReadInteger(QStringLiteral("N"), 99), c.expected) << c.text;
    }
}

TEST(PreferenceLines, EmptyTextIsStoredAsTheMarker)
{
    TPreferenceLines lines(kHeader);
    lines.WriteString(QStringLiteral("Fichier F3"), QString());
    EXPECT_EQ(lines.Lines().last(), QStringLiteral("Fichier F3=#@vide\u00a7#"));
    EXPECT_EQ(lines.ReadString(QStringLiteral("Fichier F3"), QStringLiteral("default")), QString());
    EXPECT_EQ(lines.ReadString(QStringLiteral("Missing"), QStringLiteral("default")), QStringLiteral("default"));

    // A font name is not a text preference: empty stays empty, the marker is a name.
    TfontRecord font;
    font.name.clear();
    lines.WriteFont(QStringLiteral("F"), font);
    EXPECT_TRUE(lines.Lines().contains(QStringLiteral("F\\FontName=")));
    EXPECT_EQ(lines.ReadFont(QStringLiteral("F"), TfontRecord()).name, QString());
}

TEST(PreferenceLines, RealsUseTheUserDecimalSeparator)
{
    const FormatSettings saved = CurrentFormatSettings();
    FormatSettings comma = saved;
    comma.decimalSeparator = u',';
    comma.thousandSeparator = u'.';
    SetFormatSettings(comma);

    TPreferenceLines lines(kHeader);
    lines.WriteFloat(QStringLiteral("Time difference"), -1.0 / 24);
    EXPECT_EQ(lines.Lines().last(), QStringLiteral("Time difference=-0,041666666666666664"));
    EXPECT_EQ(lines.ReadFloat(QStringLiteral("Time difference"), 9), -1.0 / 24);
    lines.WriteFloat(QStringLiteral("Time difference"), 0);
    EXPECT_EQ(lines.Lines().last(), QStringLiteral("Time difference=0"));
    lines.WriteString(QStringLiteral("Bad"), QStringLiteral("1,2,3"));
    EXPECT_EQ(lines.ReadFloat(QStringLiteral("Bad"), 9), 9);

    SetFormatSettings(saved);
}

TEST(PreferenceLines, FontRecordUsesSevenEntries)
{
    TfontRecord font;
    font.name = QStringLiteral("DejaVu Sans");
    font.size = 22;
    font.color = QColor(0x12, 0x34, 0x56);
    font.bold = true;
    font.strikeOut = true;
    TPreferenceLines lines(kHeader);
    lines.WriteFont(QStringLiteral("IncrustFont"), font);
    EXPECT_EQ(lines.Lines(), (QStringList{
                                 kHeader,
                                 QStringLiteral("IncrustFont\\FontName=DejaVu Sans"),
                                 QStringLiteral("IncrustFont\\FontSize=22"),
                                 QStringLiteral("IncrustFont\\FontColor=") + QString::number(0x563412),
                                 QStringLiteral("IncrustFont\\FontBold=1"),
                                 QStringLiteral("IncrustFont\\FontItalic=0"),
                                 QStringLiteral("IncrustFont\\FontUnderline=0"),
                                 QStringLiteral("IncrustFont\\FontStrikeOut=1"),
                             }));
    EXPECT_EQ(lines.ReadFont(QStringLiteral("IncrustFont"), TfontRecord()), font);

    const TfontRecord missing = TPreferenceLines(kHeader).ReadFont(QStringLiteral("IncrustFont"), TfontRecord());
    EXPECT_EQ(missing, TfontRecord());
    EXPECT_EQ(ColorToCode(missing.color), 0x00FFFFFF);
}

}  // namespace
