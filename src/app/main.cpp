// The program's entry point. Until the main window exists every form is headless:
//   morvik --info [--json] FILE...         what the file list reads from each video
//   morvik --batch [--yes | --no] ARG...   the command line of the window, without it
//   morvik ARG...                          the same batch run, then the list it made
//   morvik --help                          usage and the table of actions
#include "actions/batchrunner.h"
#include "actions/shortcuttable.h"
#include "files/avifichier.h"
#include "files/detailedlist.h"
#include "files/iteminfo.h"
#include "files/itemsettings.h"
#include "prefs/savepreferences.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

void OnInterrupt(int)
{
    interruptRequested = 1;
}

const char kUsage[] =
    "usage: morvik --info [--json] FILE.avi...\n"
    "       morvik --batch [--yes | --no] ARG...\n"
    "       morvik ARG...\n"
    "       morvik --help\n"
    "\n"
    "ARG is what the window's command line takes: a bare file, folder or playlist to open,\n"
    "or a switch with its prefix: /switch (run, or switch over), +switch (on), -switch (off),\n"
    "with a value after \"=\" (/l=/videos opens that folder). Questions are answered No to\n"
    "all unless --yes is given. Exit status: 0 done, 1 an error was reported or a file could\n"
    "not be read, 2 unusable command line, 130 interrupted.\n";

void PrintHelp(QTextStream &out)
{
    out << kUsage << "\nActions:\n";
    TActionParams params;
    const TActionList actions(params);
    out << QStringLiteral("%1 %2 %3 %4\n").arg(kShortcutHeaders[0], -44).arg(kShortcutHeaders[1], -18)
               .arg(kShortcutHeaders[2], -10).arg(kShortcutHeaders[3]);
    for (const TShortcutRow &row : BuildShortcutRows(actions, 0))
        out << QStringLiteral("%1 %2 %3 %4\n").arg(row.Caption, -44).arg(row.Keys, -18).arg(row.Switch, -10)
                   .arg(row.Token);
}

int PrintInfo(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const bool json = !args.isEmpty() && args.first() == QStringLiteral("--json");
    const QStringList files = json ? args.mid(1) : args;
    if (files.isEmpty()) {
        err << kUsage;
        return TBatchRunner::kUsage;
    }
    SetDatecodeDisplayFormat(LoadPreferences().settings.formatAfficherDatecode);
    bool allRead = true;
    for (const QString &file : files) {
        const TaviFichier item(file);
        if (IsUnreadable(item)) {
            err << file << ": not a readable AVI file\n";
            allRead = false;
            continue;
        }
        if (json)
            out << QJsonDocument(ItemInfoJson(item)).toJson(QJsonDocument::Compact) << '\n';
        else
            out << DetailedListLine(item) << '\n';
        out.flush();
    }
    return allRead ? TBatchRunner::kOk : TBatchRunner::kFailed;
}

int RunBatch(QStringList args, bool listAfterwards, QTextStream &out, QTextStream &err)
{
    bool yes = false;
    while (!args.isEmpty() && (args.first() == QStringLiteral("--yes") || args.first() == QStringLiteral("--no"))) {
        yes = args.takeFirst() == QStringLiteral("--yes");
    }
    TBatchRunner runner(yes, stderr, isatty(STDERR_FILENO));
    if (const std::optional<QString> unknown = runner.UnknownArgument(args)) {
        err << "morvik: " << *unknown << " names no action (see morvik --help)\n";
        return TBatchRunner::kUsage;
    }
    std::signal(SIGINT, OnInterrupt);
    QTimer interruptWatch;
    QObject::connect(&interruptWatch, &QTimer::timeout, [&] {
        if (interruptRequested) {
            interruptRequested = 0;
            runner.Interrupt();
        }
    });
    interruptWatch.start(50);
    const int status = runner.Run(args);
    if (listAfterwards && status != TBatchRunner::kInterrupted) {
        TCustomFichierListBox &list = runner.Controller().List();
        for (int i = 0; i < list.Count(); ++i)
            if (const auto *item = dynamic_cast<const TaviFichier *>(list.Item(i).get()))
                out << DetailedListLine(*item) << '\n';
    }
    return status;
}

}  // namespace

int main(int argc, char **argv)
{
    // No window yet: draw the overlay's text without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Servers often have no session folder; give Qt a private one rather than a warning.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime = QDir::tempPath().toLocal8Bit() + "/morvik-runtime-" + QByteArray::number(getuid());
        if (QDir().mkpath(QString::fromLocal8Bit(runtime))) {
            QFile::setPermissions(QString::fromLocal8Bit(runtime),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", runtime);
        }
    }
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Morvik"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        err << kUsage;
        return TBatchRunner::kUsage;
    }
    const QString mode = args.first();
    if (mode == QStringLiteral("--help") || mode == QStringLiteral("-h")) {
        PrintHelp(out);
        return TBatchRunner::kOk;
    }
    if (mode == QStringLiteral("--info"))
        return PrintInfo(args.mid(1), out, err);
    if (mode == QStringLiteral("--batch"))
        return RunBatch(args.mid(1), false, out, err);
    return RunBatch(args, true, out, err);
}
