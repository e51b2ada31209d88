#include "commands/listboxfiles.h"

void TListBoxFiles::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    if (OnEnabledChange)
        OnEnabledChange(enabled);
}

void TListBoxFiles::ReplaceItem(int index, const TFichierRef &item)
{
    const TFichierRef old = list_.Item(index);
    list_.ReplaceObject(old.get(), item);
}

TFichierRef TListBoxFiles::TakeItem(int index)
{
    TFichierRef item = list_.Item(index);
    list_.RemoveItem(item.get());
    return item;
}
