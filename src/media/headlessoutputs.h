// The player's outputs without a window: a video output that keeps the last
// picture presented, and a sound output that takes every stream and discards it,
// so that a clocked graph consumes the sound on the system clock. The picture is
// written on the streaming thread and read from any thread, under a lock.
#pragma once

#include "media/playeroutputs.h"

#include <QImage>

#include <cstdint>
#include <mutex>

class HeadlessVideoOutput final : public PlayerVideoOutput {
public:
    void Present(const QImage &picture) override;
    void Clear() override;

    // A copy of the last picture presented; null before any or after Clear.
    QImage LastPicture() const;
    int64_t PresentedCount() const;

private:
    mutable std::mutex mutex_;
    QImage last_;
    int64_t presented_ = 0;
};

class HeadlessSoundOutput final : public PlayerSoundOutput {
public:
    std::unique_ptr<PlayerSoundStream> OpenStream(const WaveFormatEx &format) override;
    void SetVolume(int hundredthsOfDecibel) override { volume_ = hundredthsOfDecibel; }
    ReferenceClock *Clock() override { return nullptr; }

    int Volume() const { return volume_; }

private:
    int volume_ = 0;
};
