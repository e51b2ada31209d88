// The media-information reader of the file list: opens a file in a small graph
// (file source, AVI splitter, DV splitter, null renderer and one datecode scene
// detector kept for the life of the program) and reads the format and duration of
// every stream and the datecode, timecode and aspect of the first DV frame.
//
// One reader serves the whole program (DmList()); its graph, detector and
// MediaInfo() are shared, so every caller holds MediaInfoLock() across
// ReadMediaInfo and the reading of MediaInfo(). Any thread, under that lock.
#pragma once

#include "base/datetime.h"
#include "formats/dvcodes.h"
#include "media/mediaformats.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

class OutputPin;

struct TMediaInfo {
    bool videoFound = false;
    VideoInfoHeader videoFormat;
    bool audioFound = false;
    WaveFormatEx audioFormat;
    bool interleavedFound = false;
    DvInfo dvInfo;
    int64_t videoDuration = 0;  // 100-ns units
    int64_t audioDuration = 0;
    int outputCount = 0;  // output pins of the AVI splitter
    bool dvSeen = false;  // a stream went through the scene detector
    // The first DV frame's values; meaningful only when dvSeen.
    bool datecodeValid = false;
    TDateTime datecode = 0;
    bool timecodeValid = false;
    TTimecodeRec timecode;
    bool wide = false;
};

class TdmList {
public:
    TdmList();
    ~TdmList();
    TdmList(const TdmList &) = delete;
    TdmList &operator=(const TdmList &) = delete;

    // Fills MediaInfo(); true when the file could be opened in the graph and every
    // interleaved stream could be split. Never writes into the file.
    bool ReadMediaInfo(const QString &fileName);
    // Attaches the file source to the graph and loads the file.
    bool LoadSource(const QString &fileName);
    // Overwritten by every read.
    const TMediaInfo &MediaInfo() const { return mediaInfo_; }

private:
    struct Graph;
    bool SplitInterleaved(OutputPin &output, int64_t duration);
    std::unique_ptr<Graph> graph_;
    TMediaInfo mediaInfo_;
};

// The program's one reader, made on first use.
TdmList &DmList();
// Serialises every use of DmList() and of its MediaInfo().
std::mutex &MediaInfoLock();
