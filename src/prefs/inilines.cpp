#include "prefs/inilines.h"

namespace {

constexpr QChar kAssign = u'=';

// The index of the line holding `name` in the section, or -1.
qsizetype FindEntry(const QStringList &lines, const QString &sectionHeader, const QString &name)
{
    QString currentHeader;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (IsIniSectionHeader(line)) {
            currentHeader = line.trimmed();
            continue;
        }
        const qsizetype assign = line.indexOf(kAssign);
        if (assign >= 0 && currentHeader == sectionHeader && QStringView(line).left(assign) == name)
            return i;
    }
    return -1;
}

}  // namespace

bool IsIniSectionHeader(const QString &line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(u'[') && trimmed.endsWith(u']');
}

std::optional<QString> IniReadValue(const QStringList &lines, const QString &sectionHeader, const QString &name)
{
    const qsizetype entry = FindEntry(lines, sectionHeader, name);
    if (entry < 0)
        return std::nullopt;
    const QString &line = lines.at(entry);
    return line.mid(line.indexOf(kAssign) + 1);
}

void IniWriteValue(QStringList &lines, const QString &sectionHeader, const QString &name, const QString &value)
{
    // A value is one line: a break in it would start entries or sections of its own.
    QString oneLine = value;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    const QString newLine = name + kAssign + oneLine;
    const qsizetype entry = FindEntry(lines, sectionHeader, name);
    if (entry >= 0) {
        lines[entry] = newLine;
        return;
    }
    qsizetype header = -1;
    for (qsizetype i = 0; i < lines.size() && header < 0; ++i)
        if (lines.at(i).trimmed() == sectionHeader)
            header = i;
    if (header < 0) {
        lines.append(sectionHeader);
        lines.append(newLine);
        return;
    }
    qsizetype next = header + 1;
    while (next < lines.size() && !IsIniSectionHeader(lines.at(next)))
        ++next;
    lines.insert(next, newLine);
}
