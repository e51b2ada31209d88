#include "media/overlaylines.h"

#include "base/datetimeformat.h"
#include "base/textformat.h"

namespace {

QString FillTemplate(QString text, const QString &d1, const QString &d2, const QString &t)
{
    text.replace(QStringLiteral("%D1"), d1, Qt::CaseInsensitive);
    text.replace(QStringLiteral("%D2"), d2, Qt::CaseInsensitive);
    text.replace(QStringLiteral("%T"), t, Qt::CaseInsensitive);
    return text;
}

}  // namespace

TOverlayLines OverlayLines(const TincrustRec &settings, const TFrameInfo &info)
{
    QString d1;
    QString d2;
    if (info.DatecodeValid) {
        const TDateTime shown = info.Datecode + settings.TimeDifference;
        d1 = FormatDateTime(settings.Format1, shown);
        d2 = FormatDateTime(settings.Format2, shown);
    }
    QString t;
    if (info.TimecodeValid) {
        const TTimecodeRec &tc = info.Timecode;
        t = FormatText(QStringLiteral("%d:%.2d:%.2d:%.2d"), {tc.hours, tc.minutes, tc.seconds, tc.frames});
    }
    return {FillTemplate(settings.Template1, d1, d2, t), FillTemplate(settings.Template2, d1, d2, t)};
}
