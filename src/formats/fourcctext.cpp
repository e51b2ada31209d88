#include "formats/fourcctext.h"

QString FourCCToText(FourCC code)
{
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QChar::fromLatin1(static_cast<char>(code >> (8 * i)));
    return text;
}

FourCC TextToFourCC(const QString &text)
{
    const QByteArray bytes = text.left(4).toLatin1();
    return MakeFourCC(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}
