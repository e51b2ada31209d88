// The program's file list as the command engine sees it. The list has no enabled
// state of its own: the view that shows it follows Enabled(). Same thread as the list.
#pragma once

#include "commands/commandfilelist.h"
#include "files/fichierlistbox.h"

#include <functional>

class TListBoxFiles final : public TCommandFileList {
public:
    explicit TListBoxFiles(TCustomFichierListBox &list) : list_(list) {}

    int Count() const override { return list_.Count(); }
    int FocusedIndex() const override { return list_.FocusedRow(); }
    int SelectedCount() const override { return list_.SelectedCount(); }
    bool IsSelected(int index) const override { return list_.Selected(index); }
    void SetSelected(int index, bool selected) override { list_.SetSelected(index, selected); }
    QString EntryString(int index) const override { return list_.Text(index); }
    TFichierRef EntryItem(int index) const override { return list_.Item(index); }
    int IndexOfItem(const TAbstractListFichier *item) const override { return list_.IndexOfItem(item); }
    void SetEnabled(bool enabled) override;
    void RefreshActiveFile() override { list_.RefreshActive(); }
    void RefreshCounts() override { list_.RefreshCounts(); }
    bool HasActiveFile() const override { return list_.ActiveItem() != nullptr; }
    void SetFocusedIndex(int index) override { list_.SetFocusedRow(index); }
    int AddItem(const TFichierRef &item) override { return list_.AddItem(item, false); }
    void RemoveItem(int index) override { list_.RemoveItem(list_.Item(index).get()); }
    void ReplaceItem(int index, const TFichierRef &item) override;
    TFichierRef TakeItem(int index) override;

    bool Enabled() const { return enabled_; }
    std::function<void(bool enabled)> OnEnabledChange;

private:
    TCustomFichierListBox &list_;
    bool enabled_ = true;
};
