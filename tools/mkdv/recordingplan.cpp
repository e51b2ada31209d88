#include "recordingplan.h"

#include <QRegularExpression>

namespace {

std::optional<TDateTime> ParseDateTime(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{4})-(\\d{1,2})-(\\d{1,2})[ T](\\d{1,2}):(\\d{1,2}):(\\d{1,2})\\s*$"));
    const auto m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return EncodeDateTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                          m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
}

std::optional<TTimecodeRec> ParseTimecode(const QString &text, bool ntsc)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2}):(\\d{1,2})[:;.](\\d{1,2})\\s*$"));
    const auto m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int h = m.captured(1).toInt(), mi = m.captured(2).toInt(), s = m.captured(3).toInt(),
              f = m.captured(4).toInt();
    if (h > 23 || mi > 59 || s > 59 || f >= (ntsc ? 30 : 25))
        return std::nullopt;
    return TTimecodeRec{static_cast<uint8_t>(h), static_cast<uint8_t>(mi), static_cast<uint8_t>(s),
                        static_cast<uint8_t>(f)};
}

constexpr int kMaxFrames = 10 * 60 * 60 * 30;  // ten hours of NTSC

std::optional<int> ParseFrames(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 0 || n > kMaxFrames)
        return std::nullopt;
    return n;
}

}  // namespace

QString PlanUsage()
{
    return QStringLiteral(
        "usage: morvik-mkdv [--type 1|2|2iavs] [--system pal|ntsc] [--aspect 4:3|16:9]\n"
        "                   [--audio 48k16|32k12|none] [--riff-limit BYTES] --out FILE.avi\n"
        "                   (--recording \"YYYY-MM-DD HH:MM:SS,HH:MM:SS:FF,FRAMES\" | --gap FRAMES)...\n"
        "Writes a DV AVI file made of the recordings and gaps in the order given.\n"
        "Type 2iavs is a type 2 file whose DV stream is an interleaved 'iavs' stream\n"
        "(whole frames, sound included) beside the separate 'auds' sound stream.\n"
        "A gap is a stretch of frames without datecode; its timecode goes on counting.\n");
}

std::optional<QString> ParsePlan(const QStringList &args, RecordingPlan &plan)
{
    // The system must be known before timecodes are checked, so it is read first.
    for (qsizetype i = 0; i + 1 < args.size(); ++i)
        if (args[i] == QLatin1String("--system"))
            plan.ntsc = args[i + 1].compare(QLatin1String("ntsc"), Qt::CaseInsensitive) == 0;

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &option = args[i];
        if (i + 1 >= args.size())
            return QStringLiteral("%1 needs a value").arg(option);
        const QString value = args[++i];
        if (option == QLatin1String("--type")) {
            if (value != QLatin1String("1") && value != QLatin1String("2") && value != QLatin1String("2iavs"))
                return QStringLiteral("--type takes 1, 2 or 2iavs");
            plan.iavs = value == QLatin1String("2iavs");
            plan.type = plan.iavs ? 2 : value.toInt();
        } else if (option == QLatin1String("--system")) {
            if (value.compare(QLatin1String("pal"), Qt::CaseInsensitive) != 0
                && value.compare(QLatin1String("ntsc"), Qt::CaseInsensitive) != 0)
                return QStringLiteral("--system takes pal or ntsc");
        } else if (option == QLatin1String("--aspect")) {
            if (value != QLatin1String("4:3") && value != QLatin1String("16:9"))
                return QStringLiteral("--aspect takes 4:3 or 16:9");
            plan.wide = value == QLatin1String("16:9");
        } else if (option == QLatin1String("--audio")) {
            if (value == QLatin1String("48k16"))
                plan.audio = PlanAudio::Pcm48k16;
            else if (value == QLatin1String("32k12"))
                plan.audio = PlanAudio::Pcm32k12;
            else if (value == QLatin1String("none"))
                plan.audio = PlanAudio::None;
            else
                return QStringLiteral("--audio takes 48k16, 32k12 or none");
        } else if (option == QLatin1String("--riff-limit")) {
            bool ok = false;
            plan.riffLimit = value.toLongLong(&ok);
            if (!ok || plan.riffLimit < 1)
                return QStringLiteral("--riff-limit takes a number of bytes");
        } else if (option == QLatin1String("--out")) {
            plan.output = value;
        } else if (option == QLatin1String("--recording")) {
            const QStringList parts = value.split(QLatin1Char(','));
            if (parts.size() != 3)
                return QStringLiteral("--recording takes \"DATE TIME,TIMECODE,FRAMES\", not \"%1\"").arg(value);
            PlanStretch stretch;
            const auto start = ParseDateTime(parts[0]);
            const auto timecode = ParseTimecode(parts[1], plan.ntsc);
            const auto frames = ParseFrames(parts[2]);
            if (!start)
                return QStringLiteral("\"%1\" is no date and time (YYYY-MM-DD HH:MM:SS)").arg(parts[0]);
            if (!timecode)
                return QStringLiteral("\"%1\" is no timecode (HH:MM:SS:FF)").arg(parts[1]);
            if (!frames)
                return QStringLiteral("\"%1\" is no frame count").arg(parts[2]);
            stretch.start = *start;
            stretch.timecode = *timecode;
            stretch.frames = *frames;
            plan.stretches.push_back(stretch);
        } else if (option == QLatin1String("--gap")) {
            const auto frames = ParseFrames(value);
            if (!frames)
                return QStringLiteral("\"%1\" is no frame count").arg(value);
            PlanStretch gap;
            gap.hasDatecode = false;
            gap.timecodeGiven = false;
            gap.frames = *frames;
            plan.stretches.push_back(gap);
        } else {
            return QStringLiteral("unknown option %1").arg(option);
        }
    }
    if (plan.output.isEmpty())
        return QStringLiteral("--out is missing");
    if (plan.stretches.empty())
        return QStringLiteral("at least one --recording or --gap is needed");
    return std::nullopt;
}
