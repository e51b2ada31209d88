// What the codec-change dialog and command decide, without the window: the
// choices offered, the first preselection, the code text chosen and the
// question asked per file. Pure functions, any thread.
#pragma once

#include <QString>

#include <array>

enum class CodecChoice { Dvsd, Dsvd, Cdvc, Personalized };

struct CodecChoiceRow {
    CodecChoice choice;
    const char *caption;  // the radio item
    const char *code;     // the code it writes, empty for the personalized item
};

// The radio items in the order the dialog shows them.
inline constexpr std::array<CodecChoiceRow, 4> kCodecChoices{{
    {CodecChoice::Dvsd, "dvsd (Microsoft)", "dvsd"},
    {CodecChoice::Dsvd, "dsvd", "dsvd"},
    {CodecChoice::Cdvc, "CDVC (Canopus)", "CDVC"},
    {CodecChoice::Personalized, "personalized", ""},
}};

struct CodecPreselection {
    CodecChoice choice = CodecChoice::Personalized;
    QString personalizedText;  // the code for the edit field, set for the personalized item only
};

// The item selected when the dialog opens for the first time, from the codec of
// the displayed file (compared in lower case).
CodecPreselection PreselectCodec(const QString &currentCodec);

// The code text the dialog produces: the item's code, or the personalized text
// followed by four spaces and cut to four characters ("ab" gives "ab  ").
QString ChosenCodecText(CodecChoice choice, const QString &personalizedText);

// The question asked before a file's codec is changed; fileName without folder.
QString CodecChangeQuestion(const QString &currentCodec, const QString &fileName, const QString &newCodec);
