// The life of the program's preferences: choosing the store at start and reading every
// key, saving them at exit or on request, deleting them, and changing the store from the
// options. The caller owns the settings and the storage mode; user-interface thread only.
// Questions and messages are left to the caller, which gets their texts from here.
#pragma once

#include "base/datetime.h"
#include "prefs/preferences.h"
#include "prefs/settings.h"

#include <QSize>
#include <QString>

#include <functional>
#include <optional>

inline const QString kPreferencesVersion = QStringLiteral("Morvik 7.2.1 en by Quenlor");
inline const QString kLastSavingFormat = QStringLiteral("yyyy/mm/dd hh:nn:ss am/pm");
inline const QString kPlaylistFileName = QStringLiteral("playlist.txt");

// The primary screen's size, or 1920 x 1080 when there is no screen.
QSize ScreenSizeForDefaults();

// Portable mode when its file exists; else normal mode when the stored "Exename" is this
// executable (letter case ignored), so that preferences saved by a copy of the program
// elsewhere are not taken; else none.
TStorageMode ChooseStorageMode(const TPreferencesPlaces &places);

struct TLoadedPreferences {
    TPreferences settings;
    TStorageMode mode = TStorageMode::kNone;
};

// Chooses the store and reads every key; the defaults of the window's position centre it on
// a screen of the given size. In portable mode the paths saved under another program folder
// are moved to the current one; the start rules are applied and "Return" is set to 1.
TLoadedPreferences LoadPreferences(const TPreferencesPlaces &places = TPreferencesPlaces::OfThisProgram(),
                                   QSize screen = ScreenSizeForDefaults());

// Folders get their trailing '/', the destination option is forced on when the destination
// folder no longer exists, and the overlay editing sliders start hidden.
void ApplyStartRules(TPreferences &settings);

// The playlist saved at exit and reloaded at start.
QString PreferredPlaylistFile(const TPreferences &settings);

// Writes the version, the time of saving (now when none is given), the executable and every
// key into the mode's store; "Portable Path" becomes the executable's folder. Nothing happens
// in the mode that keeps nothing. True when the store holds them.
bool SavePreferences(TPreferences &settings, TStorageMode mode,
                     const TPreferencesPlaces &places = TPreferencesPlaces::OfThisProgram(),
                     std::optional<TDateTime> savedAt = std::nullopt);

enum class TDeletion : uint8_t {
    kDeclined,  // the user said no; nothing was touched
    kDeleted,   // a store existed and is gone
    kNotFound,  // there was nothing to delete
};

// "Do you really want to delete the Preferences of Morvik"
QString DeletionQuestion();
// The information for kDeleted, the warning for kNotFound; empty for kDeclined.
QString DeletionMessage(TDeletion deletion);

// Asks confirm(DeletionQuestion()); on yes deletes both stores. The storage mode stays.
TDeletion DeletePreferences(const std::function<bool(const QString &question)> &confirm,
                            const TPreferencesPlaces &places = TPreferencesPlaces::OfThisProgram());

// What the options panel shows after a change of store.
struct TStorageModeEffects {
    bool saveListEnabled = false;         // "Save the playlist when quit": ticked and enabled
    bool sendToEnabled = false;           // "Shortcut in SendTo...": ticked and enabled
    bool preferenceButtonsEnabled = false; // save now, delete
    bool foldersMoved = false;            // the panel's folder fields must show the settings again
};

// Sets the program's mode and removes the stores the new mode does not use. The two options
// above follow the mode in the settings too; in portable mode the folders outside the
// program's folder move into it, so that the drive carries everything the program uses.
TStorageModeEffects SetStorageMode(TStorageMode &mode, TStorageMode newMode, TPreferences &settings,
                                   const TPreferencesPlaces &places = TPreferencesPlaces::OfThisProgram());
