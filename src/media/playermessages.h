// The player's failure codes, the stage a build had reached or why the picture
// is missing, and the message the video area shows for each in the tagged rich
// text of its label. Pure functions; any thread.
#pragma once

#include <QString>

enum TPlayerFailure : int {
    kFailureNone = 0,
    kFailureSource = 1,         // the file could not be loaded
    kFailureDecoder = 2,        // the DV decoder refused the stream
    kFailureOnlyAudio = 3,      // no picture, sound plays
    kFailureAvi = 4,            // the AVI splitter refused the file
    kFailureDv = 5,             // no DV stream reached the detector
    kFailureCodecAudio = 6,     // the picture cannot be decoded, sound plays
    kFailureCodecUnknown = 7,   // the picture cannot be decoded, sound of an unknown kind
    kFailureCodecNoAudio = 8,   // the picture cannot be decoded, no sound
    kFailureCommand = 9,        // the file is lent to a command
};

// The message of a code for the file's name and codec; for an unknown code the
// message asking the user to report the fault.
QString PlayerFailureMessage(int code, const QString &fileName, const QString &codec);
