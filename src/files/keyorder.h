// The order of the file list's sort keys: ascending, case-insensitive in the user's
// locale, with the two marks of unknown datecodes (U+00FE not read yet, U+00FF no
// readable AVI) after every other key, U+00FE first, whatever the locale does with
// those letters. One object per thread.
#pragma once

#include <QCollator>
#include <QString>

class TKeyOrder {
public:
    TKeyOrder();
    // Below zero when a sorts before b, zero when they are equal in this order.
    int Compare(const QString &a, const QString &b) const;

private:
    QCollator collator_;
};
