// The work of the two scene commands that run without a media graph: the text
// export of a video's scenes and the scene file cut at fixed intervals. Both run
// on the command engine's worker, report progress through it and stop between
// scenes when the user aborts.
#pragma once

#include "commands/actioncontext.h"
#include "files/avifichier.h"
#include "scenes/sceneclass.h"

#include <QString>

#include <cstdint>

class TCommandEngine;

// "h:mm:ss:ff" of a frame at fps frames per second (whole frames, truncated);
// "??" without a usable rate.
QString ScenePositionText(int64_t frame, double fps);

// What a scene shows without a player: its start, end and duration texts from the
// video's rate; the datecode and timecode texts stay as the scene has them.
void FillSceneTexts(TSceneClass &scene, double fps, int durationStyle);

// Writes "<video>_scn.txt" beside the video from the scene editor's list when it
// is open on the video, else from the video's scene file (as far as it reads).
void ExportScenesAsText(const TaviFichier &video, const TActionContext &context, int durationStyle,
                        TCommandEngine &ce);

// Replaces the video's scene file with scenes of secondsText seconds each; writes
// nothing when that gives no whole frame.
void CreateIntervalScenes(const TaviFichier &video, const QString &secondsText, TCommandEngine &ce);
