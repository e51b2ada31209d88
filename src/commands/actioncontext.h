// What the command table's handlers need of the program around them: the
// preferences, the main window's pending time difference, the player that may hold
// a file, the scene editor, the list and the RIFF report. The application
// controller fills it once and it lives as long as the table. Unless said
// otherwise a callback runs on the user-interface thread (handlers on the worker
// get there through the engine's Synchronize); an empty callback means the program
// has no such part (headless runs, tests).
#pragma once

#include "prefs/settings.h"
#include "scenes/scenelist.h"

#include <QString>

#include <functional>

class TCdm;

struct TActionContext {
    // The program's conversion graph, which the graph commands build and run on the
    // worker; null when there is none (their builds then fail). Its GraphEnded must
    // reach the engine's SignalGraphEnd.
    TCdm *cdm = nullptr;

    // A copy of the preferences as they stand. Any thread: handlers read it when
    // they run, conditions also on the worker.
    std::function<TPreferences()> preferences;

    // "Add a time difference": the main window's pending time difference, which its
    // end-of-file handler then stores in the item (days).
    std::function<void(double days)> setPendingTimeDifference;

    // Stops the player and lets go of the file when it is the one loaded, so that its
    // header or dates can be changed.
    std::function<void(const QString &path)> releaseFile;

    // The scene editor's list, unsaved changes included, when the editor is open on
    // the video, else null. The editor remembers its selected entry and opens the
    // player's play range to the whole video until restoreSceneEditor is called.
    // The list is then read and its scenes filled on the worker while the editor
    // stays unchanged.
    std::function<TSceneList *(const QString &videoPath)> sceneEditorList;
    std::function<void()> restoreSceneEditor;

    // Fills a scene's datecode, timecode, position texts and picture from the player.
    // Worker thread: it drives the player, which nothing else moves meanwhile.
    std::function<void(TSceneClass &scene)> loadSceneInfo;

    // Opens the RIFF structure report of the file.
    std::function<void(const QString &path)> openRiffReport;

    // Empties the file list.
    std::function<void()> emptyList;
};
