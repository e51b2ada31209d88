#include "prefs/savepreferences.h"

#include "base/datetimeformat.h"
#include "base/localtime.h"
#include "base/paths.h"
#include "base/textformat.h"
#include "prefs/preferencekeys.h"
#include "shell/pathnames.h"
#include "shell/userfolders.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace {

const QString kExenameKey = QStringLiteral("Exename");
const QString kVersionKey = QStringLiteral("version");
const QString kLastSavingKey = QStringLiteral("Last saving");

// The paths that move with the program folder when it runs from a removable drive.
QString TPreferences::*const kPortablePaths[] = {
    &TPreferences::folderToOpenFiles, &TPreferences::folderToOpenAuto, &TPreferences::folderWhereToSave,
    &TPreferences::folderForPlaylists, &TPreferences::fichierF3, &TPreferences::fichierF4,
    &TPreferences::pelnixFile,
};

// The folders portable mode keeps inside the program's folder.
QString TPreferences::*const kPortableFolders[] = {
    &TPreferences::folderToOpenFiles, &TPreferences::folderForPlaylists, &TPreferences::folderWhereToSave,
    &TPreferences::folderToOpenAuto,
};

QString TPreferences::*const kFoldersWithDelimiter[] = {
    &TPreferences::folderToOpenFiles, &TPreferences::folderWhereToSave, &TPreferences::folderForPlaylists,
    &TPreferences::folderToOpenAuto,
};

}  // namespace

QSize ScreenSizeForDefaults()
{
    const QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return screen ? screen->size() : QSize(1920, 1080);
}

TStorageMode ChooseStorageMode(const TPreferencesPlaces &places)
{
    if (QFileInfo(PreferencesFile(kPreferencesKeyPath, TStorageMode::kIniFile, places)).isFile())
        return TStorageMode::kIniFile;
    const TReadPreferences registry(kPreferencesKeyPath, TStorageMode::kRegistry, places);
    const QString exename = registry.ReadString(kExenameKey, QString());
    return !exename.isEmpty() && exename.compare(places.executable, Qt::CaseInsensitive) == 0
               ? TStorageMode::kRegistry
               : TStorageMode::kNone;
}

TLoadedPreferences LoadPreferences(const TPreferencesPlaces &places, QSize screen)
{
    TLoadedPreferences loaded;
    loaded.mode = ChooseStorageMode(places);
    const TReadPreferences reader(kPreferencesKeyPath, loaded.mode, places);
    const TPreferenceEnvironment environment{screen, GetVideoFolder(), GetDocumentsFolder()};
    TPreferences &settings = loaded.settings;
    settings = ReadPreferenceKeys(reader.Values(), environment);
    settings.returnCount = 1;
    if (loaded.mode == TStorageMode::kIniFile) {
        const QString programFolder = places.ProgramFolder();
        for (QString TPreferences::*path : kPortablePaths)
            settings.*path = RebasePath(settings.*path, settings.portablePath, programFolder);
    }
    ApplyStartRules(settings);
    return loaded;
}

void ApplyStartRules(TPreferences &settings)
{
    for (QString TPreferences::*folder : kFoldersWithDelimiter)
        settings.*folder = IncludeTrailingPathDelimiter(settings.*folder);
    if (!QFileInfo(settings.folderWhereToSave).isDir())
        settings.saveInSameFolder = true;
    settings.incrustSlidersVisible = false;
}

QString PreferredPlaylistFile(const TPreferences &settings)
{
    return IncludeTrailingPathDelimiter(settings.folderForPlaylists) + kPlaylistFileName;
}

bool SavePreferences(TPreferences &settings, TStorageMode mode, const TPreferencesPlaces &places,
                     std::optional<TDateTime> savedAt)
{
    if (mode == TStorageMode::kNone)
        return true;
    settings.portablePath = places.ProgramFolder();
    TWritePreferences writer(kPreferencesKeyPath, mode, places);
    writer.WriteString(kVersionKey, kPreferencesVersion);
    writer.WriteString(kLastSavingKey, FormatDateTime(kLastSavingFormat, savedAt.value_or(Now())));
    writer.WriteString(kExenameKey, places.executable);
    WritePreferenceKeys(writer.Values(), settings);
    return writer.Save();
}

QString DeletionQuestion()
{
    return FormatText(QStringLiteral("Do you really want to delete the Preferences of %s"), {kProgramName});
}

QString DeletionMessage(TDeletion deletion)
{
    switch (deletion) {
    case TDeletion::kDeclined:
        break;
    case TDeletion::kDeleted:
        return FormatText(QStringLiteral("%s has been completely deleted from your system."), {kProgramName});
    case TDeletion::kNotFound:
        return FormatText(QStringLiteral("The preferences of %s were not found on your system."), {kProgramName});
    }
    return QString();
}

TDeletion DeletePreferences(const std::function<bool(const QString &question)> &confirm,
                            const TPreferencesPlaces &places)
{
    if (!confirm(DeletionQuestion()))
        return TDeletion::kDeclined;
    const bool portableFound = DeletePreferencesFile(kPreferencesKeyPath, TStorageMode::kIniFile, places);
    const bool registryFound = DeletePreferencesFile(kPreferencesKeyPath, TStorageMode::kRegistry, places);
    return portableFound || registryFound ? TDeletion::kDeleted : TDeletion::kNotFound;
}

TStorageModeEffects SetStorageMode(TStorageMode &mode, TStorageMode newMode, TPreferences &settings,
                                   const TPreferencesPlaces &places)
{
    mode = newMode;
    if (mode != TStorageMode::kIniFile)
        DeletePreferencesFile(kPreferencesKeyPath, TStorageMode::kIniFile, places);
    if (mode != TStorageMode::kRegistry)
        DeletePreferencesFile(kPreferencesKeyPath, TStorageMode::kRegistry, places);

    TStorageModeEffects effects;
    effects.saveListEnabled = mode != TStorageMode::kNone;
    effects.sendToEnabled = mode == TStorageMode::kRegistry;
    effects.preferenceButtonsEnabled = mode != TStorageMode::kNone;
    settings.saveListWhenQuit = effects.saveListEnabled;
    settings.sendTo = effects.sendToEnabled;

    const QString programFolder = places.ProgramFolder();
    if (mode == TStorageMode::kIniFile && !programFolder.isEmpty()) {
        for (QString TPreferences::*folder : kPortableFolders) {
            if (!(settings.*folder).startsWith(programFolder, Qt::CaseInsensitive)) {
                settings.*folder = programFolder;
                effects.foldersMoved = true;
            }
        }
    }
    return effects;
}
