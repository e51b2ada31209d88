#include "shell/shellopen.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QUrl>

namespace {

constexpr int kFileManagerTimeoutMs = 5000;

// QDesktopServices belongs to the GUI thread; calls from a worker are queued there.
void OpenUrl(const QUrl &url)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    if (QThread::currentThread() == app->thread()) {
        QDesktopServices::openUrl(url);
        return;
    }
    QMetaObject::invokeMethod(app, [url] { QDesktopServices::openUrl(url); }, Qt::QueuedConnection);
}

QUrl LocalUrl(const QString &path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
}

}  // namespace

bool ShowInFileManager(const QDBusConnection &bus, const QString &path)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    const QStringList uris{QString::fromUtf8(LocalUrl(path).toEncoded())};
    call << uris << QString();  // no startup notification id
    return bus.call(call, QDBus::Block, kFileManagerTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

void ShowInExplorer(const QString &path)
{
    if (!ShowInFileManager(QDBusConnection::sessionBus(), path))
        OpenUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void OpenDocument(const QString &pathOrAddress)
{
    if (pathOrAddress.isEmpty())
        return;
    // An existing file wins over a reading as an address ("clip:1.avi" is a file name here).
    const QUrl address(pathOrAddress, QUrl::StrictMode);
    const bool isAddress = !pathOrAddress.startsWith(u'/') && !QFileInfo::exists(pathOrAddress) && address.isValid()
                        && !address.scheme().isEmpty();
    OpenUrl(isAddress ? address : LocalUrl(pathOrAddress));
}

bool StartProgram(const QString &program, const QStringList &arguments)
{
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}
