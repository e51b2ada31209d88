// The plain-text export of a video's scenes, "<video>_scn.txt" beside it: a comment
// header, one line per scene, a comment footer written when the writer goes away.
// One thread uses a writer.
#pragma once

#include "scenes/sceneclass.h"
#include "scenes/writefile.h"

#include <QString>

#include <cstdint>

// The video path with its extension replaced by "_scn.txt".
QString ScnTextFilePath(const QString &videoPath);

class TWriteScn_text : public TwriteFile {
public:
    // Writes the header.
    explicit TWriteScn_text(const QString &videoPath);
    // Writes the footer, with the present time.
    ~TWriteScn_text() override;

    // One line, numbered by the writer from 1, not by the scene's Number.
    void WriteScene(const TSceneClass &scene);

private:
    uint16_t counter_ = 0;
};
