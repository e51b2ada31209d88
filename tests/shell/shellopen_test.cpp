#include "shell/shellopen.h"

#include "scopedenv.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Stands in for the desktop's handlers: QDesktopServices hands every URL of the caught
// schemes to open(), so no real program is launched by the tests.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(const QStringList &schemes) : schemes_(schemes)
    {
        for (const QString &scheme : schemes_)
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~UrlCatcher() override
    {
        for (const QString &scheme : schemes_)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }

private:
    QStringList schemes_;
};

// The file manager's D-Bus interface, recording what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList uris;
    QString startupId;

public Q_SLOTS:
    void ShowItems(const QStringList &items, const QString &id)
    {
        uris = items;
        startupId = id;
    }
};

// Runs the event loop until the condition holds or a generous bound passes.
bool ProcessEventsUntil(const std::function<bool()> &condition)
{
    const QDeadlineTimer bound(10000);
    while (!condition() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

// A private message bus for one test, so the user's desktop is never reached.
class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                       QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
            address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~PrivateBus()
    {
        for (const QString &name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished();
    }
    QString Address() const { return address_; }
    QDBusConnection Connect(const QString &name)
    {
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

}  // namespace

TEST(ShowInFileManager, AsksFileManager1ToShowTheFile)
{
    PrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
    QDBusConnection service = bus.Connect(QStringLiteral("file-manager"));
    QDBusConnection client = bus.Connect(QStringLiteral("morvik"));
    ASSERT_TRUE(service.isConnected() && client.isConnected());

    // The file manager answers on a thread of its own while this one waits for the reply.
    QThread serviceThread;
    FakeFileManager fileManager;
    fileManager.moveToThread(&serviceThread);
    serviceThread.start();
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    EXPECT_TRUE(ShowInFileManager(client, QStringLiteral("/videos/holiday 2004/été.avi")));
    service.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    QThread *testThread = QThread::currentThread();
    QMetaObject::invokeMethod(&fileManager, [&] { fileManager.moveToThread(testThread); },
                              Qt::BlockingQueuedConnection);
    serviceThread.quit();
    serviceThread.wait();
    EXPECT_EQ(fileManager.uris, QStringList{QStringLiteral("file:///videos/holiday%202004/%C3%A9t%C3%A9.avi")});
    EXPECT_EQ(fileManager.startupId, QString());
}

TEST(ShowInFileManager, NoFileManagerOnTheBus)
{
    PrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
    EXPECT_FALSE(ShowInFileManager(bus.Connect(QStringLiteral("alone")), QStringLiteral("/videos/a.avi")));
    EXPECT_FALSE(ShowInFileManager(QDBusConnection(QStringLiteral("never-connected")), QStringLiteral("/videos/a.avi")));
}

// Without a session bus the file's folder goes to the desktop's default handler, also
// when a worker thread asks. A bus address that leads nowhere is used rather than none:
// with none, libdbus may find the desktop's bus through X11.
TEST(ShowInExplorer, WithoutABusOpensTheFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedEnv address("DBUS_SESSION_BUS_ADDRESS",
                            QByteArray("unix:path=") + dir.filePath(QStringLiteral("no-bus")).toUtf8());
    const UrlCatcher catcher({QStringLiteral("file")});

    ShowInExplorer(dir.filePath(QStringLiteral("clip.avi")));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.first(), QUrl::fromLocalFile(dir.path()));

    QThread *worker = QThread::create([&dir] { ShowInExplorer(dir.filePath(QStringLiteral("sub/clip.avi"))); });
    worker->start();
    EXPECT_TRUE(ProcessEventsUntil([&] { return catcher.urls.size() == 2; }));
    worker->wait();
    delete worker;
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls.last(), QUrl::fromLocalFile(dir.filePath(QStringLiteral("sub"))));
}

TEST(OpenDocument, PathsBecomeFileUrlsAndAddressesStay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString colonName = dir.filePath(QStringLiteral("clip:1.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(colonName, "RIFF"));
    const QString savedCurrent = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const UrlCatcher catcher({QStringLiteral("file"), QStringLiteral("https"), QStringLiteral("mailto"),
                              QStringLiteral("clip")});
    OpenDocument(QStringLiteral("clip:1.avi"));
    OpenDocument(QStringLiteral("/videos/holiday 2004.avi"));
    OpenDocument(QStringLiteral("playlist.txt"));
    OpenDocument(QStringLiteral("https://example.org/morvik?page=1"));
    OpenDocument(QStringLiteral("mailto:someone@example.org"));
    OpenDocument(QString());
    QDir::setCurrent(savedCurrent);
    const QList<QUrl> expected{QUrl::fromLocalFile(colonName),
                               QUrl::fromLocalFile(QStringLiteral("/videos/holiday 2004.avi")),
                               QUrl::fromLocalFile(dir.filePath(QStringLiteral("playlist.txt"))),
                               QUrl(QStringLiteral("https://example.org/morvik?page=1")),
                               QUrl(QStringLiteral("mailto:someone@example.org"))};
    EXPECT_EQ(catcher.urls, expected);
}

TEST(StartProgram, ArgumentsAreNeverReadByAShell)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString odd = dir.filePath(QStringLiteral("a; touch b"));
    ASSERT_TRUE(StartProgram(QStringLiteral("touch"), {odd}));
    EXPECT_TRUE(ProcessEventsUntil([&] { return QFileInfo::exists(odd); }));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("b"))));
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath(QStringLiteral("b"))));

    EXPECT_FALSE(StartProgram(dir.filePath(QStringLiteral("no-such-program")), {}));
    EXPECT_FALSE(StartProgram(QString(), {}));
}

#include "shellopen_test.moc"
