// The command table over the real file list, on DV files that morvik-mkdv makes in
// a temporary folder, with scripted answers and a context that records what the
// handlers asked of the program. The trash goes to a temporary data home. Used on
// the test's main thread, which owns the list and the engine.
#pragma once

#include "commands/commandtable.h"
#include "commands/listboxfiles.h"
#include "enginetestsupport.h"
#include "files/avifichier.h"
#include "files/fichierlistbox.h"
#include "media/cdm.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <string>
#include <memory>

// The second line of a custom or fast command's question when several files run.
inline const QString kSeveralFilesLine = QStringLiteral(
    "\r\nSi vous répondez \"Oui à Tous\" ou \"Non à Tous\", alors plus aucune confirmation ne sera demandée.");

// Joined with spaces, for messages that show which names differ.
inline std::string Names(const QStringList &names)
{
    return names.join(u' ').toStdString();
}

struct DvOptions {
    int type = 2;
    bool iavs = false;  // type 2 with its DV in an 'iavs' stream
    bool ntsc = false;
    QString audio = QStringLiteral("48k16");
    QStringList plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,20")};
};

// What a file of the folder is, to see which files a command touched.
struct FileState {
    QByteArray content;
    qint64 modifiedMs = 0;
    int permissions = 0;
    bool operator==(const FileState &) const = default;
};

class TableFixture {
public:
    TableFixture();
    ~TableFixture();
    TableFixture(const TableFixture &) = delete;
    TableFixture &operator=(const TableFixture &) = delete;

    QString Path(const QString &name) const { return dir.filePath(name); }
    // A DV AVI file in the folder; empty, with a test failure, when it could not be made.
    QString MakeDv(const QString &name, const DvOptions &options = {});
    // Puts the folder's files of these names in the list and waits for the scan.
    void Open(const QStringList &names);
    TaviFichier *Item(const QString &name) const;
    QStringList ListNames() const;
    void Select(const QStringList &names);
    void Focus(const QString &name);

    // The table, made with the context as it stands at the first call.
    TdmAction &Table();
    tCustomCmd &Command(const QString &name);
    // Runs the command and waits for its end.
    TCommandEngine::RunResult Run(const QString &name, const QStringList &params = {});

    // Every file under the folder, by path relative to it.
    std::map<QString, FileState> Snapshot() const;
    // The names whose state differs between the snapshots, with those that came or went.
    static QStringList Changed(const std::map<QString, FileState> &before, const std::map<QString, FileState> &after);

    QString TrashFiles() const { return dataHome.filePath(QStringLiteral("Trash/files")); }
    QString TrashInfo() const { return dataHome.filePath(QStringLiteral("Trash/info")); }

    QTemporaryDir dir;
    QTemporaryDir dataHome;
    TCustomFichierListBox list;
    TListBoxFiles files{list};
    ScriptedUser user;
    TCommandEngine engine;
    TCdm cdm;
    TPreferences preferences;
    TActionContext context;

    // What the context was asked.
    double pendingTimeDifference = 0;
    QStringList released;
    QStringList riffReports;

private:
    QByteArray savedDataHome_;
    bool hadDataHome_ = false;
    std::unique_ptr<TdmAction> table_;
};
