// What the frame-rate dialog and command decide, without the window: the
// choices offered, the first preselection, the rate chosen, the rate as the
// parameter text in the user's number format, and the question asked per file.
// Pure functions over the current format settings; any thread once they are set.
#pragma once

#include <QString>

#include <array>
#include <optional>

enum class FrameRateChoice { Pal, Ntsc, Personalized };

struct FrameRateChoiceRow {
    FrameRateChoice choice;
    const char *caption;  // the radio item
    double rate;          // 0 for the personalized item
};

// The radio items in the order the dialog shows them. NTSC is 29.97 as typed,
// not 30000/1001.
inline constexpr std::array<FrameRateChoiceRow, 3> kFrameRateChoices{{
    {FrameRateChoice::Pal, "25 frames/sec (Pal)", 25.0},
    {FrameRateChoice::Ntsc, "29.97 frames/sec (NTSC)", 29.97},
    {FrameRateChoice::Personalized, "personalized", 0.0},
}};

struct FrameRatePreselection {
    FrameRateChoice choice = FrameRateChoice::Personalized;
    QString personalizedText;  // the edit field's new text
};

// The item selected when the dialog opens for the first time, from the fps of
// the displayed file; the personalized edit text receives the fps only when empty.
FrameRatePreselection PreselectFrameRate(double fps, const QString &personalizedText);

// The rate the dialog produces; nullopt when the personalized text is no
// positive finite number.
std::optional<double> ChosenFrameRate(FrameRateChoice choice, const QString &personalizedText);

// A rate in general number format, up to 15 significant digits, with the user's
// decimal separator; and back.
QString FrameRateToText(double rate);
std::optional<double> FrameRateFromText(const QString &text);

// The question asked before a file's frame rate is changed; fileName without folder.
QString FrameRateChangeQuestion(double currentFps, const QString &fileName, const QString &newRateText);
