// The scene list of a video: entries in increasing BeginFrame order, numbered
// 1, 2, 3 ..., each a caption and the scene it shows. The holder of the list owns
// the scenes; the list is used by one thread at a time.
#pragma once

#include "scenes/sceneclass.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct TSceneEntry {
    QString Caption;
    std::unique_ptr<TSceneClass> Scene;
};

using TSceneList = std::vector<TSceneEntry>;

// "Scene 3: Arrival" for the third scene titled Arrival.
QString SceneCaption(const TSceneClass &scene);

// Fills the list from the scene file of the video. A damaged file gives the
// scenes read before the damage and then the entry "1: Error in the scn file";
// a video without a scene file gets one scene of its frameCount frames.
void LoadScenes(const QString &videoPath, int32_t frameCount, TSceneList &list, const SceneContext &context = {});

// Writes the list to the scene file of the video, replacing it. The first entry
// is stored as starting at frame 0. False when the file could not be written.
bool SaveScenes(const QString &videoPath, const TSceneList &list);
