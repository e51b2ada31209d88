#include "files/srfichier.h"

#include "base/datetimeformat.h"
#include "base/paths.h"
#include "base/textformat.h"

TSRFichier::TSRFichier(const QString &path) : TSRFichier(ExtractFilePath(path), RecordOf(path)) {}

TSRFichier::TSRFichier(const QString &folder, const TSearchRec &rec) : TAbstractListFichier(folder + rec.name)
{
    SetRecord(rec);
    UpdateOwnKeys();
}

TSearchRec TSRFichier::RecordOf(const QString &path)
{
    if (auto rec = FindFileRecord(path))
        return *rec;
    TSearchRec missing;
    missing.name = ExtractFileName(path);
    return missing;
}

QString TSRFichier::GetSortKey(const TSortIndex &index) const
{
    if (index == SortModify())
        return modifiedKey;
    if (index == SortTaille())
        return sizeKey;
    return TAbstractListFichier::GetSortKey(index);
}

void TSRFichier::UpdateKeys()
{
    TAbstractListFichier::UpdateKeys();
    UpdateOwnKeys();
}

void TSRFichier::SetRecord(const TSearchRec &rec)
{
    sizeHigh = rec.sizeHigh;
    sizeLow = rec.sizeLow;
    created = rec.created;
    modified = rec.modified;
    accessed = rec.accessed;
    attributes = rec.attributes;
    readOnly = (rec.attributes & kAttrReadOnly) != 0;
}

void TSRFichier::UpdateOwnKeys()
{
    sizeKey = FormatText(QStringLiteral("%.16x%.16x"), {sizeHigh, sizeLow}) + path.toLower();
    modifiedKey = FormatDateTime(QStringLiteral("yyyymmddhhnnss"), modified) + path.toLower();
}
