// One scan of the file list on a thread of its own: files, a folder tree, a
// playlist, every fixed drive, the names pasted or dropped. It walks the folders
// and builds the items on its thread; every change to the list and every event
// but the extension test and the item-class question runs on the list's thread
// through a blocking call, during which the scan waits. Symbolic links are never
// followed, so a scan cannot loop.
//
// The list creates, starts and owns the thread, which ends by itself after
// OnOpenEnd; Cancel may be called from any thread.
#pragma once

#include "files/itemclass.h"

#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

class TCustomFichierListBox;

enum class TOpenKind : int {
    Files = 0,      // each path, not recursive
    Folder = 1,     // the folder's tree
    Playlist = 2,   // each line of the playlist, not recursive
    AllDrives = 3,  // the tree of every fixed drive
    Paste = 4,      // each pasted name, folders recursively
    Drop = 5,       // each dropped name, folders recursively, ".txt" files as playlists
};

class TThreadOpen : public QThread {
public:
    // Longer names are not scanned from a paste or a drop.
    static constexpr qsizetype kMaxDroppedName = 65530;
    // Folders deeper than this below the scanned one are not entered: each level
    // holds an open directory.
    static constexpr int kMaxFolderDepth = 128;

    // Copies the paths and the list's class and scanning-thread events; the list's
    // thread only.
    TThreadOpen(TCustomFichierListBox &owner, TOpenKind kind, const QStringList &paths);

    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    TOpenKind Kind() const { return kind_; }

protected:
    void run() override;

private:
    void Work();
    // Files accepted among the entries matching the pattern (a path whose name
    // may hold "*" and "?"), in its folder and, when recursive, below it.
    int ScanPattern(const QString &pattern, bool recursive);
    // Scans each line of the playlist; relative lines are read from its folder.
    int ReadPlaylist(const QString &file);
    TFichierRef CreateItem(const QString &folder, const TSearchRec &rec);
    void Synchronize(const std::function<void()> &call);

    TCustomFichierListBox &owner_;
    const TOpenKind kind_;
    QStringList paths_;
    std::atomic<bool> cancelled_ = false;
    int total_ = 0;
    TlfCLass itemClass_;
    std::function<bool(const QString &)> testExtension_;
    std::function<TlfCLass(const QString &)> createFichier_;
    // While every fixed drive is scanned, each drive's tree stays on its own file system.
    std::optional<uint64_t> device_;
    int depth_ = 0;
};
