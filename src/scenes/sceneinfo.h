// The information a scene takes from the video: the player is moved to the
// scene and what its datecode detector and overlay filter hold for the frame
// shown become the scene's datecode, texts and thumbnail.
//
// Drives the player directly, on the player's thread; nothing else may move the
// player meanwhile. The player shows the scene's video.
#pragma once

class TSceneClass;
class Tviewdm;

// Fills Datecode (when the first frame has one), DatecodeText, TimecodeText,
// StartText, EndText and Thumbnail (the frame BeginFrame + ThumbOffset, with its
// inlay, deinterlaced, at the picture's proportions within 320 x 240), and sets
// InfoLoaded.
void LoadSceneInfo(Tviewdm &player, TSceneClass &scene);
