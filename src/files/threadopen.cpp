#include "files/threadopen.h"

#include "base/paths.h"
#include "base/textfile.h"
#include "files/fichierlistbox.h"
#include "files/mountpoints.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>

#include <exception>

namespace {

const QString kAllNames = QStringLiteral("*.*");

// Blanks and control characters off both ends.
QString TrimLine(const QString &line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line[begin] <= QLatin1Char(' '))
        ++begin;
    while (end > begin && line[end - 1] <= QLatin1Char(' '))
        --end;
    return line.mid(begin, end - begin);
}

}  // namespace

TThreadOpen::TThreadOpen(TCustomFichierListBox &owner, TOpenKind kind, const QStringList &paths)
    : QThread(&owner),
      owner_(owner),
      kind_(kind),
      paths_(paths),
      itemClass_(owner.ItemClass()),
      testExtension_(owner.OnOpenTestExtension),
      createFichier_(owner.OnCreateFichier)
{
}

void TThreadOpen::Synchronize(const std::function<void()> &call)
{
    QMetaObject::invokeMethod(
        &owner_,
        [this, &call] {
            ++owner_.scanCallDepth_;
            call();
            --owner_.scanCallDepth_;
        },
        Qt::BlockingQueuedConnection);
}

void TThreadOpen::run()
{
    total_ = 0;
    Synchronize([this] {
        owner_.SetBusy(true);
        if (owner_.OnOpenStart)
            owner_.OnOpenStart();
    });
    try {
        Work();
    } catch (const std::exception &) {
        // An error ends the scan; what was added stays and the end is announced.
    }
    paths_.clear();
    Synchronize([this] {
        if (owner_.OnOpenEnd)
            owner_.OnOpenEnd(total_);
        owner_.SetBusy(false);
    });
}

void TThreadOpen::Work()
{
    switch (kind_) {
    case TOpenKind::Files:
        for (const QString &path : std::as_const(paths_))
            if (!cancelled_)
                total_ += ScanPattern(path, false);
        break;
    case TOpenKind::Folder:
        // No folder at all would mean the working folder, which nobody asked for.
        if (!paths_.isEmpty() && !paths_.first().isEmpty())
            total_ = ScanPattern(IncludeTrailingPathDelimiter(paths_.first()) + kAllNames, true);
        break;
    case TOpenKind::Playlist:
        if (!paths_.isEmpty())
            total_ += ReadPlaylist(paths_.first());
        break;
    case TOpenKind::AllDrives:
        for (const QString &root : FixedDriveRoots()) {
            if (cancelled_)
                break;
            const auto rec = FindFileRecord(root);
            if (!rec)
                continue;
            device_ = rec->device;
            total_ += ScanPattern(IncludeTrailingPathDelimiter(root) + kAllNames, true);
        }
        device_.reset();
        break;
    case TOpenKind::Paste:
    case TOpenKind::Drop:
        for (const QString &name : std::as_const(paths_)) {
            if (cancelled_)
                break;
            if (name.isEmpty() || name.size() > kMaxDroppedName)
                continue;
            if (kind_ == TOpenKind::Drop && ExtractFileExt(name) == QLatin1String(".txt"))
                total_ += ReadPlaylist(name);
            else
                total_ += ScanPattern(name, true);
        }
        break;
    }
}

int TThreadOpen::ScanPattern(const QString &pattern, bool recursive)
{
    if (cancelled_)
        return 0;
    const QString folder = ExtractFilePath(pattern);
    const QString namePart = ExtractFileName(pattern);
    TFileFinder finder(folder, namePart);
    if (recursive)
        Synchronize([this, folder] {
            if (owner_.OnOpenFolderFound)
                owner_.OnOpenFolderFound(folder);
        });

    int accepted = 0;
    while (!cancelled_) {
        const std::optional<TSearchRec> rec = finder.Next();
        if (!rec)
            break;
        if (device_ && rec->device != *device_)
            continue;
        if (rec->IsFolder()) {
            if (!recursive || depth_ >= kMaxFolderDepth)
                continue;
            const QString below = folder + rec->name + kPathDelimiter;
            ++depth_;
            accepted += ScanPattern(below + (rec->name == namePart ? kAllNames : namePart), true);
            --depth_;
            continue;
        }
        if (!rec->IsFile() || (testExtension_ && !testExtension_(rec->name)) || cancelled_)
            continue;
        TFichierRef item = CreateItem(folder, *rec);
        if (!item)
            continue;
        Synchronize([this, folder, item, itemClass = itemClass_] {
            if (createFichier_)
                owner_.SetItemClass(itemClass);
            owner_.AddItem(item, owner_.SelectionnerOuverts);
            if (owner_.OnOpenFileFound)
                owner_.OnOpenFileFound(folder, item);
        });
        ++accepted;
    }
    return accepted;
}

TFichierRef TThreadOpen::CreateItem(const QString &folder, const TSearchRec &rec)
{
    if (createFichier_)
        itemClass_ = createFichier_(ExtractFileExt(rec.name));
    if (!itemClass_)
        return nullptr;
    return itemClass_.fromSearchRec(folder, rec);
}

int TThreadOpen::ReadPlaylist(const QString &file)
{
    const TextFileRead read = ReadTextFile(file);
    if (!read.text)
        return 0;
    const QDir playlistFolder = QFileInfo(file).absoluteDir();
    int accepted = 0;
    for (const QString &raw : SplitLines(*read.text)) {
        if (cancelled_)
            break;
        const QString line = TrimLine(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        accepted += ScanPattern(QDir::isRelativePath(line) ? playlistFolder.filePath(line) : line, false);
    }
    return accepted;
}
