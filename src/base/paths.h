// File-name operations on "/"-separated paths, done on the text alone (the file
// system is never asked). Pure functions, any thread.
//
// The extension is the part of the name from its last "."; a dot that only
// begins the name (".bashrc", "..") marks a hidden file and starts no
// extension, so ".bashrc" has none and ".bashrc.avi" has ".avi".
#pragma once

#include <QString>

inline constexpr QChar kPathDelimiter = QLatin1Char('/');

// The folder with its trailing "/" ("/v/a.avi" → "/v/"); empty when there is none.
QString ExtractFilePath(const QString &path);
// The name after the last "/" ("/v/a.avi" → "a.avi"); empty for a path ending in "/".
QString ExtractFileName(const QString &path);
// The extension with its dot ("/v/a.b.avi" → ".avi"); empty when the name has none.
QString ExtractFileExt(const QString &path);
// The name without folder and extension ("/v/a.b.avi" → "a.b").
QString ExtractFileBaseName(const QString &path);
// The path with a "/" at its end; an empty path stays empty rather than becoming the root.
QString IncludeTrailingPathDelimiter(const QString &path);
// The path with its extension replaced by extension (given with its dot, or empty
// to remove it); a name without extension gets it appended.
QString ChangeFileExt(const QString &path, const QString &extension);
// Names compare, sort and index by their lower-cased text.
QString FileNameKey(const QString &path);
bool SameFileName(const QString &a, const QString &b);
