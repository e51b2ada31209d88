// The class of the items a file list creates (its ItemClass): a pair of factories,
// from a path and from a folder with a search record. Plain value, any thread.
#pragma once

#include "files/listfichier.h"
#include "files/searchrec.h"

#include <memory>
#include <type_traits>

// The list and whoever uses one of its items share it; the list lets go of an item
// when it removes it, and the item lives on while someone else still holds it.
using TFichierRef = std::shared_ptr<TAbstractListFichier>;

struct TlfCLass {
    TFichierRef (*fromPath)(const QString &path) = nullptr;
    TFichierRef (*fromSearchRec)(const QString &folder, const TSearchRec &rec) = nullptr;

    explicit operator bool() const { return fromPath && fromSearchRec; }
    bool operator==(const TlfCLass &) const = default;
};

template <class T>
TlfCLass ItemClassOf()
{
    TlfCLass itemClass;
    itemClass.fromPath = [](const QString &path) -> TFichierRef { return std::make_shared<T>(path); };
    itemClass.fromSearchRec = [](const QString &folder, const TSearchRec &rec) -> TFichierRef {
        if constexpr (std::is_constructible_v<T, const QString &, const TSearchRec &>)
            return std::make_shared<T>(folder, rec);
        else
            return std::make_shared<T>(folder + rec.name);
    };
    return itemClass;
}
