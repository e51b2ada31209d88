// The file list as a model: rows of (file name, item) kept in the order of the
// current sort index, their sort keys, the selection, the focused row and the
// active item, the cached counts and the hint, and the scans that fill it.
//
// The list owns its rows; an item leaves the list when its row is removed and
// lives on while a holder of its TFichierRef still uses it. Every operation and
// every event runs on the thread that owns the list (the user-interface thread);
// the scans build items on their own threads and hand them over through blocking
// calls into this thread, which must therefore keep processing events while a
// scan runs. OnOpenTestExtension and OnCreateFichier are the exceptions: they run
// on the scanning thread, and must not touch the list or the user interface.
#pragma once

#include "files/itemclass.h"
#include "files/keyorder.h"
#include "files/sortindex.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TThreadOpen;
enum class TOpenKind : int;

class TCustomFichierListBox : public QObject {
public:
    explicit TCustomFichierListBox(QObject *parent = nullptr);
    // Stops the running scans and waits for them, processing events meanwhile.
    ~TCustomFichierListBox() override;

    // Rows.
    int Count() const { return static_cast<int>(rows_.size()); }
    const TFichierRef &Item(int row) const { return rows_[static_cast<size_t>(row)].item; }
    const QString &Text(int row) const { return rows_[static_cast<size_t>(row)].text; }
    bool Selected(int row) const { return rows_[static_cast<size_t>(row)].selected; }
    // The sort key of each row, in row order.
    QStringList Keys() const;
    int SelectedCount() const;
    std::vector<TFichierRef> SelectedItems() const;
    int FocusedRow() const { return focused_; }
    // The row of the item, -1 when it is not listed.
    int IndexOfItem(const TAbstractListFichier *item) const;
    // The first row whose item's path is path exactly, -1 when none.
    int IndexOfPath(const QString &path) const;
    const TFichierRef &ActiveItem() const { return activeItem_; }
    const QString &Hint() const { return hint_; }

    // What the view does by itself (clicks, arrow keys); callers refresh afterwards.
    void SetSelected(int row, bool selected);
    void SetFocusedRow(int row);

    // Properties.
    TlfCLass ItemClass() const { return itemClass_; }
    void SetItemClass(const TlfCLass &itemClass) { itemClass_ = itemClass; }
    const TSortIndex &SortIndex() const { return sortIndex_; }
    bool SelectionnerOuverts = false;
    QString PreferredFolder;
    QString PreferredPlayList;
    // From the start to the end of the scan that started or ended last.
    bool Busy() const { return busy_; }
    // Whether any scan is still running.
    bool Scanning() const;

    // Operations.
    TFichierRef FindOrAdd(const QString &path);
    int AddItem(const TFichierRef &item, bool select);
    void RemoveItem(const TAbstractListFichier *item);
    void ReplaceItem(const TAbstractListFichier *oldItem, const TFichierRef &newItem);
    int ReplaceObject(const TAbstractListFichier *oldItem, const TFichierRef &newItem);
    void Resort(const TSortIndex &index);
    void SelectIndex(int row);
    void RefreshActive();
    void RefreshCounts();
    void SelectAll(bool all);
    void RemoveSelected();
    void Empty();

    // Scans.
    void OpenFiles(const QStringList &paths);
    void OpenFolder(const QString &folder);
    void OpenPlaylist(const QString &file);
    void OpenPreferredFolder();
    void OpenPreferredPlaylist();
    void OpenAllDrives();
    // The file names the clipboard offered, and the names of a drop.
    void PasteFiles(const QStringList &names);
    void DropFiles(const QStringList &names);
    // Stops the scan started last and waits for its end; called from within one of
    // the scans' events, it only stops the scan, which ends once the event returns.
    void AbortOpen();
    // Processes events until no scan runs; from within a scan's event it cannot
    // wait and returns at once.
    void WaitForScans();

    // Events, assigned by the owner.
    std::function<void()> OnOpenStart;
    std::function<void(int nb)> OnOpenEnd;
    std::function<void(const QString &wfolder)> OnOpenFolderFound;
    std::function<bool(const QString &wfilename)> OnOpenTestExtension;  // scanning thread
    std::function<void(const QString &wfolder, const TFichierRef &sf)> OnOpenFileFound;
    std::function<bool(const TFichierRef &bf)> BeforeLister;
    std::function<TlfCLass(const QString &ext)> OnCreateFichier;  // scanning thread
    std::function<void(int iselcount, int icount)> OnCountsChange;
    std::function<void(const TFichierRef &actif)> OnActiveChange;
    // The rows, their selection or the focus changed: the view repaints.
    std::function<void()> OnRowsChange;

private:
    friend class TThreadOpen;

    struct Row {
        QString text;
        TFichierRef item;
        QString key;
        bool selected = false;
    };

    int InsertPlace(const QString &key, const QString &path) const;
    int InsertRow(const TFichierRef &item);
    void DeleteRow(int row);
    void StartScan(TOpenKind kind, const QStringList &paths);
    void SetBusy(bool busy) { busy_ = busy; }
    void RowsChanged();

    std::vector<Row> rows_;
    TKeyOrder keyOrder_;
    TlfCLass itemClass_;
    TSortIndex sortIndex_ = SortAlpha();
    TFichierRef activeItem_;
    int focused_ = -1;
    int cachedCount_ = 0;
    int cachedSelectedCount_ = 0;
    QString hint_;
    bool busy_ = false;
    int scanCallDepth_ = 0;  // > 0 while a scan's blocking call runs here
    QList<QPointer<TThreadOpen>> scans_;
};
