// The two stores of the preferences and the classes that read and write them.
// Normal mode keeps an INI file in the user's configuration folder (the place other
// systems give to the per-user registry), portable mode keeps it beside the executable
// so the program can run from a removable drive, and a third mode keeps nothing.
// Both files hold one section named by the key path, written as UTF-16LE text.
//
// Reader and writer own their copy of the file's lines; they are used on the
// user-interface thread, one operation at a time, and never report failures: a read
// that fails gives the defaults, a write that fails is dropped (Save tells which).
#pragma once

#include "prefs/preferencelines.h"

#include <QString>

#include <cstdint>

// Item index of the options' "How to save the preferences when quit" choice.
enum class TStorageMode : uint8_t {
    kRegistry = 0,
    kIniFile = 1,
    kNone = 2,
};

// The choice's items, in mode order.
inline const QString kStorageModeNames[] = {
    QStringLiteral("Normal Mode (registry)"),
    QStringLiteral("Portable Mode ( USB key)"),
    QStringLiteral("Do not save when quit"),
};

// A radio item index as a mode; anything unknown keeps nothing.
TStorageMode StorageModeFromIndex(int index);

inline const QString kCompanyName = QStringLiteral("Quenlor");
inline const QString kProgramName = QStringLiteral("Morvik");
inline const QString kPreferencesKeyPath = QStringLiteral("\\Software\\Quenlor\\Morvik");

// Where the running program and the user's configuration are; tests give their own.
struct TPreferencesPlaces {
    QString executable;    // full path of the running executable
    QString configFolder;  // the user's configuration folder ($XDG_CONFIG_HOME)

    static TPreferencesPlaces OfThisProgram();
    // The executable's folder with its trailing '/'.
    QString ProgramFolder() const;
};

// "[" + key path + "]".
QString PreferencesSectionHeader(const QString &keyPath);

// The file of a key path "\Software\<company>\<program>": in normal mode
// <config>/<company>/<program>.ini, in portable mode <program folder>/<program>.ini;
// empty when the mode keeps nothing.
QString PreferencesFile(const QString &keyPath, TStorageMode mode, const TPreferencesPlaces &places);

// Removes the mode's file when it exists, and in normal mode the company folder too when
// nothing else is left in it. True when the file existed and is gone.
bool DeletePreferencesFile(const QString &keyPath, TStorageMode mode, const TPreferencesPlaces &places);

class TReadPreferences {
public:
    // Loads the mode's file; a file that is missing or unreadable gives every default.
    TReadPreferences(const QString &keyPath, TStorageMode mode,
                     const TPreferencesPlaces &places = TPreferencesPlaces::OfThisProgram());

    bool ReadBool(const QString &name, bool defaultValue) const { return values_.ReadBool(name, defaultValue); }
    int32_t ReadInteger(const QString &name, int32_t defaultValue) const
    {
        return values_.ReadInteger(name, defaultValue);
    }
    QString ReadString(const QString &name, const QString &defaultValue) const
    {
        return values_.ReadString(name, defaultValue);
    }
    double ReadFloat(const QString &name, double defaultValue) const { return values_.ReadFloat(name, defaultValue); }
    TfontRecord ReadFont(const QString &name, const TfontRecord &defaultValue) const
    {
        return values_.ReadFont(name, defaultValue);
    }

    const TPreferenceLines &Values() const { return values_; }

private:
    TPreferenceLines values_;
};

class TWritePreferences {
public:
    // Starts from the mode's file when it exists, so that what others wrote in it stays.
    TWritePreferences(const QString &keyPath, TStorageMode mode,
                      const TPreferencesPlaces &places = TPreferencesPlaces::OfThisProgram());
    // Saves what was written since the last Save.
    ~TWritePreferences();
    TWritePreferences(const TWritePreferences &) = delete;
    TWritePreferences &operator=(const TWritePreferences &) = delete;

    void WriteBool(const QString &name, bool value);
    void WriteInteger(const QString &name, int32_t value);
    void WriteString(const QString &name, const QString &value);
    void WriteFloat(const QString &name, double value);
    void WriteFont(const QString &name, const TfontRecord &value);

    TPreferenceLines &Values();

    // Replaces the file atomically with all its lines. True when the file now holds
    // them, and in the mode that keeps nothing. An existing file that could not be read
    // is never overwritten, since its other sections would be lost.
    bool Save();

private:
    TPreferenceLines values_;
    QString file_;
    bool unreadable_ = false;
    bool unsaved_ = false;
};
