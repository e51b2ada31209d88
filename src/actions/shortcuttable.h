// The rows of the table of shortcuts, switches and tokens, in the order of one
// of its four columns. Pure over the actions' present state; UI thread.
#pragma once

#include "actions/actionlist.h"

#include <QString>

#include <vector>

struct TShortcutRow {
    TCustomSuperAction *Action = nullptr;
    QString Caption;
    QString Keys;  // the main shortcut as text, empty without one
    QString Switch;
    QString Token;
};

// Sort modes: 0 caption, 1 keys, 2 switch, 3 token; any other value sorts by caption.
// In modes 1 to 3 the rows with that column empty come first, by caption.
std::vector<TShortcutRow> BuildShortcutRows(const TActionList &actions, int sortMode);

// Header texts of the four columns.
inline const QString kShortcutHeaders[4] = {QStringLiteral("Functions"), QStringLiteral("Keys"),
                                            QStringLiteral("Switches"), QStringLiteral("Script")};
