// One scene of a video: a range of frames with its titles, its picture and the
// texts shown for it. A plain value owned by the scene list that holds it; one
// thread at a time may use a scene, any thread may make one.
#pragma once

#include "base/datetime.h"

#include <QImage>
#include <QString>

#include <cstdint>

// What a new scene takes from the video the player shows ("the current video"):
// its frame rate and picture size, and the duration style chosen in the
// preferences. The default is no video open.
struct SceneContext {
    bool videoOpen = false;
    double fps = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
    int durationStyle = 0;  // a DurationStyle value ("Format Durée")
};

// The largest size of the video picture's proportions within a thumbnail.
inline constexpr int kThumbnailMaxWidth = 320;
inline constexpr int kThumbnailMaxHeight = 240;

class TSceneClass {
public:
    // The scene [beginFrame, endFrame). With a video open its thumbnail has the
    // picture's proportions within 320 x 240 and its duration text is set;
    // without one the thumbnail is empty and the duration text too.
    TSceneClass(int32_t beginFrame, int32_t endFrame, const SceneContext &context = {});

    bool InfoLoaded = false;  // the texts and the thumbnail come from the video
    int32_t BeginFrame = 0;
    int32_t EndFrame = 0;     // the frame after the last one
    TDateTime Datecode = 0;   // of the first frame, 0 when it has none
    QString DatecodeText;
    QString TimecodeText;
    QString StartText;
    QString EndText;
    QImage Thumbnail;         // RGB888
    int32_t ThumbOffset = 0;  // frame shown as the picture, from BeginFrame
    QString Title;
    QString Subtitle;
    int32_t Number = 0;       // 1-based position in the list
    QString DurationText;

    // EndFrame - BeginFrame, without overflow for any pair read from a file.
    int64_t FrameCount() const { return static_cast<int64_t>(EndFrame) - BeginFrame; }
};
