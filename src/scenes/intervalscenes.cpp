#include "scenes/intervalscenes.h"

#include <algorithm>
#include <cmath>

int64_t IntervalSceneFrames(const QString &secondsText, double fps)
{
    bool isNumber = false;
    const qlonglong seconds = secondsText.trimmed().toLongLong(&isNumber, 10);
    if (!isNumber || seconds <= 0 || !(fps > 0))
        return 0;
    const double frames = std::nearbyint(static_cast<double>(seconds) * fps);
    return frames >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<int64_t>(frames);
}

void WriteIntervalScenes(TwriteScene &writer, int64_t frameCount, int64_t sceneFrames,
                         const std::function<bool(int64_t beginFrame)> &beforeScene)
{
    if (sceneFrames <= 0)
        return;
    const int64_t end = std::min<int64_t>(frameCount, INT32_MAX);
    for (int64_t begin = 0; begin < end; begin += sceneFrames) {
        if (beforeScene && !beforeScene(begin))
            return;
        const int64_t sceneEnd = std::min(begin + sceneFrames, end);
        writer.WriteScene(TSceneClass(static_cast<int32_t>(begin), static_cast<int32_t>(sceneEnd)));
    }
}
