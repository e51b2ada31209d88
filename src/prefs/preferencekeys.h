// Every stored preference: its key, its field of TPreferences and its default, as one
// table in the order the keys are written, and the walks that read and write the
// table through a section's lines. Pure; any thread.
#pragma once

#include "prefs/preferencelines.h"
#include "prefs/settings.h"

#include <QSize>
#include <QString>

#include <span>
#include <variant>

// Where a key's field lives; the alternative is the stored type.
using TPreferenceField = std::variant<bool TPreferences::*, int32_t TPreferences::*, QString TPreferences::*,
                                      double TPreferences::*, TfontRecord TPreferences::*>;

// Defaults that depend on the machine rather than on the program.
enum class TPreferenceDefault : uint8_t {
    kField,            // the field's value in a default-constructed TPreferences
    kCentredTop,       // (screen height - height read) div 2
    kCentredLeft,      // (screen width - width read) div 2
    kVideoFolder,
    kDocumentsFolder,
};

struct TPreferenceKey {
    QString name;
    TPreferenceField field;
    TPreferenceDefault defaultRule = TPreferenceDefault::kField;
};

// What the machine-dependent defaults are made of.
struct TPreferenceEnvironment {
    QSize screen = QSize(1920, 1080);
    QString videoFolder;
    QString documentsFolder;
};

// The keys in writing order.
std::span<const TPreferenceKey> PreferenceKeys();

// The value of every key, or its default: "Width" and "Height" first, since the
// defaults of "Top" and "Left" centre the window with them, then the table's order.
TPreferences ReadPreferenceKeys(const TPreferenceLines &lines, const TPreferenceEnvironment &environment);

// Every key in the table's order.
void WritePreferenceKeys(TPreferenceLines &lines, const TPreferences &preferences);
