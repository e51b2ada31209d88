// The SubRip subtitle file of a video, made of the overlay's two text lines as the
// datecode detector reports them: each subtitle runs from the frame its text
// appeared at to the frame it changed or went away. Fed by the detector's subtitle
// callback on the streaming thread; one thread uses a writer.
#pragma once

#include "scenes/writefile.h"

#include <QString>

#include <cstdint>

// "hh:mm:ss,zzz" of the frame at the frame rate (frames per second); the hours
// are not reduced to a day.
QString SrtTime(int64_t frame, double fps);

// The video path with its extension replaced by ".srt".
QString SrtFilePath(const QString &videoPath);

class TWriteSrt : public TwriteFile {
public:
    // fps: the frame rate of the video, for the subtitle times.
    TWriteSrt(const QString &videoPath, double fps);

    // The text from this frame on. Ends the subtitle in progress at the frame; both
    // lines empty start no new one. At the end of the stream the detector calls it
    // with the frame count and empty lines; a run abandoned earlier writes nothing
    // for the subtitle in progress.
    void OnSubtitle(int32_t frame, const QString &line1, const QString &line2);

    int32_t Count() const { return count_; }

private:
    double fps_;
    int32_t startFrame_ = 0;
    int32_t count_ = 0;
    bool pending_ = false;
    QString line1_;
    QString line2_;
};
