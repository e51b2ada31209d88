// The two text lines of the date overlay for one frame: the templates with "%D1",
// "%D2" (the datecode plus the time difference, in the two date formats) and "%T"
// (the timecode) filled in, empty where the frame has no such code. Pure; any thread.
#pragma once

#include "media/dv_scenedetect.h"
#include "media/incrustrec.h"

#include <QString>

struct TOverlayLines {
    QString line1;
    QString line2;
};

TOverlayLines OverlayLines(const TincrustRec &settings, const TFrameInfo &info);
