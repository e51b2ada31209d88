#include "scenes/writesrt.h"

#include "base/paths.h"
#include "base/textformat.h"

#include <cmath>

QString SrtTime(int64_t frame, double fps)
{
    const int64_t t = fps > 0 ? static_cast<int64_t>(std::nearbyint(static_cast<double>(frame) * 1000.0 / fps)) : 0;
    return FormatText(QStringLiteral("%.2d:%.2d:%.2d,%.3d"),
                      {t / 3600000, (t / 60000) % 60, (t / 1000) % 60, t % 1000});
}

QString SrtFilePath(const QString &videoPath)
{
    return ChangeFileExt(videoPath, QStringLiteral(".srt"));
}

TWriteSrt::TWriteSrt(const QString &videoPath, double fps) : TwriteFile(SrtFilePath(videoPath)), fps_(fps) {}

void TWriteSrt::OnSubtitle(int32_t frame, const QString &line1, const QString &line2)
{
    if (pending_) {
        ++count_;
        WriteLine(QString::number(count_));
        WriteLine(SrtTime(startFrame_, fps_) + QStringLiteral(" --> ") + SrtTime(frame, fps_));
        WriteLine(line1_);
        WriteLine(line2_);
        WriteLine(QString());
    }
    pending_ = !line1.isEmpty() || !line2.isEmpty();
    if (pending_) {
        startFrame_ = frame;
        line1_ = line1.isEmpty() ? QStringLiteral(" ") : line1;
        line2_ = line2.isEmpty() ? QStringLiteral(" ") : line2;
    }
}
