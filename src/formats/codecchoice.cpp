#include "formats/codecchoice.h"

CodecPreselection PreselectCodec(const QString &currentCodec)
{
    const QString lower = currentCodec.toLower();
    for (const CodecChoiceRow &row : kCodecChoices)
        if (row.choice != CodecChoice::Personalized && lower == QString::fromLatin1(row.code).toLower())
            return {row.choice, QString()};
    return {CodecChoice::Personalized, currentCodec};
}

QString ChosenCodecText(CodecChoice choice, const QString &personalizedText)
{
    for (const CodecChoiceRow &row : kCodecChoices)
        if (row.choice == choice && choice != CodecChoice::Personalized)
            return QString::fromLatin1(row.code);
    return (personalizedText + QStringLiteral("    ")).left(4);
}

QString CodecChangeQuestion(const QString &currentCodec, const QString &fileName, const QString &newCodec)
{
    return QStringLiteral("Do you want to change the codec \"") + currentCodec + QStringLiteral("\" from ") + fileName
         + QStringLiteral(" to \"") + newCodec + QStringLiteral("\" ?");
}
