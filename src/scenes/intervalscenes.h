// Scenes of equal length over a whole video, for the scene file made "with fixed
// durations". Runs on the caller's thread (the command worker), which polls for
// an abort between scenes.
#pragma once

#include "scenes/scnfile.h"

#include <QString>

#include <cstdint>
#include <functional>

// Frames in one scene for an interval in seconds given as decimal text (spaces
// trimmed; not a number counts as 0), rounded half to even; 0 or less: no scenes.
int64_t IntervalSceneFrames(const QString &secondsText, double fps);

// Writes [0, d), [d, 2d) ... up to frameCount, the last scene shorter. beforeScene
// gets each scene's first frame and returns false to stop there (an abort).
void WriteIntervalScenes(TwriteScene &writer, int64_t frameCount, int64_t sceneFrames,
                         const std::function<bool(int64_t beginFrame)> &beforeScene);
