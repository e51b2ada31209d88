#include "prefs/preferencelines.h"

#include "base/formatsettings.h"
#include "prefs/inilines.h"

#include <QLocale>

#include <cmath>
#include <optional>

namespace {

std::optional<int32_t> ParseInteger(const QString &text)
{
    bool ok = false;
    const int32_t value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int32_t>(value) : std::nullopt;
}

std::optional<double> ParseReal(const QString &text)
{
    QString cText = text.trimmed();
    cText.replace(CurrentFormatSettings().decimalSeparator, u'.');
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(cText, &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QString FontField(const QString &name, const QString &field)
{
    return name + u'\\' + field;
}

}  // namespace

int32_t ColorToCode(const QColor &color)
{
    return static_cast<int32_t>(static_cast<uint32_t>(color.red()) | static_cast<uint32_t>(color.green()) << 8 |
                                static_cast<uint32_t>(color.blue()) << 16);
}

QColor ColorFromCode(int32_t code)
{
    const auto bits = static_cast<uint32_t>(code);
    return QColor(static_cast<int>(bits & 0xFF), static_cast<int>(bits >> 8 & 0xFF), static_cast<int>(bits >> 16 & 0xFF));
}

TPreferenceLines::TPreferenceLines(QString sectionHeader, QStringList lines)
    : sectionHeader_(std::move(sectionHeader)), lines_(std::move(lines))
{
}

bool TPreferenceLines::ReadBool(const QString &name, bool defaultValue) const
{
    const std::optional<QString> text = IniReadValue(lines_, sectionHeader_, name);
    return text ? text->trimmed() != u'0' : defaultValue;
}

int32_t TPreferenceLines::ReadInteger(const QString &name, int32_t defaultValue) const
{
    const std::optional<QString> text = IniReadValue(lines_, sectionHeader_, name);
    return text ? ParseInteger(*text).value_or(defaultValue) : defaultValue;
}

QString TPreferenceLines::ReadString(const QString &name, const QString &defaultValue) const
{
    const std::optional<QString> text = IniReadValue(lines_, sectionHeader_, name);
    if (!text)
        return defaultValue;
    return *text == kEmptyTextMarker ? QString() : *text;
}

double TPreferenceLines::ReadFloat(const QString &name, double defaultValue) const
{
    const std::optional<QString> text = IniReadValue(lines_, sectionHeader_, name);
    return text ? ParseReal(*text).value_or(defaultValue) : defaultValue;
}

TfontRecord TPreferenceLines::ReadFont(const QString &name, const TfontRecord &defaultValue) const
{
    TfontRecord font;
    font.name = IniReadValue(lines_, sectionHeader_, FontField(name, kFontNameField)).value_or(defaultValue.name);
    font.size = ReadInteger(FontField(name, kFontSizeField), defaultValue.size);
    font.color = ColorFromCode(ReadInteger(FontField(name, kFontColorField), ColorToCode(defaultValue.color)));
    font.bold = ReadBool(FontField(name, kFontBoldField), defaultValue.bold);
    font.italic = ReadBool(FontField(name, kFontItalicField), defaultValue.italic);
    font.underline = ReadBool(FontField(name, kFontUnderlineField), defaultValue.underline);
    font.strikeOut = ReadBool(FontField(name, kFontStrikeOutField), defaultValue.strikeOut);
    return font;
}

void TPreferenceLines::WriteBool(const QString &name, bool value)
{
    IniWriteValue(lines_, sectionHeader_, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TPreferenceLines::WriteInteger(const QString &name, int32_t value)
{
    IniWriteValue(lines_, sectionHeader_, name, QString::number(value));
}

void TPreferenceLines::WriteString(const QString &name, const QString &value)
{
    IniWriteValue(lines_, sectionHeader_, name, value.isEmpty() ? kEmptyTextMarker : value);
}

void TPreferenceLines::WriteFloat(const QString &name, double value)
{
    // The shortest text that reads back as the same double.
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    text.replace(u'.', CurrentFormatSettings().decimalSeparator);
    IniWriteValue(lines_, sectionHeader_, name, text);
}

void TPreferenceLines::WriteFont(const QString &name, const TfontRecord &value)
{
    IniWriteValue(lines_, sectionHeader_, FontField(name, kFontNameField), value.name);
    WriteInteger(FontField(name, kFontSizeField), value.size);
    WriteInteger(FontField(name, kFontColorField), ColorToCode(value.color));
    WriteBool(FontField(name, kFontBoldField), value.bold);
    WriteBool(FontField(name, kFontItalicField), value.italic);
    WriteBool(FontField(name, kFontUnderlineField), value.underline);
    WriteBool(FontField(name, kFontStrikeOutField), value.strikeOut);
}
