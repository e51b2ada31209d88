#include "prefs/savepreferences.h"

#include "prefs/preferencekeys.h"
#include "shell/userfolders.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

// A program folder on a "drive" and the user's configuration in a temporary folder,
// found through XDG_CONFIG_HOME as at run time.
class PreferencesLife : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("config"))));
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
        places = PlacesOf(QStringLiteral("usb/Morvik/morvik"));
    }
    void TearDown() override
    {
        if (hadConfigHome)
            qputenv("XDG_CONFIG_HOME", savedConfigHome);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    TPreferencesPlaces PlacesOf(const QString &executable)
    {
        TPreferencesPlaces p = TPreferencesPlaces::OfThisProgram();
        p.executable = dir.filePath(executable);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(p.executable).absolutePath()));
        return p;
    }
    QString User() const { return PreferencesFile(kPreferencesKeyPath, TStorageMode::kRegistry, places); }
    QString Portable() const { return PreferencesFile(kPreferencesKeyPath, TStorageMode::kIniFile, places); }
    QString Folder(const QString &name)
    {
        EXPECT_TRUE(QDir().mkpath(dir.filePath(name)));
        return dir.filePath(name) + u'/';
    }

    QTemporaryDir dir;
    bool hadConfigHome = false;
    QByteArray savedConfigHome;
    TPreferencesPlaces places;
};

TEST_F(PreferencesLife, ConfigurationFolderComesFromXdg)
{
    EXPECT_EQ(User(), dir.filePath(QStringLiteral("config/Quenlor/Morvik.ini")));
}

TEST_F(PreferencesLife, FirstStartGivesTheDefaults)
{
    const TLoadedPreferences loaded = LoadPreferences(places, QSize(1024, 768));
    const TPreferences &s = loaded.settings;
    EXPECT_EQ(loaded.mode, TStorageMode::kNone);
    EXPECT_EQ(s.width, 596);
    EXPECT_EQ(s.height, 546);
    EXPECT_EQ(s.left, (1024 - 596) / 2);
    EXPECT_EQ(s.top, (768 - 546) / 2);
    EXPECT_EQ(s.sortIndex, QStringLiteral("alpha"));
    EXPECT_TRUE(s.deinterlace);
    EXPECT_EQ(s.incrustFont.name, QStringLiteral("arial"));
    EXPECT_EQ(s.incrustFont.size, 16);
    EXPECT_EQ(ColorToCode(s.incrustFont.color), 0x00FFFFFF);
    EXPECT_FALSE(s.incrustFont.bold || s.incrustFont.italic || s.incrustFont.underline || s.incrustFont.strikeOut);
    EXPECT_EQ(s.whenIncrust, 2);
    EXPECT_EQ(IncrustSettingsFromPreferences(s), TIncrustSettings());
    EXPECT_EQ(s.returnCount, 1);
    EXPECT_EQ(s.folderToOpenFiles, GetVideoFolder() + u'/');
    EXPECT_EQ(s.folderToOpenAuto, GetVideoFolder() + u'/');
    EXPECT_EQ(s.folderWhereToSave, GetVideoFolder() + u'/');
    EXPECT_EQ(s.folderForPlaylists, GetDocumentsFolder() + u'/');
    EXPECT_EQ(PreferredPlaylistFile(s), GetDocumentsFolder() + QStringLiteral("/playlist.txt"));
    EXPECT_EQ(s.pelnixFile, QString());
    EXPECT_TRUE(s.saveInSameFolder);
}

TEST_F(PreferencesLife, StoredSizeCentresTheWindowAndReturnBecomesOne)
{
    ASSERT_TRUE(WriteWholeFile(Portable(),
                               "[\\Software\\Quenlor\\Morvik]\nWidth=800\nHeight=601\nReturn=0\nTop=\nIncrust Sliders Visible=1\n"));
    const TLoadedPreferences loaded = LoadPreferences(places, QSize(1024, 768));
    EXPECT_EQ(loaded.mode, TStorageMode::kIniFile);
    EXPECT_EQ(loaded.settings.left, 112);
    EXPECT_EQ(loaded.settings.top, 83);  // an empty value is no integer: the default
    EXPECT_EQ(loaded.settings.returnCount, 1);
    EXPECT_FALSE(loaded.settings.incrustSlidersVisible);
}

TEST_F(PreferencesLife, MissingDestinationFolderWritesBesideTheSources)
{
    TPreferences settings;
    settings.saveInSameFolder = false;
    settings.folderWhereToSave = Folder(QStringLiteral("out"));
    ASSERT_TRUE(SavePreferences(settings, TStorageMode::kRegistry, places));
    EXPECT_FALSE(LoadPreferences(places).settings.saveInSameFolder);

    ASSERT_TRUE(QDir(settings.folderWhereToSave).removeRecursively());
    const TPreferences loaded = LoadPreferences(places).settings;
    EXPECT_TRUE(loaded.saveInSameFolder);
    EXPECT_EQ(loaded.folderWhereToSave, settings.folderWhereToSave);
}

TEST_F(PreferencesLife, SavesTheHeaderKeysFirst)
{
    TPreferences settings;
    ASSERT_TRUE(SavePreferences(settings, TStorageMode::kRegistry, places, EncodeDateTime(2024, 7, 8, 15, 4, 5)));
    const TReadPreferences reader(kPreferencesKeyPath, TStorageMode::kRegistry, places);
    const QStringList lines = reader.Values().Lines();
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines.at(1), QStringLiteral("version=Morvik 7.2.1 en by Quenlor"));
    EXPECT_EQ(lines.at(2), QStringLiteral("Last saving=2024/07/08 03:04:05 pm"));
    EXPECT_EQ(lines.at(3), QStringLiteral("Exename=") + places.executable);
    EXPECT_EQ(lines.at(4), QStringLiteral("Top=") + QString::number(settings.top));
    EXPECT_EQ(reader.ReadString(QStringLiteral("Portable Path"), QString()), places.ProgramFolder());
    EXPECT_EQ(settings.portablePath, places.ProgramFolder());
}

TEST_F(PreferencesLife, EveryKeyRoundTrips)
{
    // A value unlike the default for every key of the table.
    TPreferences settings;
    int n = 0;
    for (const TPreferenceKey &key : PreferenceKeys()) {
        ++n;
        std::visit(
            [&](auto member) {
                auto &value = settings.*member;
                using Value = std::remove_reference_t<decltype(value)>;
                if constexpr (std::is_same_v<Value, bool>)
                    value = !value;
                else if constexpr (std::is_same_v<Value, int32_t>)
                    value = value + 1000 + n;
                else if constexpr (std::is_same_v<Value, QString>)
                    value = QStringLiteral("v%1 = [\u00e9\u00a7\u20ac] ").arg(n);
                else if constexpr (std::is_same_v<Value, double>)
                    value = -1.0 / 3 + n;
                else
                    value = TfontRecord{QStringLiteral("DejaVu Serif"), 31, QColor(1, 2, 3), true, true, true, true};
            },
            key.field);
    }
    // The values the start rules would change stay as they are.
    settings.folderToOpenFiles = Folder(QStringLiteral("videos"));
    settings.folderToOpenAuto = Folder(QStringLiteral("auto"));
    settings.folderForPlaylists = Folder(QStringLiteral("lists"));
    settings.folderWhereToSave = Folder(QStringLiteral("out"));
    settings.incrustSlidersVisible = false;
    settings.returnCount = 1;
    settings.texte2.clear();
    ASSERT_TRUE(SavePreferences(settings, TStorageMode::kRegistry, places));

    const TLoadedPreferences loaded = LoadPreferences(places);
    EXPECT_EQ(loaded.mode, TStorageMode::kRegistry);
    EXPECT_TRUE(loaded.settings == settings);
    EXPECT_EQ(loaded.settings.texte2, QString());  // saved empty, not the default template
    EXPECT_EQ(loaded.settings.incrustFont, settings.incrustFont);
    EXPECT_EQ(loaded.settings.timeDifference, settings.timeDifference);
}

TEST_F(PreferencesLife, UserPreferencesOfAnotherCopyAreIgnored)
{
    TPreferences settings;
    settings.volume = 1234;
    ASSERT_TRUE(SavePreferences(settings, TStorageMode::kRegistry, places));
    EXPECT_EQ(ChooseStorageMode(places), TStorageMode::kRegistry);

    TPreferencesPlaces sameInOtherCase = places;
    sameInOtherCase.executable = places.executable.toUpper();
    EXPECT_EQ(ChooseStorageMode(sameInOtherCase), TStorageMode::kRegistry);

    const TLoadedPreferences other = LoadPreferences(PlacesOf(QStringLiteral("elsewhere/morvik")));
    EXPECT_EQ(other.mode, TStorageMode::kNone);
    EXPECT_EQ(other.settings.volume, 5000);
}

TEST_F(PreferencesLife, PortablePathsFollowTheProgramFolder)
{
    const TPreferencesPlaces before = PlacesOf(QStringLiteral("E/Morvik/morvik"));
    const TPreferencesPlaces after = PlacesOf(QStringLiteral("F/Morvik/morvik"));
    TPreferences settings;
    settings.folderToOpenFiles = before.ProgramFolder() + QStringLiteral("videos/");
    settings.fichierF3 = before.ProgramFolder() + QStringLiteral("tools/player");
    settings.folderForPlaylists = dir.filePath(QStringLiteral("elsewhere/"));
    ASSERT_TRUE(SavePreferences(settings, TStorageMode::kIniFile, before));
    ASSERT_TRUE(QDir().rename(PreferencesFile(kPreferencesKeyPath, TStorageMode::kIniFile, before),
                              PreferencesFile(kPreferencesKeyPath, TStorageMode::kIniFile, after)));

    const TLoadedPreferences loaded = LoadPreferences(after);
    EXPECT_EQ(loaded.mode, TStorageMode::kIniFile);
    EXPECT_EQ(loaded.settings.folderToOpenFiles, after.ProgramFolder() + QStringLiteral("videos/"));
    EXPECT_EQ(loaded.settings.fichierF3, after.ProgramFolder() + QStringLiteral("tools/player"));
    EXPECT_EQ(loaded.settings.folderForPlaylists, dir.filePath(QStringLiteral("elsewhere/")));
}

TEST_F(PreferencesLife, DeletingAsksThenRemovesBothStores)
{
    const auto no = [](const QString &) { return false; };
    QString asked;
    const auto yes = [&](const QString &question) {
        asked = question;
        return true;
    };
    TPreferences settings;
    ASSERT_TRUE(SavePreferences(settings, TStorageMode::kRegistry, places));
    ASSERT_TRUE(SavePreferences(settings, TStorageMode::kIniFile, places));

    EXPECT_EQ(DeletePreferences(no, places), TDeletion::kDeclined);
    EXPECT_TRUE(QFileInfo::exists(User()));

    EXPECT_EQ(DeletePreferences(yes, places), TDeletion::kDeleted);
    EXPECT_EQ(asked, QStringLiteral("Do you really want to delete the Preferences of Morvik"));
    EXPECT_FALSE(QFileInfo::exists(User()));
    EXPECT_FALSE(QFileInfo::exists(Portable()));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("config/Quenlor"))));

    EXPECT_EQ(DeletePreferences(yes, places), TDeletion::kNotFound);
    EXPECT_EQ(DeletionMessage(TDeletion::kDeleted), QStringLiteral("Morvik has been completely deleted from your system."));
    EXPECT_EQ(DeletionMessage(TDeletion::kNotFound),
              QStringLiteral("The preferences of Morvik were not found on your system."));
}

TEST_F(PreferencesLife, ChangingTheModeRemovesTheOtherStores)
{
    TPreferences settings;
    settings.folderToOpenFiles = places.ProgramFolder() + QStringLiteral("videos/");
    settings.folderForPlaylists = Folder(QStringLiteral("lists"));
    ASSERT_TRUE(SavePreferences(settings, TStorageMode::kRegistry, places));

    TStorageMode mode = TStorageMode::kRegistry;
    const TStorageModeEffects portable = SetStorageMode(mode, TStorageMode::kIniFile, settings, places);
    EXPECT_EQ(mode, TStorageMode::kIniFile);
    EXPECT_FALSE(QFileInfo::exists(User()));
    EXPECT_TRUE(portable.saveListEnabled && settings.saveListWhenQuit);
    EXPECT_FALSE(portable.sendToEnabled || settings.sendTo);
    EXPECT_TRUE(portable.preferenceButtonsEnabled);
    EXPECT_TRUE(portable.foldersMoved);
    EXPECT_EQ(settings.folderToOpenFiles, places.ProgramFolder() + QStringLiteral("videos/"));
    EXPECT_EQ(settings.folderForPlaylists, places.ProgramFolder());
    EXPECT_EQ(settings.folderWhereToSave, places.ProgramFolder());
    EXPECT_EQ(settings.folderToOpenAuto, places.ProgramFolder());

    ASSERT_TRUE(SavePreferences(settings, mode, places));
    ASSERT_TRUE(QFileInfo::exists(Portable()));
    const TStorageModeEffects none = SetStorageMode(mode, TStorageMode::kNone, settings, places);
    EXPECT_FALSE(QFileInfo::exists(Portable()));
    EXPECT_FALSE(none.saveListEnabled || none.sendToEnabled || none.preferenceButtonsEnabled || none.foldersMoved);
    EXPECT_TRUE(SavePreferences(settings, mode, places));
    EXPECT_FALSE(QFileInfo::exists(Portable()) || QFileInfo::exists(User()));

    const TStorageModeEffects normal = SetStorageMode(mode, StorageModeFromIndex(0), settings, places);
    EXPECT_TRUE(normal.sendToEnabled && settings.sendTo);
}

}  // namespace
