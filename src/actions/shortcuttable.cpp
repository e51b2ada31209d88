#include "actions/shortcuttable.h"

#include <QCollator>

#include <algorithm>

std::vector<TShortcutRow> BuildShortcutRows(const TActionList &actions, int sortMode)
{
    struct Keyed {
        QString key;
        TShortcutRow row;
    };
    std::vector<Keyed> keyed;
    for (const auto &action : actions.Actions()) {
        if (action->Caption.isEmpty())
            continue;
        TShortcutRow row;
        row.Action = action.get();
        row.Caption = action->Caption;
        row.Keys = action->Shortcuts.isEmpty() ? QString() : action->Shortcuts.first().toString(QKeySequence::NativeText);
        row.Switch = action->Switch();
        row.Token = action->Token();
        const QString leading = sortMode == 1 ? row.Keys : sortMode == 2 ? row.Switch : sortMode == 3 ? row.Token : QString();
        // Rows without the column's text come first, by caption; then the others by that text.
        const QString group = sortMode >= 1 && sortMode <= 3 ? QString(leading.isEmpty() ? u'0' : u'1') : QString();
        keyed.push_back({group + leading + row.Caption + action->Name(), row});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [&](const Keyed &a, const Keyed &b) { return collator.compare(a.key, b.key) < 0; });
    std::vector<TShortcutRow> rows;
    rows.reserve(keyed.size());
    for (Keyed &k : keyed)
        rows.push_back(std::move(k.row));
    return rows;
}
