#include "shell/userfolders.h"

#include "scopedenv.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A home with an XDG configuration naming Docs and Films as the user's folders.
class UserFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        home_ = dir_.filePath(QStringLiteral("home"));
        ASSERT_TRUE(QDir().mkpath(home_ + QStringLiteral("/.config")));
        ASSERT_TRUE(testsupport::WriteWholeFile(home_ + QStringLiteral("/.config/user-dirs.dirs"),
                                                "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_VIDEOS_DIR=\"$HOME/Films\"\n"));
    }

    QString Folder(const char *name) const { return home_ + u'/' + QString::fromLatin1(name); }
    bool Make(const char *name) const { return QDir().mkpath(Folder(name)); }

    QTemporaryDir dir_;
    QString home_;
};

}  // namespace

TEST_F(UserFolders, FallBackWhenTheXdgFolderIsMissing)
{
    const ScopedEnv home("HOME", home_.toUtf8());
    const ScopedEnv config("XDG_CONFIG_HOME", (home_ + QStringLiteral("/.config")).toUtf8());

    EXPECT_EQ(GetDocumentsFolder(), home_);
    EXPECT_EQ(GetVideoFolder(), home_);

    ASSERT_TRUE(Make("Docs"));
    EXPECT_EQ(GetDocumentsFolder(), Folder("Docs"));
    EXPECT_EQ(GetVideoFolder(), Folder("Docs"));

    ASSERT_TRUE(Make("Films"));
    EXPECT_EQ(GetVideoFolder(), Folder("Films"));
    EXPECT_FALSE(GetVideoFolder().endsWith(u'/'));
}
