// The locale's names, patterns and separators used by every date, time and
// number text. One process-wide value, taken from QLocale::system() at start;
// tests replace it with fixed locales so they never depend on the machine.
// Set it before other threads start; afterwards it is only read.
#pragma once

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>

struct FormatSettings {
    QChar dateSeparator = QLatin1Char('/');
    QChar timeSeparator = QLatin1Char(':');
    QChar decimalSeparator = QLatin1Char('.');
    QChar thousandSeparator = QLatin1Char(',');
    // Patterns in the program's own date-time pattern language (d, m, y, h, n, s, am/pm ...).
    QString shortDateFormat = QStringLiteral("dd/mm/yyyy");
    QString longDateFormat = QStringLiteral("dddd d mmmm yyyy");
    QString shortTimeFormat = QStringLiteral("hh:nn");
    QString longTimeFormat = QStringLiteral("hh:nn:ss");
    QString timeAmString = QStringLiteral("AM");
    QString timePmString = QStringLiteral("PM");
    QStringList shortMonthNames;  // 12 names, January first
    QStringList longMonthNames;
    QStringList shortDayNames;    // 7 names, Sunday first
    QStringList longDayNames;
};

// The settings of a Qt locale, its patterns translated into the program's pattern language.
FormatSettings FormatSettingsFromLocale(const QLocale &locale);

const FormatSettings &CurrentFormatSettings();
void SetFormatSettings(const FormatSettings &settings);
