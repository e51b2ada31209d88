// The typed values of one INI section held as lines: booleans, integers, texts,
// reals and font records, each read back as its default when absent or unreadable.
// A plain value owned by its user; any thread, one at a time.
#pragma once

#include "media/incrustrec.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// Stands for an empty text, which would otherwise read back as a missing entry's default.
inline const QString kEmptyTextMarker = QStringLiteral("#@vide\u00a7#");

// The names a font record's seven fields take after its base name and a backslash.
inline const QString kFontNameField = QStringLiteral("FontName");
inline const QString kFontSizeField = QStringLiteral("FontSize");
inline const QString kFontColorField = QStringLiteral("FontColor");
inline const QString kFontBoldField = QStringLiteral("FontBold");
inline const QString kFontItalicField = QStringLiteral("FontItalic");
inline const QString kFontUnderlineField = QStringLiteral("FontUnderline");
inline const QString kFontStrikeOutField = QStringLiteral("FontStrikeOut");

// A colour as the stored 32-bit value 0x00BBGGRR, and back (the top byte is ignored).
int32_t ColorToCode(const QColor &color);
QColor ColorFromCode(int32_t code);

class TPreferenceLines {
public:
    TPreferenceLines(QString sectionHeader, QStringList lines = {});

    const QString &SectionHeader() const { return sectionHeader_; }
    const QStringList &Lines() const { return lines_; }

    // Any value but "0", once trimmed, is true.
    bool ReadBool(const QString &name, bool defaultValue) const;
    // A decimal 32-bit integer, blanks around it allowed; anything else gives the default.
    int32_t ReadInteger(const QString &name, int32_t defaultValue) const;
    // The marker reads as an empty text.
    QString ReadString(const QString &name, const QString &defaultValue) const;
    // Decimal text with the user's decimal separator.
    double ReadFloat(const QString &name, double defaultValue) const;
    // Each field missing or unreadable keeps the default's field.
    TfontRecord ReadFont(const QString &name, const TfontRecord &defaultValue) const;

    void WriteBool(const QString &name, bool value);
    void WriteInteger(const QString &name, int32_t value);
    void WriteString(const QString &name, const QString &value);
    void WriteFloat(const QString &name, double value);
    void WriteFont(const QString &name, const TfontRecord &value);

private:
    QString sectionHeader_;
    QStringList lines_;
};
