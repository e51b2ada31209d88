// What the command engine needs of the file list it takes files from and changes.
// The list holds its items; every call is made on the list's own thread (the
// engine's synchronised calls bring the worker there).
#pragma once

#include "files/itemclass.h"

#include <QString>

class TCommandFileList {
public:
    virtual ~TCommandFileList() = default;

    virtual int Count() const = 0;
    // The focused row, negative when none.
    virtual int FocusedIndex() const = 0;
    virtual int SelectedCount() const = 0;
    virtual bool IsSelected(int index) const = 0;
    virtual void SetSelected(int index, bool selected) = 0;
    virtual QString EntryString(int index) const = 0;
    virtual TFichierRef EntryItem(int index) const = 0;
    // Negative when the item is not in the list.
    virtual int IndexOfItem(const TAbstractListFichier *item) const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    // The focused item becomes the active file; the list announces a change.
    virtual void RefreshActiveFile() = 0;
    virtual void RefreshCounts() = 0;
    virtual bool HasActiveFile() const = 0;
    virtual void SetFocusedIndex(int index) = 0;
    // Returns the item's row.
    virtual int AddItem(const TFichierRef &item) = 0;
    // Removes the row and releases its item.
    virtual void RemoveItem(int index) = 0;
    // The row keeps its place and string and holds the new item; the old one is released.
    virtual void ReplaceItem(int index, const TFichierRef &item) = 0;
    // Takes the row's item out of the list, for adding it again.
    virtual TFichierRef TakeItem(int index) = 0;
};
