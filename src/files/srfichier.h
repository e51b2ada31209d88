// A file of the list with what a directory search tells of it: size, times and
// attributes, and the size and date orders. Built on any thread, then only read.
#pragma once

#include "base/datetime.h"
#include "files/listfichier.h"
#include "files/searchrec.h"

#include <cstdint>

class TSRFichier : public TAbstractListFichier {
public:
    // Looks the file up; a file that is not found keeps zero size and times.
    explicit TSRFichier(const QString &path);
    TSRFichier(const QString &folder, const TSearchRec &rec);

    QString GetSortKey(const TSortIndex &index) const override;
    uint64_t Size() const { return (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow; }

    uint32_t sizeHigh = 0;
    uint32_t sizeLow = 0;
    TDateTime created = 0;
    TDateTime modified = 0;
    TDateTime accessed = 0;
    uint32_t attributes = 0;
    bool readOnly = false;
    QString sizeKey;
    QString modifiedKey;

protected:
    void UpdateKeys() override;

    // The record of path, or one naming the file alone when it is not found.
    static TSearchRec RecordOf(const QString &path);

private:
    void SetRecord(const TSearchRec &rec);
    void UpdateOwnKeys();
};
