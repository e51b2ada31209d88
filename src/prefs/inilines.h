// The lines of an INI file, found and changed by section and exact name. Pure
// functions over a list of lines that the caller owns; any thread.
//
// A section header is a line that, trimmed, starts with '[' and ends with ']';
// every other line is a name, '=' and a value, the name being the text before
// the first '='. Names and headers compare exactly, letter case included, and
// lines this code does not change are kept as they were.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

bool IsIniSectionHeader(const QString &line);

// The value of the first line named `name` under the header `sectionHeader`
// (for example "[\Software\Quenlor\Morvik]"), or nothing.
std::optional<QString> IniReadValue(const QStringList &lines, const QString &sectionHeader, const QString &name);

// Replaces the value of that line; without one, adds "name=value" at the end of the
// section, or a new section with it at the end of the list. Line breaks in the value
// are written as spaces.
void IniWriteValue(QStringList &lines, const QString &sectionHeader, const QString &name, const QString &value);
