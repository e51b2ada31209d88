// Playlists: a commented text file naming one file of the list per line, written
// in UTF-16 with a byte-order mark. They are read back by the list's playlist scan.
// Pure functions and one write; the list's thread.
#pragma once

#include "base/datetime.h"
#include "base/textfile.h"
#include "files/sortindex.h"

#include <QString>
#include <QStringList>

class TCustomFichierListBox;

// The lines of a playlist of paths in the given order, dated now (local time)
// in the datecode display format.
QStringList PlaylistLines(const QStringList &paths, const TSortIndex &sortIndex, TDateTime now,
                          const QString &dateFormat);

// Writes the playlist of the list's rows to file, replacing it only once the
// whole playlist is written; a failure leaves the file as it was and says why.
TextFileWrite SavePlaylist(const TCustomFichierListBox &list, const QString &file);
