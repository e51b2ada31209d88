// The two title lines of a scene as stored in one text: the title, a line break,
// the subtitle. Pure functions; any thread.
#pragma once

#include <QString>

struct TSceneTitles {
    QString Title;
    QString Subtitle;
};

// Cuts the text into lines at CR, LF or CR LF: the first line is the title, the
// second the subtitle (empty when missing); further lines are dropped.
TSceneTitles SplitTitles(const QString &text);

// Title, CR LF, subtitle: the text that SplitTitles takes apart.
QString JoinTitles(const QString &title, const QString &subtitle);
