// What a directory search says of one entry: its name, size, times and attributes,
// read without following symbolic links. TFileFinder walks one folder's entries
// that match a name pattern. Plain values and one-thread objects; any thread.
#pragma once

#include "base/datetime.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// Attribute bits of a search record.
inline constexpr uint32_t kAttrReadOnly = 0x01;   // the owner may not write the file
inline constexpr uint32_t kAttrHidden = 0x02;     // the name begins with "."
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrReparsePoint = 0x400;  // a symbolic link, never followed
inline constexpr uint32_t kAttrOther = 0x1000;    // neither file, folder nor link (device, fifo, socket)

struct TSearchRec {
    QString name;  // without folder
    uint32_t sizeHigh = 0;
    uint32_t sizeLow = 0;
    // Local times. "Created" is the birth time where the file system keeps one,
    // else the last status change.
    TDateTime created = 0;
    TDateTime modified = 0;
    TDateTime accessed = 0;
    uint32_t attributes = 0;
    uint64_t device = 0;  // the file system the entry lives on

    bool IsFolder() const { return (attributes & kAttrDirectory) != 0; }
    bool IsLink() const { return (attributes & kAttrReparsePoint) != 0; }
    // A plain file, the only kind the list may open.
    bool IsFile() const { return (attributes & (kAttrDirectory | kAttrReparsePoint | kAttrOther)) == 0; }
};

// The record of the entry at path itself (a link is described, not its target);
// none when there is no such entry.
std::optional<TSearchRec> FindFileRecord(const QString &path);

// A Unix time in milliseconds as a local date-time value.
TDateTime LocalDateTimeFromUnixMs(int64_t milliseconds);

// Whether a name matches a pattern of "*" (any run of characters) and "?" (one
// character); "*.*" matches every name, with or without a dot. Letter case counts,
// as it does for the file system.
bool MatchesNamePattern(const QString &name, const QString &pattern);
bool HasWildcards(const QString &pattern);

// The entries of a folder whose names match a pattern, "." and ".." left out.
// A pattern without wildcards names one entry, which is looked up directly.
class TFileFinder {
public:
    TFileFinder(const QString &folder, const QString &pattern);
    ~TFileFinder();
    TFileFinder(const TFileFinder &) = delete;
    TFileFinder &operator=(const TFileFinder &) = delete;

    // The next matching entry, none at the end.
    std::optional<TSearchRec> Next();

private:
    struct Directory;
    QString folder_;
    QString pattern_;
    std::unique_ptr<Directory> directory_;
    std::optional<TSearchRec> single_;
};
