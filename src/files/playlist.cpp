#include "files/playlist.h"

#include "base/datetimeformat.h"
#include "base/localtime.h"
#include "base/product.h"
#include "files/fichierlistbox.h"
#include "files/itemsettings.h"
#include "files/searchrec.h"


namespace {

const QString kSeparator = QStringLiteral("# -------------------------------------------------------------");
// Read back through the trimming of each line.
const QString kPathIndent = QStringLiteral("     ");

}  // namespace

QStringList PlaylistLines(const QStringList &paths, const TSortIndex &sortIndex, TDateTime now,
                          const QString &dateFormat)
{
    QStringList lines = {kSeparator,
                         QStringLiteral("#"),
                         QStringLiteral("# Playlist of ") + kProductName + QStringLiteral(" ") + kProductVersion,
                         QStringLiteral("#"),
                         kSeparator,
                         QStringLiteral("# Visit my website : ") + kProductHomePage,
                         QString()};
    for (const QString &path : paths)
        lines << kPathIndent + path;
    const QString plural = paths.size() >= 2 ? QStringLiteral(" ") : QString();
    lines << QString() << kSeparator
          << QStringLiteral("# ") + QString::number(paths.size()) + QStringLiteral(" file") + plural
                 + QStringLiteral(" sorted") + plural + QLatin1Char(' ') + sortIndex.caption
          << QStringLiteral("# Done on ") + FormatDateTime(dateFormat, now);
    return lines;
}

TextFileWrite SavePlaylist(const TCustomFichierListBox &list, const QString &file)
{
    QStringList paths;
    for (int row = 0; row < list.Count(); ++row)
        paths << list.Item(row)->path;
    const TDateTime now = Now();
    return WriteTextFileUtf16(file, PlaylistLines(paths, list.SortIndex(), now, DatecodeDisplayFormat()));
}
