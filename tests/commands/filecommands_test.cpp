// The table's commands on whole files and on the list: the trash, the companion
// files, the programs started with a file, the time difference and the list
// commands, run through the engine over the real file list.
#include "commands/destinations.h"
#include "base/formatsettings.h"
#include "scenes/scnfile.h"
#include "tablefixture.h"

#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Stands in for the desktop's handler of file addresses, so no program is launched.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

bool ProcessEventsUntil(const std::function<bool()> &condition)
{
    const QDeadlineTimer bound(10000);
    while (!condition() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

// A program that appends its arguments, one a line, to a file.
QString ArgumentRecorder(const TableFixture &f, const QString &log)
{
    const QString script = f.dataHome.filePath(QStringLiteral("record.sh"));
    EXPECT_TRUE(testsupport::WriteWholeFile(
        script, QByteArray("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '") + log.toUtf8() + "'\n"));
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return script;
}

QStringList LinesOf(const QString &path)
{
    return QString::fromUtf8(testsupport::ReadWholeFile(path)).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

TEST(FileCommands, DeleteTheFilesSendsEachAnsweredFileToTheTrash)
{
    TableFixture f;
    for (const char *name : {"a.avi", "b.avi", "c.avi"})
        ASSERT_FALSE(f.MakeDv(QString::fromLatin1(name)).isEmpty());
    f.Open({"a.avi", "b.avi", "c.avi"});
    f.Select({"a.avi", "b.avi"});
    f.user.answers = {kAnswerYes, kAnswerNo};
    const auto before = f.Snapshot();
    ASSERT_EQ(f.Run(QStringLiteral("SupprimerFichier")), TCommandEngine::RunResult::Started);

    EXPECT_EQ(f.user.questions, QStringList({DeleteFileQuestion("a.avi") + kSeveralFilesLine,
                                             DeleteFileQuestion("b.avi") + kSeveralFilesLine}));
    EXPECT_EQ(Names(TableFixture::Changed(before, f.Snapshot())), "a.avi");
    EXPECT_EQ(testsupport::ReadWholeFile(f.TrashFiles() + "/a.avi"), before.at("a.avi").content);
    const QString info = QString::fromUtf8(testsupport::ReadWholeFile(f.TrashInfo() + "/a.avi.trashinfo"));
    EXPECT_TRUE(info.startsWith(QStringLiteral("[Trash Info]\n"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("\nPath=") +
                              QString::fromUtf8(QUrl::toPercentEncoding(f.Path("a.avi"), "/")) + u'\n'))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("\nDeletionDate="))) << info.toStdString();
    EXPECT_EQ(Names(f.ListNames()), "b.avi c.avi");
}

TEST(FileCommands, AFileTheTrashRefusesStaysInTheList)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi")).isEmpty());
    f.Open({"a.avi"});
    f.Select({"a.avi"});
    // A data home that is a file: no trash can be made there.
    const QString notAFolder = f.dataHome.filePath(QStringLiteral("file"));
    ASSERT_TRUE(testsupport::WriteWholeFile(notAFolder, "x"));
    qputenv("XDG_DATA_HOME", notAFolder.toUtf8());
    f.Run(QStringLiteral("SupprimerFichier"));
    EXPECT_TRUE(QFileInfo::exists(f.Path("a.avi")));
    EXPECT_EQ(Names(f.ListNames()), "a.avi");
    EXPECT_TRUE(f.user.errors.isEmpty()) << "the custom commands drop their failures";
}

TEST(FileCommands, DeletingACompanionTrashesItAloneAndReloadsTheVideo)
{
    struct Case {
        const char *command;
        const char *companion;
        const char *kept;
        bool TaviFichier::*flag;
        const char *status;
    };
    const Case cases[] = {
        {"SupprimerScn", "clip.scn", "clip.srt", &TaviFichier::hasScn, "Deleting the scn file of clip.avi"},
        {"SupprimerSrt", "clip.srt", "clip.scn", &TaviFichier::hasSrt, "Deleting the srt file of clip.avi"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        TableFixture f;
        ASSERT_FALSE(f.MakeDv(QStringLiteral("clip.avi")).isEmpty());
        ASSERT_FALSE(f.MakeDv(QStringLiteral("other.avi")).isEmpty());
        {
            TwriteScene scenes(f.Path("clip.avi"));
            scenes.WriteScene(TSceneClass(0, 20));
        }
        ASSERT_TRUE(testsupport::WriteWholeFile(f.Path("clip.srt"), "1\r\n00:00:00,000 --> 00:00:00,800\r\nx\r\n"));
        f.Open({"clip.avi", "other.avi"});
        ASSERT_TRUE(f.Item("clip.avi")->*c.flag);
        f.Select({"clip.avi", "other.avi"});
        const auto before = f.Snapshot();
        f.Run(QString::fromLatin1(c.command));

        EXPECT_EQ(f.user.questions, QStringList(DeleteFileQuestion(c.companion) + kSeveralFilesLine))
            << "other.avi has no companion and is not asked about";
        EXPECT_EQ(Names(TableFixture::Changed(before, f.Snapshot())), c.companion);
        EXPECT_TRUE(QFileInfo::exists(f.TrashFiles() + QStringLiteral("/") + QString::fromLatin1(c.companion)));
        EXPECT_TRUE(QFileInfo::exists(f.Path(c.kept)));
        ASSERT_NE(f.Item("clip.avi"), nullptr);
        EXPECT_FALSE(f.Item("clip.avi")->*c.flag) << "the item was read again";
        EXPECT_EQ(f.user.statuses, QStringList(QString::fromLatin1(c.status)));
        EXPECT_TRUE(f.user.errors.isEmpty());
    }
}

TEST(FileCommands, ACompanionTheTrashRefusesIsReported)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("clip.avi")).isEmpty());
    ASSERT_TRUE(testsupport::WriteWholeFile(f.Path("clip.srt"), "1\r\n"));
    f.Open({"clip.avi"});
    f.Select({"clip.avi"});
    ASSERT_TRUE(QFile::remove(f.Path("clip.srt")));  // gone since the list read it
    f.Run(QStringLiteral("SupprimerSrt"));
    ASSERT_EQ(f.user.errors.size(), 1);
    EXPECT_TRUE(f.user.errors.first().startsWith(
        QStringLiteral("An error occured while deleting the srt file of ") + f.Path("clip.avi")));
}

TEST(FileCommands, ProgramsReceiveThePathAsOneArgument)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi")).isEmpty());
    ASSERT_FALSE(f.MakeDv(QStringLiteral("b c.avi")).isEmpty());
    f.Open({"a.avi", "b c.avi"});
    struct Case {
        const char *command;
        std::function<void(TPreferences &, const QString &program)> set;
        QStringList expected;
    };
    const QString a = f.Path("a.avi");
    const QString bc = f.Path("b c.avi");
    const Case cases[] = {
        {"OpenFichierF3", [](TPreferences &p, const QString &program) { p.fichierF3 = program; }, {a, bc}},
        {"OpenFichierF4", [](TPreferences &p, const QString &program) { p.fichierF4 = program; }, {a, bc}},
        {"Pelnix",
         [](TPreferences &p, const QString &program) {
             p.pelnixFile = program;
             p.loadPelnix = true;
         },
         {"+F=" + a, "+F=" + bc}},
        {"Pelnix",
         [](TPreferences &p, const QString &program) {
             p.pelnixFile = program;
             p.loadPelnix = false;
         },
         {a, bc}},
    };
    int run = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        const QString log = f.dataHome.filePath(QStringLiteral("run%1.log").arg(++run));
        f.preferences = TPreferences();
        c.set(f.preferences, ArgumentRecorder(f, log));
        f.Select({"a.avi", "b c.avi"});
        const auto before = f.Snapshot();
        f.Run(QString::fromLatin1(c.command));
        EXPECT_TRUE(ProcessEventsUntil([&] { return LinesOf(log).size() >= 2; }));
        QStringList lines = LinesOf(log);
        lines.sort();
        EXPECT_EQ(lines, c.expected);
        EXPECT_TRUE(f.user.questions.isEmpty());
        EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty());
    }
}

// The file manager is looked for on a bus that leads nowhere, so the folder goes to
// the desktop's handler of file addresses.
TEST(FileCommands, ParentFolderAndDefaultPlayerHandTheFileToTheDesktop)
{
    TableFixture f;
    const bool hadBus = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray savedBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + f.dataHome.filePath("no-bus").toUtf8());
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi")).isEmpty());
    ASSERT_FALSE(f.MakeDv(QStringLiteral("b.avi")).isEmpty());
    f.Open({"a.avi", "b.avi"});
    f.Focus(QStringLiteral("b.avi"));
    const UrlCatcher catcher;
    f.Run(QStringLiteral("DefaultPlayer"));
    f.Run(QStringLiteral("DossierParent"));
    EXPECT_TRUE(ProcessEventsUntil([&] { return catcher.urls.size() >= 2; }));
    EXPECT_EQ(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(f.Path("b.avi")), QUrl::fromLocalFile(f.dir.path())}));
    if (hadBus)
        qputenv("DBUS_SESSION_BUS_ADDRESS", savedBus);
    else
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

TEST(FileCommands, AddATimeDifferenceSetsItOnEachSelectedItemOnly)
{
    TableFixture f;
    for (const char *name : {"a.avi", "b.avi", "c.avi"})
        ASSERT_FALSE(f.MakeDv(QString::fromLatin1(name)).isEmpty());
    f.Open({"a.avi", "b.avi", "c.avi"});
    f.Select({"a.avi", "c.avi"});
    const QString half = QStringLiteral("0") + CurrentFormatSettings().decimalSeparator + QStringLiteral("5");
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("DecalageHoraire"), {half});
    EXPECT_DOUBLE_EQ(f.Item("a.avi")->displayTimeDifference, 0.5);
    EXPECT_DOUBLE_EQ(f.Item("b.avi")->displayTimeDifference, 0);
    EXPECT_DOUBLE_EQ(f.Item("c.avi")->displayTimeDifference, 0.5);
    EXPECT_TRUE(f.user.questions.isEmpty());
    EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty()) << "no file is touched";

    f.Select({"b.avi"});
    f.Run(QStringLiteral("DecalageHoraire"), {QStringLiteral("twelve hours")});
    EXPECT_DOUBLE_EQ(f.Item("b.avi")->displayTimeDifference, 0) << "no number reads as 0";
}

TEST(FileCommands, ListCommandsGoThroughTheContext)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi")).isEmpty());
    ASSERT_FALSE(f.MakeDv(QStringLiteral("b.avi")).isEmpty());
    f.Open({"a.avi", "b.avi"});
    f.Focus(QStringLiteral("b.avi"));
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("RiffHeader"));
    EXPECT_EQ(f.riffReports, QStringList(f.Path("b.avi")));
    EXPECT_EQ(f.Run(QStringLiteral("tCmd2")), TCommandEngine::RunResult::Started);
    EXPECT_EQ(f.list.Count(), 2);
    f.Run(QStringLiteral("ViderListe"));
    EXPECT_EQ(f.list.Count(), 0);
    EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty());

    // Without a program around them they do nothing.
    TableFixture bare;
    bare.context = TActionContext();
    ASSERT_FALSE(bare.MakeDv(QStringLiteral("a.avi")).isEmpty());
    bare.Open({"a.avi"});
    bare.Focus(QStringLiteral("a.avi"));
    bare.Run(QStringLiteral("RiffHeader"));
    bare.Run(QStringLiteral("ViderListe"));
    EXPECT_EQ(bare.list.Count(), 1);
}

#include "filecommands_test.moc"
