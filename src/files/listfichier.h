// Any file of the file list: its path, the parts of the path and the sort keys
// they give. An item is built on one thread and then only read, except by a
// rename (SetPath), which happens on the user-interface thread.
#pragma once

#include "files/sortindex.h"

#include <QString>

class TAbstractListFichier {
public:
    explicit TAbstractListFichier(const QString &path);
    virtual ~TAbstractListFichier();
    TAbstractListFichier(const TAbstractListFichier &) = delete;
    TAbstractListFichier &operator=(const TAbstractListFichier &) = delete;

    // The key the list sorts this item by; empty for an order this class does not know.
    virtual QString GetSortKey(const TSortIndex &index) const;
    // After a rename: the path fields and every key follow the new path.
    void SetPath(const QString &newPath);

    QString path;       // full file name
    QString name;       // with extension, no folder
    QString extension;  // with its dot, lower case
    QString folder;     // ending with "/"
    QString bareName;   // name without extension
    QString alphaKey;
    QString extensionKey;
    QString pathKey;

protected:
    // Recomputes the keys that end with the path; each class adds its own.
    virtual void UpdateKeys();

private:
    void SetPathFields(const QString &newPath);
};
