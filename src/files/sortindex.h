// The sort orders of the file list: a key name, the phrase of the list's caption
// and the phrase of hints and menus. Constant data, any thread.
#pragma once

#include <QString>

#include <array>

struct TSortIndex {
    QString name;
    QString caption;
    QString phrase;

    // Sort indices are the same order when their key names are.
    bool operator==(const TSortIndex &other) const { return name == other.name; }
};

const TSortIndex &SortAlpha();
const TSortIndex &SortTaille();
const TSortIndex &SortModify();
const TSortIndex &SortExtension();
const TSortIndex &SortPath();
const TSortIndex &SortDatecode();
const TSortIndex &SortTimecode();
const TSortIndex &SortDuree();

// The eight, in the order of the menu.
const std::array<TSortIndex, 8> &SortIndices();

// The saved sort order: "alpha", "modify", "taille", "datecode", "timecode" and
// "duree" name their index; anything else, "extension" and "path" included, gives "alpha".
const TSortIndex &SortIndexByName(const QString &name);
