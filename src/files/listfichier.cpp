#include "files/listfichier.h"

#include "base/paths.h"

TAbstractListFichier::TAbstractListFichier(const QString &path)
{
    SetPathFields(path);
}

TAbstractListFichier::~TAbstractListFichier() = default;

QString TAbstractListFichier::GetSortKey(const TSortIndex &index) const
{
    if (index == SortAlpha())
        return alphaKey;
    if (index == SortExtension())
        return extensionKey;
    if (index == SortPath())
        return pathKey;
    return {};
}

void TAbstractListFichier::SetPath(const QString &newPath)
{
    SetPathFields(newPath);
    UpdateKeys();
}

void TAbstractListFichier::UpdateKeys() {}

void TAbstractListFichier::SetPathFields(const QString &newPath)
{
    path = newPath;
    name = ExtractFileName(newPath);
    extension = ExtractFileExt(newPath).toLower();
    folder = ExtractFilePath(newPath);
    bareName = ExtractFileBaseName(newPath);
    alphaKey = (name + path).toLower();
    extensionKey = (extension + path).toLower();
    pathKey = path.toLower();
}
