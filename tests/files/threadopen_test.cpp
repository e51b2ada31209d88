#include "files/fichierlistbox.h"
#include "files/mountpoints.h"
#include "files/srfichier.h"
#include "files/threadopen.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A list of plain file items that accepts ".avi" in any case, as the main window
// does, and records the events in the order they came.
struct ScanningList {
    TCustomFichierListBox list;
    QStringList events;
    QStringList folders;
    bool testedOffTheListThread = true;
    bool addedOnTheListThread = true;

    ScanningList()
    {
        list.SetItemClass(ItemClassOf<TSRFichier>());
        list.OnOpenStart = [this] { events << QStringLiteral("start"); };
        list.OnOpenEnd = [this](int nb) { events << QStringLiteral("end %1").arg(nb); };
        list.OnOpenFolderFound = [this](const QString &folder) { folders << folder; };
        list.OnOpenTestExtension = [this](const QString &name) {
            if (QThread::currentThread() == list.thread())
                testedOffTheListThread = false;
            return name.toLower().endsWith(QLatin1String(".avi"));
        };
        list.OnOpenFileFound = [this](const QString &, const TFichierRef &) {
            if (QThread::currentThread() != list.thread())
                addedOnTheListThread = false;
        };
    }
    QStringList Names()
    {
        list.WaitForScans();
        QStringList names;
        for (int row = 0; row < list.Count(); ++row)
            names << list.Item(row)->name;
        return names;
    }
};

// root/a.avi, root/notes.txt, root/sub/b.avi, root/sub/deep/C.AVI, and below them
// links back up (loops), a link to a file, and a fifo that must not be opened.
class ScanTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = dir.path() + QLatin1Char('/');
        ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("sub/deep")));
        for (const char *name : {"a.avi", "notes.txt", "sub/b.avi", "sub/deep/C.AVI"})
            ASSERT_TRUE(testsupport::WriteWholeFile(root + QString::fromLatin1(name), "x"));
        ASSERT_TRUE(QFile::link(root, root + QStringLiteral("sub/up")));
        ASSERT_TRUE(QFile::link(root + QStringLiteral("sub"), root + QStringLiteral("sub/deep/loop")));
        ASSERT_TRUE(QFile::link(root + QStringLiteral("a.avi"), root + QStringLiteral("sub/link.avi")));
        ASSERT_EQ(mkfifo(QFile::encodeName(root + QStringLiteral("sub/pipe.avi")).constData(), 0644), 0);
    }

    QTemporaryDir dir;
    QString root;
};

TEST_F(ScanTree, AFolderTreeIsScannedOnceWithoutFollowingLinks)
{
    ScanningList s;
    s.list.OpenFolder(dir.path());
    EXPECT_EQ(s.Names(), (QStringList{"a.avi", "b.avi", "C.AVI"}));
    EXPECT_EQ(s.events, (QStringList{"start", "end 3"}));
    QStringList folders = s.folders;
    folders.sort();
    EXPECT_EQ(folders, (QStringList{root, root + "sub/", root + "sub/deep/"}));
    EXPECT_TRUE(s.testedOffTheListThread);
    EXPECT_TRUE(s.addedOnTheListThread);
    EXPECT_FALSE(s.list.Busy());
    EXPECT_EQ(s.list.FocusedRow(), 0);
    EXPECT_EQ(s.list.SelectedCount(), 1);

    // Again: each item replaces the row of its path.
    s.list.SelectionnerOuverts = true;
    const TFichierRef first = s.list.Item(0);
    s.list.OpenFolder(root);
    EXPECT_EQ(s.Names(), (QStringList{"a.avi", "b.avi", "C.AVI"}));
    EXPECT_NE(s.list.Item(0), first);
    EXPECT_EQ(s.list.SelectedCount(), 3);
}

TEST_F(ScanTree, FilesPlaylistLinesAndDropsAreNotRecursiveUnlessFolders)
{
    ScanningList files;
    files.list.OpenFiles({root + "sub", root + "a.avi", root + "*.txt", root + "sub/*.avi", root + "gone.avi"});
    EXPECT_EQ(files.Names(), (QStringList{"a.avi", "b.avi"}));
    EXPECT_TRUE(files.folders.isEmpty());

    const QString upper = root + QStringLiteral("list.TXT");
    ASSERT_TRUE(testsupport::WriteWholeFile(upper, "a.avi\r\n"));
    const QString playlist = root + QStringLiteral("list.txt");
    ASSERT_TRUE(testsupport::WriteWholeFile(playlist, "# comment\r\n\r\n   \r\n  sub\r\n\t" + QFile::encodeName(root)
                                                          + "sub/deep/C.AVI  \r\nsub/b.avi\r\n"));
    ScanningList dropped;
    dropped.list.DropFiles({playlist, upper, root + "sub"});
    EXPECT_EQ(dropped.Names(), (QStringList{"b.avi", "C.AVI"}));
    // The folder dropped after the playlist finds its two files again.
    EXPECT_EQ(dropped.events, (QStringList{"start", "end 4"}));

    ScanningList pasted;
    pasted.list.PasteFiles({root + "sub/deep", QString(), QString(TThreadOpen::kMaxDroppedName + 1, QLatin1Char('a'))});
    EXPECT_EQ(pasted.Names(), QStringList{"C.AVI"});
}

TEST_F(ScanTree, NothingToScanStillStartsAndEnds)
{
    ScanningList s;
    s.list.PasteFiles({});
    s.list.WaitForScans();
    s.list.OpenPlaylist(root + QStringLiteral("missing.txt"));
    s.list.WaitForScans();
    s.list.OpenPreferredFolder();  // none set
    EXPECT_TRUE(s.Names().isEmpty());
    EXPECT_EQ(s.events, (QStringList{"start", "end 0", "start", "end 0", "start", "end 0"}));
    s.list.AbortOpen();
}

TEST_F(ScanTree, AbortStopsTheScanAndItStillEnds)
{
    ScanningList s;
    QStringList paths;
    for (int i = 0; i < 2000; ++i)
        paths << root + QStringLiteral("a.avi");
    s.list.OnOpenFileFound = [&s](const QString &, const TFichierRef &) { s.list.AbortOpen(); };
    s.list.OpenFiles(paths);
    s.list.WaitForScans();
    EXPECT_EQ(s.list.Count(), 1);
    ASSERT_EQ(s.events.size(), 2);
    EXPECT_EQ(s.events.last(), QStringLiteral("end 1"));
}

TEST(FolderScan, FoldersBeyondTheDepthLimitAreNotEntered)
{
    QTemporaryDir dir;
    QString deep = dir.path();
    for (int level = 0; level <= TThreadOpen::kMaxFolderDepth; ++level) {
        deep += QStringLiteral("/d");
        if (level == TThreadOpen::kMaxFolderDepth - 1) {
            ASSERT_TRUE(QDir().mkpath(deep) && testsupport::WriteWholeFile(deep + "/last.avi", "x"));
        }
    }
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(testsupport::WriteWholeFile(deep + "/beyond.avi", "x"));
    ScanningList s;
    s.list.OpenFolder(dir.path());
    EXPECT_EQ(s.Names(), QStringList{"last.avi"});
}

TEST(MountPoints, FixedDisksOnceEachInPathOrder)
{
    const QString mountinfo = QStringLiteral(
        "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
        "23 22 0:21 / /proc rw - proc proc rw\n"
        "24 22 8:3 / /home/my\\040videos rw,relatime shared:2 - ext4 /dev/sda3 rw\n"
        "25 22 8:3 /srv /srv rw - ext4 /dev/sda3 rw\n"
        "26 22 7:0 / /snap/core rw - squashfs /dev/loop0 ro\n"
        "27 22 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
        "28 22 0:50 / /net rw - nfs4 server:/export rw\n"
        "29 22 0:30 / /data rw shared:5 master:1 - btrfs /dev/nvme0n1p1 rw\n"
        "garbage line\n");
    const std::vector<TMountEntry> mounts = ParseMountInfo(mountinfo);
    ASSERT_EQ(mounts.size(), 8u);
    EXPECT_EQ(mounts[2].mountPoint, QStringLiteral("/home/my videos"));
    EXPECT_EQ(mounts[7].fsType, QStringLiteral("btrfs"));
    EXPECT_EQ(mounts[7].source, QStringLiteral("/dev/nvme0n1p1"));

    const auto probe = [](const QString &source) -> std::optional<uint64_t> {
        const QStringList fixed = {"/dev/sda2", "/dev/sda3", "/dev/nvme0n1p1"};
        const qsizetype at = fixed.indexOf(source);
        return at < 0 ? std::nullopt : std::optional<uint64_t>(static_cast<uint64_t>(at));
    };
    EXPECT_EQ(FixedDriveRoots(mounts, probe), (QStringList{"/", "/data", "/home/my videos"}));
}

}  // namespace
