#include "media/incrustrec.h"

#include <QRegularExpression>

namespace {

template <typename Enum>
Enum EnumFromCode(int code, Enum last, Enum fallback)
{
    return code >= 0 && code <= static_cast<int>(last) ? static_cast<Enum>(code) : fallback;
}

struct FileCode {
    char code;
    QString TIncrustFileTexts::*text;
};
constexpr FileCode kFileCodes[] = {
    {'F', &TIncrustFileTexts::name},  {'E', &TIncrustFileTexts::extension}, {'P', &TIncrustFileTexts::folder},
    {'C', &TIncrustFileTexts::codec}, {'I', &TIncrustFileTexts::image},     {'A', &TIncrustFileTexts::audio},
    {'U', &TIncrustFileTexts::duration},
};

// One pass, so a file text that itself holds a code is not expanded again.
QString ExpandPersonal(const QString &typed, int line, const TIncrustFileTexts *file)
{
    static const QRegularExpression kCode(QStringLiteral("%(D(?![12])|[FEPCIAU])"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype done = 0;
    for (auto it = kCode.globalMatch(typed); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const char code = m.captured(1).at(0).toUpper().toLatin1();
        QString replacement = m.captured(0);
        if (code == 'D') {
            replacement = QStringLiteral("%D") + QString::number(line);
        } else if (file) {
            for (const FileCode &c : kFileCodes)
                if (c.code == code)
                    replacement = file->*c.text;
        }
        out += typed.mid(done, m.capturedStart() - done);
        out += replacement;
        done = m.capturedEnd();
    }
    out += typed.mid(done);
    return out;
}

}  // namespace

IncrustWhen IncrustWhenFromCode(int code)
{
    return EnumFromCode(code, IncrustWhen::kEachNewDay, IncrustWhen::kEachNewScene);
}

IncrustKind IncrustKindFromCode(int code)
{
    return EnumFromCode(code, IncrustKind::kPersonalText, IncrustKind::kDatecode);
}

IncrustAlignment IncrustAlignmentFromCode(int code)
{
    return EnumFromCode(code, IncrustAlignment::kSubtitle, IncrustAlignment::kRight);
}

TIncrustTemplates IncrustTemplates(IncrustKind kind, const QString &personal1, const QString &personal2,
                                   const TIncrustFileTexts *file)
{
    switch (kind) {
    case IncrustKind::kDatecode:
        return {QStringLiteral("%D1"), QStringLiteral("%D2")};
    case IncrustKind::kTimecode:
        return {QString(), QStringLiteral("%T")};
    case IncrustKind::kPersonalText:
        break;
    }
    return {ExpandPersonal(personal1, 1, file), ExpandPersonal(personal2, 2, file)};
}
