#include "scenes/scenetitles.h"

namespace {

// The line that starts at from, and where the next one starts (past its break).
QString TakeLine(const QString &text, qsizetype &from)
{
    qsizetype end = from;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
        ++end;
    QString line = text.mid(from, end - from);
    if (end < text.size()) {
        const bool pair = text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n';
        end += pair ? 2 : 1;
    }
    from = end;
    return line;
}

}  // namespace

TSceneTitles SplitTitles(const QString &text)
{
    TSceneTitles titles;
    qsizetype from = 0;
    titles.Title = TakeLine(text, from);
    titles.Subtitle = TakeLine(text, from);
    return titles;
}

QString JoinTitles(const QString &title, const QString &subtitle)
{
    return title + QStringLiteral("\r\n") + subtitle;
}
