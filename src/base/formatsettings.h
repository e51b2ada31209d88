// The locale's names, patterns and separators used by every date, time and
// number text. One process-wide value, taken from QLocale::system() on first
// use; tests pass fixed settings instead so they never depend on the machine.
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
    // Patterns in the program's own date-time pattern language (d, m, y, h, n, s, ampm ...).
    QString shortDateFormat = QStringLiteral("dd/mm/yyyy");
    QString longDateFormat = QStringLiteral("dddd d mmmm yyyy");
    QString shortTimeFormat = QStringLiteral("hh:nn");
    QString longTimeFormat = QStringLiteral("hh:nn:ss");
    QString timeAmString = QStringLiteral("AM");
    QString timePmString = QStringLiteral("PM");
    QStringList shortMonthNames = {
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    QStringList longMonthNames = {
        QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
        QStringLiteral("April"), QStringLiteral("May"), QStringLiteral("June"),
        QStringLiteral("July"), QStringLiteral("August"), QStringLiteral("September"),
        QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
    // Seven names, Sunday first.
    QStringList shortDayNames = {
        QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
        QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat")};
    QStringList longDayNames = {
        QStringLiteral("Sunday"), QStringLiteral("Monday"), QStringLiteral("Tuesday"),
        QStringLiteral("Wednesday"), QStringLiteral("Thursday"), QStringLiteral("Friday"),
        QStringLiteral("Saturday")};
};

// The settings of a Qt locale, its patterns translated into the program's pattern language.
FormatSettings FormatSettingsFromLocale(const QLocale &locale);

// Translates a QLocale/QDateTime pattern into the program's pattern language; the
// time zone ("t") is dropped because the program's values carry none.
QString PatternFromQtFormat(const QString &qtPattern);

const FormatSettings &CurrentFormatSettings();
void SetFormatSettings(const FormatSettings &settings);
