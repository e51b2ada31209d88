#include "prefs/preferences.h"

#include "base/textfile.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

const QString kHeader = QStringLiteral("[\\Software\\Quenlor\\Morvik]");

QByteArray Utf16Le(const QString &text)
{
    QByteArray bytes;
    for (QChar c : text)
        bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return bytes;
}

class PreferenceFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        places.executable = dir.filePath(QStringLiteral("usb/Morvik/morvik"));
        places.configFolder = dir.filePath(QStringLiteral("config"));
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("usb/Morvik"))));
    }
    QString Portable() const { return PreferencesFile(kPreferencesKeyPath, TStorageMode::kIniFile, places); }
    QString User() const { return PreferencesFile(kPreferencesKeyPath, TStorageMode::kRegistry, places); }

    QTemporaryDir dir;
    TPreferencesPlaces places;
};

TEST_F(PreferenceFiles, FilesOfEachMode)
{
    EXPECT_EQ(Portable(), dir.filePath(QStringLiteral("usb/Morvik/Morvik.ini")));
    EXPECT_EQ(User(), dir.filePath(QStringLiteral("config/Quenlor/Morvik.ini")));
    EXPECT_EQ(PreferencesFile(kPreferencesKeyPath, TStorageMode::kNone, places), QString());
    EXPECT_EQ(PreferencesSectionHeader(kPreferencesKeyPath), kHeader);
}

TEST_F(PreferenceFiles, WrittenAsUtf16LittleEndianWithCrLf)
{
    {
        TWritePreferences writer(kPreferencesKeyPath, TStorageMode::kRegistry, places);
        writer.WriteString(QStringLiteral("Sort index"), QStringLiteral("dat\u00e9\u20ac"));
        writer.WriteInteger(QStringLiteral("Volume"), 7);
    }  // the destructor saves, creating the company folder
    const QByteArray expected = QByteArray("\xFF\xFE", 2) +
                                Utf16Le(kHeader + QStringLiteral("\r\nSort index=dat\u00e9\u20ac\r\nVolume=7\r\n"));
    EXPECT_EQ(ReadWholeFile(User()), expected);

    const TReadPreferences reader(kPreferencesKeyPath, TStorageMode::kRegistry, places);
    EXPECT_EQ(reader.ReadString(QStringLiteral("Sort index"), QString()), QStringLiteral("dat\u00e9\u20ac"));
    EXPECT_EQ(reader.ReadInteger(QStringLiteral("Volume"), 0), 7);
}

TEST_F(PreferenceFiles, ReadsUtf8AndWindows1252Files)
{
    const QByteArray body = "[\\Software\\Quenlor\\Morvik]\r\nDecalage avanc\xC3\xA9=1\nSort index=\xE2\x82\xAC";
    const struct {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        {"UTF-8 with its mark", QByteArray("\xEF\xBB\xBF") + body},
        {"UTF-8 without mark", body},
        {"Windows-1252", "[\\Software\\Quenlor\\Morvik]\r\nDecalage avanc\xE9=1\r\nSort index=\x80\r\n"},
        {"UTF-16BE", [] {
             QByteArray be("\xFE\xFF", 2);
             for (QChar c : QStringLiteral("[\\Software\\Quenlor\\Morvik]\r\nDecalage avanc\u00e9=1\r\nSort index=\u20ac"))
                 be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
             return be;
         }()},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(WriteWholeFile(Portable(), c.bytes));
        const TReadPreferences reader(kPreferencesKeyPath, TStorageMode::kIniFile, places);
        EXPECT_TRUE(reader.ReadBool(QStringLiteral("Decalage avanc\u00e9"), false)) << c.what;
        EXPECT_EQ(reader.ReadString(QStringLiteral("Sort index"), QString()), QStringLiteral("\u20ac")) << c.what;
    }
}

TEST_F(PreferenceFiles, RewriteKeepsForeignLinesByteExact)
{
    const QString foreign = QStringLiteral("; a comment\r\n  [Other]  \r\nSort index = kept \r\nline without assignment\r\n");
    const QString ours = kHeader + QStringLiteral("\r\nVolume=1\r\n");
    const QString after = QStringLiteral("[Tail]\r\nVolume=2\r\n");
    const QByteArray original = QByteArray("\xFF\xFE", 2) + Utf16Le(foreign + ours + after);
    ASSERT_TRUE(WriteWholeFile(Portable(), original));

    TWritePreferences writer(kPreferencesKeyPath, TStorageMode::kIniFile, places);
    writer.WriteInteger(QStringLiteral("Volume"), 9);
    writer.WriteBool(QStringLiteral("is Mute on"), true);
    ASSERT_TRUE(writer.Save());
    EXPECT_EQ(ReadWholeFile(Portable()),
              QByteArray("\xFF\xFE", 2) +
                  Utf16Le(foreign + kHeader + QStringLiteral("\r\nVolume=9\r\nis Mute on=1\r\n") + after));
}

TEST_F(PreferenceFiles, ModeNoneKeepsNothing)
{
    TWritePreferences writer(kPreferencesKeyPath, TStorageMode::kNone, places);
    writer.WriteInteger(QStringLiteral("Volume"), 9);
    EXPECT_TRUE(writer.Save());
    EXPECT_FALSE(QFileInfo::exists(Portable()));
    EXPECT_FALSE(QFileInfo::exists(places.configFolder));
    EXPECT_EQ(TReadPreferences(kPreferencesKeyPath, TStorageMode::kNone, places).ReadInteger(QStringLiteral("Volume"), 3),
              3);
}

TEST_F(PreferenceFiles, FailedSaveIsReportedAndLeavesNoFile)
{
    // The configuration "folder" is a file: nothing can be created below it.
    ASSERT_TRUE(WriteWholeFile(places.configFolder, "x"));
    TWritePreferences writer(kPreferencesKeyPath, TStorageMode::kRegistry, places);
    writer.WriteInteger(QStringLiteral("Volume"), 9);
    EXPECT_FALSE(writer.Save());
    EXPECT_EQ(ReadWholeFile(places.configFolder), QByteArray("x"));
}

TEST_F(PreferenceFiles, AFileThatCannotBeReadIsNotOverwritten)
{
    // Too large to be read as text (sparse, so it takes no room): its sections would be lost.
    QFile file(Portable());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(kMaxTextFileBytes + 1));
    file.close();

    TWritePreferences writer(kPreferencesKeyPath, TStorageMode::kIniFile, places);
    writer.WriteInteger(QStringLiteral("Volume"), 9);
    EXPECT_FALSE(writer.Save());
    EXPECT_EQ(QFileInfo(Portable()).size(), kMaxTextFileBytes + 1);
    EXPECT_EQ(TReadPreferences(kPreferencesKeyPath, TStorageMode::kIniFile, places)
                  .ReadInteger(QStringLiteral("Volume"), 3),
              3);
}

TEST_F(PreferenceFiles, DeletingTheUserStoreRemovesTheEmptyCompanyFolder)
{
    TWritePreferences(kPreferencesKeyPath, TStorageMode::kRegistry, places).WriteInteger(QStringLiteral("View"), 1);
    ASSERT_TRUE(QFileInfo::exists(User()));
    EXPECT_TRUE(DeletePreferencesFile(kPreferencesKeyPath, TStorageMode::kRegistry, places));
    EXPECT_FALSE(QFileInfo::exists(User()));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(User()).absolutePath()));
    EXPECT_TRUE(QFileInfo(places.configFolder).isDir());
    EXPECT_FALSE(DeletePreferencesFile(kPreferencesKeyPath, TStorageMode::kRegistry, places));

    // Another program's file keeps the company folder.
    TWritePreferences(kPreferencesKeyPath, TStorageMode::kRegistry, places).WriteInteger(QStringLiteral("View"), 1);
    const QString other = QFileInfo(User()).absolutePath() + QStringLiteral("/Pelnix.ini");
    ASSERT_TRUE(WriteWholeFile(other, "x"));
    EXPECT_TRUE(DeletePreferencesFile(kPreferencesKeyPath, TStorageMode::kRegistry, places));
    EXPECT_TRUE(QFileInfo::exists(other));
}

}  // namespace
