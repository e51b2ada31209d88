// The binary scene file ".scn" beside a video: its writer, which appends one
// scene at a time and leaves a complete file after each, and its reader, a
// parser over the file's bytes that stops at the first field running past the
// end. A writer belongs to the one thread that writes with it; the reader
// functions may run on any thread.
#pragma once

#include "formats/bytes.h"
#include "scenes/sceneclass.h"
#include "scenes/scenelist.h"

#include <QFile>
#include <QString>

#include <cstdint>

// Scene files are small; larger ones are refused rather than read into memory.
inline constexpr qint64 kMaxScnFileBytes = 64 * 1024 * 1024;

// A string field holds at most this many UTF-16 characters; longer texts are cut.
inline constexpr int kMaxScnStringChars = 254;

// The video path with its extension replaced by ".scn" ("/v/a.avi" → "/v/a.scn").
QString ScnFilePath(const QString &videoPath);

class TwriteScene {
public:
    // Replaces the scene file of the video with one holding no scene yet.
    explicit TwriteScene(const QString &videoPath);
    TwriteScene(const TwriteScene &) = delete;
    TwriteScene &operator=(const TwriteScene &) = delete;

    // Appends the scene's record, then counts it; a scene past the 65535th is
    // not written. The first scene is stored as starting at frame 0.
    void WriteScene(const TSceneClass &scene);

    // False once the file could not be created or a write failed.
    bool ok() const { return ok_; }

private:
    // Writes the bytes at the offset; false (and ok() false) when they were not all written.
    bool WriteAt(qint64 offset, const QByteArray &bytes);

    QFile file_;
    QString videoPath_;
    qint64 countOffset_ = 0;
    qint64 offset_ = 0;  // where the next record goes
    int count_ = 0;
    bool ok_ = false;
};

// Clears the list and appends one entry per scene record of the bytes, numbered
// from 1. True when every record was read; false when a field runs past the end,
// the entries appended before it staying in the list.
bool ParseScnFile(ByteSpan bytes, TSceneList &list, const SceneContext &context = {});

// ParseScnFile over the file's content; false, with the list empty, when the
// file cannot be read or is larger than kMaxScnFileBytes.
bool ReadScnFile(const QString &scnPath, TSceneList &list, const SceneContext &context = {});
