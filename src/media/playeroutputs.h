// Where the player's picture and sound go: the video window and the sound device,
// as two small interfaces so that the player also runs without a window (scene
// information and thumbnails). The owner of the player owns the outputs and keeps
// them alive while the player uses them. The player's renderers call Present and
// the streams' Write on the graph's streaming thread; the rest comes from the
// player's (window) thread.
#pragma once

#include "formats/bytes.h"
#include "media/mediaformats.h"
#include "media/referenceclock.h"

#include <QImage>

#include <memory>

class PlayerVideoOutput {
public:
    virtual ~PlayerVideoOutput() = default;
    // A decoded picture is due: Format_BGR888, rows top-down. Valid during the call only.
    virtual void Present(const QImage &picture) = 0;
    // No picture any more (the player was reset).
    virtual void Clear() = 0;
};

// One sound stream being played; the device mixes the streams it has open.
class PlayerSoundStream {
public:
    virtual ~PlayerSoundStream() = default;
    // PCM in the stream's format, due now.
    virtual void Write(ByteSpan pcm) = 0;
};

class PlayerSoundOutput {
public:
    virtual ~PlayerSoundOutput() = default;
    // A stream for PCM of this format, or nullptr when the device cannot play it.
    virtual std::unique_ptr<PlayerSoundStream> OpenStream(const WaveFormatEx &format) = 0;
    // Attenuation in hundredths of a decibel: 0 full volume, -10000 silence.
    virtual void SetVolume(int hundredthsOfDecibel) = 0;
    // The clock the sound plays by, or nullptr when it follows the system clock.
    virtual ReferenceClock *Clock() = 0;
};
