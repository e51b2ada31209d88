#include "files/fichierlistbox.h"

#include "files/threadopen.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>

namespace {

// How long a wait for the scans blocks before it processes events again.
constexpr int kScanPollMs = 5;

}  // namespace

TCustomFichierListBox::TCustomFichierListBox(QObject *parent) : QObject(parent) {}

TCustomFichierListBox::~TCustomFichierListBox()
{
    for (const QPointer<TThreadOpen> &scan : scans_)
        if (scan)
            scan->Cancel();
    WaitForScans();
}

QStringList TCustomFichierListBox::Keys() const
{
    QStringList keys;
    keys.reserve(Count());
    for (const Row &row : rows_)
        keys << row.key;
    return keys;
}

int TCustomFichierListBox::SelectedCount() const
{
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row &row) { return row.selected; }));
}

std::vector<TFichierRef> TCustomFichierListBox::SelectedItems() const
{
    std::vector<TFichierRef> items;
    for (const Row &row : rows_)
        if (row.selected)
            items.push_back(row.item);
    return items;
}

int TCustomFichierListBox::IndexOfItem(const TAbstractListFichier *item) const
{
    const auto found = std::find_if(rows_.begin(), rows_.end(), [&](const Row &row) { return row.item.get() == item; });
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

int TCustomFichierListBox::IndexOfPath(const QString &path) const
{
    const auto found = std::find_if(rows_.begin(), rows_.end(), [&](const Row &row) { return row.item->path == path; });
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

void TCustomFichierListBox::SetSelected(int row, bool selected)
{
    if (row >= 0 && row < Count())
        rows_[static_cast<size_t>(row)].selected = selected;
}

void TCustomFichierListBox::SetFocusedRow(int row)
{
    focused_ = row >= 0 && row < Count() ? row : -1;
}

bool TCustomFichierListBox::Scanning() const
{
    return std::any_of(scans_.begin(), scans_.end(),
                       [](const QPointer<TThreadOpen> &scan) { return scan && !scan->isFinished(); });
}

// Keys equal in the locale's order are told apart by their exact text and then by
// the path, so that every row has a place of its own and rows and keys stay in step
// even for paths that differ only in letter case.
int TCustomFichierListBox::InsertPlace(const QString &key, const QString &path) const
{
    const auto place = std::upper_bound(rows_.begin(), rows_.end(), 0, [&](int, const Row &row) {
        if (const int order = keyOrder_.Compare(key, row.key))
            return order < 0;
        if (const int exact = key.compare(row.key))
            return exact < 0;
        return path < row.item->path;
    });
    return static_cast<int>(place - rows_.begin());
}

int TCustomFichierListBox::InsertRow(const TFichierRef &item)
{
    const QString key = item->GetSortKey(sortIndex_);
    const int k = InsertPlace(key, item->path);
    rows_.insert(rows_.begin() + k, Row{item->name, item, key, false});
    return k;
}

void TCustomFichierListBox::DeleteRow(int row)
{
    rows_.erase(rows_.begin() + row);
    if (focused_ == row)
        focused_ = -1;
    else if (focused_ > row)
        --focused_;
}

void TCustomFichierListBox::RowsChanged()
{
    if (OnRowsChange)
        OnRowsChange();
}

TFichierRef TCustomFichierListBox::FindOrAdd(const QString &path)
{
    const int row = IndexOfPath(path);
    if (row >= 0)
        return Item(row);
    if (!itemClass_)
        return nullptr;
    TFichierRef item = itemClass_.fromPath(path);
    AddItem(item, false);
    return item;
}

int TCustomFichierListBox::AddItem(const TFichierRef &item, bool select)
{
    if (!item || (BeforeLister && !BeforeLister(item)))
        return 0;
    int f = focused_;
    const int a = IndexOfPath(item->path);
    if (a >= 0) {
        // The same file again: the old item leaves the list.
        rows_.erase(rows_.begin() + a);
        if (f >= a && f > 0 && Count() - 1 >= f)
            --f;
    }
    const int k = InsertRow(item);
    if (f >= k && f >= 0 && f < Count() - 1)
        ++f;
    rows_[static_cast<size_t>(k)].selected = select;
    focused_ = f < Count() ? f : -1;
    if (Count() == 1)
        SelectIndex(0);
    RefreshCounts();
    RowsChanged();
    return k;
}

void TCustomFichierListBox::RemoveItem(const TAbstractListFichier *item)
{
    const int k = IndexOfItem(item);
    if (k < 0)
        return;
    if (k == focused_)
        activeItem_.reset();
    DeleteRow(k);
    RefreshCounts();
    RefreshActive();
    RowsChanged();
}

void TCustomFichierListBox::ReplaceItem(const TAbstractListFichier *oldItem, const TFichierRef &newItem)
{
    // The caller may hand the same item in both places (a rename): hold it across the removal.
    const TFichierRef kept = newItem;
    RemoveItem(oldItem);
    AddItem(kept, false);
    const int k = IndexOfItem(kept.get());
    if (k < 0)
        return;
    if (!activeItem_)
        focused_ = k;
    rows_[static_cast<size_t>(k)].selected = true;
    RowsChanged();
}

int TCustomFichierListBox::ReplaceObject(const TAbstractListFichier *oldItem, const TFichierRef &newItem)
{
    const int k = IndexOfItem(oldItem);
    if (k >= 0 && newItem)
        rows_[static_cast<size_t>(k)].item = newItem;
    return k;
}

void TCustomFichierListBox::Resort(const TSortIndex &index)
{
    sortIndex_ = index;
    if (rows_.empty())
        return;
    std::vector<TFichierRef> selected = SelectedItems();
    const TFichierRef focusedItem = focused_ >= 0 ? Item(focused_) : nullptr;

    std::vector<Row> old;
    old.swap(rows_);
    focused_ = -1;
    for (const Row &row : old)
        InsertRow(row.item);
    SelectIndex(IndexOfItem(focusedItem.get()));
    for (const TFichierRef &item : selected)
        SetSelected(IndexOfItem(item.get()), true);
    RowsChanged();
    if (OnCountsChange)
        OnCountsChange(SelectedCount(), Count());
}

void TCustomFichierListBox::SelectIndex(int row)
{
    if (row < -1 || row >= Count())
        return;
    SetFocusedRow(row);
    if (row >= 0)
        rows_[static_cast<size_t>(row)].selected = true;
    RefreshActive();
    RefreshCounts();
    RowsChanged();
}

void TCustomFichierListBox::RefreshActive()
{
    if (focused_ < 0 || focused_ >= Count()) {
        focused_ = -1;
        if (activeItem_ && OnActiveChange) {
            activeItem_.reset();
            OnActiveChange(nullptr);
        }
        return;
    }
    Row &row = rows_[static_cast<size_t>(focused_)];
    if (row.item != activeItem_ && OnActiveChange) {
        activeItem_ = row.item;
        OnActiveChange(row.item);
    }
    row.selected = true;
}

void TCustomFichierListBox::RefreshCounts()
{
    const int count = Count();
    const int selected = SelectedCount();
    if (count != cachedCount_ || selected != cachedSelectedCount_) {
        cachedCount_ = count;
        cachedSelectedCount_ = selected;
        if (selected >= 2)
            hint_ = QString::number(selected) + QStringLiteral(" files selected among ") + QString::number(count);
        else if (selected == 1)
            hint_ = QStringLiteral("One file selected among ") + QString::number(count);
        else
            hint_ = QStringLiteral("No file selected among ") + QString::number(count);
    }
    if (OnCountsChange)
        OnCountsChange(selected, count);
}

void TCustomFichierListBox::SelectAll(bool all)
{
    for (Row &row : rows_)
        row.selected = all;
    if (focused_ >= 0)
        rows_[static_cast<size_t>(focused_)].selected = true;
    RowsChanged();
    if (OnCountsChange)
        OnCountsChange(SelectedCount(), Count());
}

void TCustomFichierListBox::RemoveSelected()
{
    int lowest = -1;
    for (int row = Count() - 1; row >= 0; --row) {
        if (rows_[static_cast<size_t>(row)].selected) {
            DeleteRow(row);
            lowest = row;
        }
    }
    if (lowest < 1)
        SelectIndex(Count() > 0 ? 0 : -1);
    else
        SelectIndex(lowest - 1);
}

void TCustomFichierListBox::Empty()
{
    while (!rows_.empty())
        rows_.pop_back();
    focused_ = -1;
    SelectIndex(-1);
}

void TCustomFichierListBox::StartScan(TOpenKind kind, const QStringList &paths)
{
    auto *scan = new TThreadOpen(*this, kind, paths);
    connect(scan, &QThread::finished, scan, &QObject::deleteLater);
    scans_.removeAll(nullptr);
    scans_.append(scan);
    scan->start();
}

void TCustomFichierListBox::OpenFiles(const QStringList &paths)
{
    StartScan(TOpenKind::Files, paths);
}

void TCustomFichierListBox::OpenFolder(const QString &folder)
{
    StartScan(TOpenKind::Folder, {folder});
}

void TCustomFichierListBox::OpenPlaylist(const QString &file)
{
    StartScan(TOpenKind::Playlist, {file});
}

void TCustomFichierListBox::OpenPreferredFolder()
{
    OpenFolder(PreferredFolder);
}

void TCustomFichierListBox::OpenPreferredPlaylist()
{
    OpenPlaylist(PreferredPlayList);
}

void TCustomFichierListBox::OpenAllDrives()
{
    StartScan(TOpenKind::AllDrives, {});
}

void TCustomFichierListBox::PasteFiles(const QStringList &names)
{
    StartScan(TOpenKind::Paste, names);
}

void TCustomFichierListBox::DropFiles(const QStringList &names)
{
    StartScan(TOpenKind::Drop, names);
}

void TCustomFichierListBox::AbortOpen()
{
    if (scans_.isEmpty() || !scans_.last())
        return;
    const QPointer<TThreadOpen> last = scans_.last();
    last->Cancel();
    if (scanCallDepth_ > 0)
        return;
    while (last && !last->isFinished()) {
        last->wait(QDeadlineTimer(kScanPollMs));
        QCoreApplication::processEvents();
    }
}

void TCustomFichierListBox::WaitForScans()
{
    while (scanCallDepth_ == 0 && Scanning()) {
        for (const QPointer<TThreadOpen> &scan : scans_)
            if (scan && !scan->isFinished())
                scan->wait(QDeadlineTimer(kScanPollMs));
        QCoreApplication::processEvents();
    }
}
