#include "commands/destinations.h"

#include "base/paths.h"

#include <QLocale>

#include <cmath>

QString MakeDestination(const QString &path, const QString &suffix, bool sameFolder, const QString &folderWhereToSave)
{
    if (sameFolder)
        return ChangeFileExt(path, suffix);
    return folderWhereToSave + ChangeFileExt(ExtractFileName(path), suffix);
}

QString TimeShiftSuffix(double days)
{
    const QString sign = days >= 0 ? QStringLiteral("+") : QStringLiteral("-");
    const int64_t totalSeconds = std::llround(std::fabs(days) * 86400.0);
    const int64_t wholeDays = totalSeconds / 86400;
    const int64_t hours = totalSeconds / 3600 % 24;
    const int64_t minutes = totalSeconds / 60 % 60;
    const int64_t seconds = totalSeconds % 60;
    QString amount;
    if (wholeDays > 0)
        amount += QString::number(wholeDays) + QStringLiteral("days");
    if (hours != 0)
        amount += QString::number(hours) + QStringLiteral("h");
    if (minutes != 0)
        amount += QString::number(minutes) + QStringLiteral("mn");
    if (seconds != 0)
        amount += QString::number(seconds) + QStringLiteral("s");
    return QStringLiteral("_(") + sign + amount + QStringLiteral(").avi");
}

std::optional<QString> TimeShiftSuffixOf(const QString &parameter)
{
    bool isNumber = false;
    double days = QLocale().toDouble(parameter.trimmed(), &isNumber);
    if (!isNumber)
        days = QLocale::c().toDouble(parameter.trimmed(), &isNumber);
    if (!isNumber || !std::isfinite(days))
        return std::nullopt;
    return TimeShiftSuffix(days);
}

QString DeleteFileQuestion(const QString &fileName)
{
    const QString recycleLine = QStringLiteral("\r\nIf yes, it will be sent to the Recycle bin.");
    const QString question = QStringLiteral("Do you really want to delete the file ") + fileName + QStringLiteral(" ?") +
                             recycleLine;
    if (question.size() <= 254)
        return question;
    return QStringLiteral("Do you really want to delete this file?") + recycleLine;
}
