#include "formats/frameratechoice.h"

#include "base/formatsettings.h"

#include <cmath>

FrameRatePreselection PreselectFrameRate(double fps, const QString &personalizedText)
{
    if (fps == 25.0)
        return {FrameRateChoice::Pal, personalizedText};
    if (std::abs(fps * 1001 - 30000) < 1)
        return {FrameRateChoice::Ntsc, personalizedText};
    return {FrameRateChoice::Personalized, personalizedText.isEmpty() ? FrameRateToText(fps) : personalizedText};
}

std::optional<double> ChosenFrameRate(FrameRateChoice choice, const QString &personalizedText)
{
    for (const FrameRateChoiceRow &row : kFrameRateChoices)
        if (row.choice == choice && choice != FrameRateChoice::Personalized)
            return row.rate;
    const auto rate = FrameRateFromText(personalizedText);
    if (!rate || !std::isfinite(*rate) || *rate <= 0)
        return std::nullopt;
    return rate;
}

QString FrameRateToText(double rate)
{
    QString text = QString::number(rate, 'g', 15);
    text.replace(QLatin1Char('.'), CurrentFormatSettings().decimalSeparator);
    return text;
}

std::optional<double> FrameRateFromText(const QString &text)
{
    const QChar separator = CurrentFormatSettings().decimalSeparator;
    QString plain = text.trimmed();
    // Only the user's separator is a decimal point; a '.' in a ',' locale is no number.
    if (separator != QLatin1Char('.')) {
        if (plain.contains(QLatin1Char('.')))
            return std::nullopt;
        plain.replace(separator, QLatin1Char('.'));
    }
    bool ok = false;
    const double value = plain.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString FrameRateChangeQuestion(double currentFps, const QString &fileName, const QString &newRateText)
{
    return QStringLiteral("Do you want to change the frequency ") + FrameRateToText(currentFps)
         + QStringLiteral(" from  ") + fileName + QStringLiteral(" to ") + newRateText + QStringLiteral(" ?");
}
