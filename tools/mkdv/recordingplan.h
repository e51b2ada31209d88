// What the sample generator is asked to make: the file's format and the list of
// recordings and gaps, in order, parsed from its command line.
#pragma once

#include "base/datetime.h"
#include "formats/dvcodes.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct PlanStretch {
    bool hasDatecode = true;   // false for a gap: frames that carry no datecode
    TDateTime start = 0;       // datecode of the first frame
    TTimecodeRec timecode;     // timecode of the first frame; gaps go on counting
    bool timecodeGiven = true;
    int frames = 0;
};

enum class PlanAudio { None, Pcm48k16, Pcm32k12 };

struct RecordingPlan {
    int type = 2;
    bool iavs = false;  // type 2 with its DV frames in an 'iavs' stream beside the 'auds' one
    bool ntsc = false;
    bool wide = false;
    PlanAudio audio = PlanAudio::Pcm48k16;
    QString output;
    std::vector<PlanStretch> stretches;
    int64_t riffLimit = 0;  // 0: the writer's default
};

// Parses the arguments (without the program name); an error text on failure.
std::optional<QString> ParsePlan(const QStringList &args, RecordingPlan &plan);
QString PlanUsage();
