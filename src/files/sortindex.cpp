#include "files/sortindex.h"

#include <algorithm>

namespace {

enum SortRow { kAlpha, kTaille, kModify, kExtension, kPath, kDatecode, kTimecode, kDuree };

const std::array<TSortIndex, 8> kSortIndices = {{
    {QStringLiteral("alpha"), QStringLiteral("in alphabetical order"), QStringLiteral("Sort alphabetically")},
    {QStringLiteral("taille"), QStringLiteral("by size of file"), QStringLiteral("sorted by size of file")},
    {QStringLiteral("modify"), QStringLiteral("by date of file"), QStringLiteral("sorted by date of file")},
    {QStringLiteral("extension"), QStringLiteral("by extension"), QStringLiteral("sorted by extension")},
    {QStringLiteral("path"), QStringLiteral("by path"), QStringLiteral("sorted by path")},
    {QStringLiteral("datecode"), QStringLiteral("by datecode"), QStringLiteral("sorted by datecode")},
    {QStringLiteral("timecode"), QStringLiteral("by timecode"), QStringLiteral("Sort by timecode")},
    {QStringLiteral("duree"), QStringLiteral("by duration"), QStringLiteral("sorted by duration")},
}};

// The orders a saved name may restore; the extension and path orders are not among them.
constexpr std::array kRestorable = {kAlpha, kModify, kTaille, kDatecode, kTimecode, kDuree};

}  // namespace

const TSortIndex &SortAlpha() { return kSortIndices[kAlpha]; }
const TSortIndex &SortTaille() { return kSortIndices[kTaille]; }
const TSortIndex &SortModify() { return kSortIndices[kModify]; }
const TSortIndex &SortExtension() { return kSortIndices[kExtension]; }
const TSortIndex &SortPath() { return kSortIndices[kPath]; }
const TSortIndex &SortDatecode() { return kSortIndices[kDatecode]; }
const TSortIndex &SortTimecode() { return kSortIndices[kTimecode]; }
const TSortIndex &SortDuree() { return kSortIndices[kDuree]; }

const std::array<TSortIndex, 8> &SortIndices() { return kSortIndices; }

const TSortIndex &SortIndexByName(const QString &name)
{
    const auto found = std::find_if(kRestorable.begin(), kRestorable.end(),
                                    [&](SortRow row) { return kSortIndices[row].name == name; });
    return found == kRestorable.end() ? SortAlpha() : kSortIndices[*found];
}
