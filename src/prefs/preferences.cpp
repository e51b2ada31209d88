#include "prefs/preferences.h"

#include "base/paths.h"
#include "base/textfile.h"
#include "shell/filedeletion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

struct KeyPathParts {
    QString company;
    QString program;
};

KeyPathParts SplitKeyPath(const QString &keyPath)
{
    const QStringList parts = keyPath.split(u'\\', Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return {QString(), parts.value(0)};
    return {parts.at(parts.size() - 2), parts.last()};
}

std::optional<QStringList> LoadLines(const QString &file)
{
    const TextFileRead read = ReadTextFile(file);
    if (!read.text)
        return std::nullopt;
    return SplitLines(*read.text);
}

}  // namespace

TStorageMode StorageModeFromIndex(int index)
{
    return index >= 0 && index <= static_cast<int>(TStorageMode::kNone) ? static_cast<TStorageMode>(index)
                                                                        : TStorageMode::kNone;
}

TPreferencesPlaces TPreferencesPlaces::OfThisProgram()
{
    return {QCoreApplication::applicationFilePath(),
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)};
}

QString TPreferencesPlaces::ProgramFolder() const
{
    return ExtractFilePath(executable);
}

QString PreferencesSectionHeader(const QString &keyPath)
{
    return u'[' + keyPath + u']';
}

QString PreferencesFile(const QString &keyPath, TStorageMode mode, const TPreferencesPlaces &places)
{
    const KeyPathParts parts = SplitKeyPath(keyPath);
    const QString fileName = parts.program + QStringLiteral(".ini");
    switch (mode) {
    case TStorageMode::kRegistry:
        if (places.configFolder.isEmpty())
            return QString();
        return IncludeTrailingPathDelimiter(places.configFolder) + IncludeTrailingPathDelimiter(parts.company) +
               fileName;
    case TStorageMode::kIniFile:
        return places.ProgramFolder().isEmpty() ? QString() : places.ProgramFolder() + fileName;
    case TStorageMode::kNone:
        break;
    }
    return QString();
}

bool DeletePreferencesFile(const QString &keyPath, TStorageMode mode, const TPreferencesPlaces &places)
{
    const QString file = PreferencesFile(keyPath, mode, places);
    if (file.isEmpty())
        return false;
    const bool deleted = QFileInfo(file).isFile() && DeleteFileForced(file);
    // rmdir leaves a folder that still holds anything, the other programs' files of the company.
    if (mode == TStorageMode::kRegistry)
        QDir().rmdir(QFileInfo(file).absolutePath());
    return deleted;
}

TReadPreferences::TReadPreferences(const QString &keyPath, TStorageMode mode, const TPreferencesPlaces &places)
    : values_(PreferencesSectionHeader(keyPath))
{
    const QString file = PreferencesFile(keyPath, mode, places);
    if (!file.isEmpty() && QFileInfo(file).isFile())
        values_ = TPreferenceLines(values_.SectionHeader(), LoadLines(file).value_or(QStringList()));
}

TWritePreferences::TWritePreferences(const QString &keyPath, TStorageMode mode, const TPreferencesPlaces &places)
    : values_(PreferencesSectionHeader(keyPath)), file_(PreferencesFile(keyPath, mode, places))
{
    if (file_.isEmpty() || !QFileInfo::exists(file_))
        return;
    const std::optional<QStringList> lines = LoadLines(file_);
    unreadable_ = !lines;
    if (lines)
        values_ = TPreferenceLines(values_.SectionHeader(), *lines);
}

TWritePreferences::~TWritePreferences()
{
    if (unsaved_)
        Save();
}

void TWritePreferences::WriteBool(const QString &name, bool value)
{
    Values().WriteBool(name, value);
}

void TWritePreferences::WriteInteger(const QString &name, int32_t value)
{
    Values().WriteInteger(name, value);
}

void TWritePreferences::WriteString(const QString &name, const QString &value)
{
    Values().WriteString(name, value);
}

void TWritePreferences::WriteFloat(const QString &name, double value)
{
    Values().WriteFloat(name, value);
}

void TWritePreferences::WriteFont(const QString &name, const TfontRecord &value)
{
    Values().WriteFont(name, value);
}

TPreferenceLines &TWritePreferences::Values()
{
    unsaved_ = !file_.isEmpty();
    return values_;
}

bool TWritePreferences::Save()
{
    unsaved_ = false;
    if (file_.isEmpty())
        return true;
    if (unreadable_ || !QDir().mkpath(QFileInfo(file_).absolutePath()))
        return false;
    return WriteTextFileUtf16(file_, values_.Lines()).ok;
}
