#include "files/keyorder.h"

#include "files/avifichier.h"

namespace {

int MarkRank(const QString &key)
{
    if (key.startsWith(kDatecodeKeyUnreadable))
        return 2;
    if (key.startsWith(kDatecodeKeyNotRead))
        return 1;
    return 0;
}

}  // namespace

TKeyOrder::TKeyOrder() : collator_(QLocale::system())
{
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

int TKeyOrder::Compare(const QString &a, const QString &b) const
{
    const int rank = MarkRank(a) - MarkRank(b);
    if (rank != 0)
        return rank;
    return collator_.compare(a, b);
}
