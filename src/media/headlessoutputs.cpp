#include "media/headlessoutputs.h"

#include <algorithm>

void HeadlessVideoOutput::Present(const QImage &picture)
{
    std::lock_guard lock(mutex_);
    // The renderer reuses its picture: keep a copy of our own.
    if (last_.size() != picture.size() || last_.format() != picture.format())
        last_ = picture.copy();
    else
        for (int y = 0; y < picture.height(); ++y)
            std::copy_n(picture.constScanLine(y), picture.bytesPerLine(), last_.scanLine(y));
    ++presented_;
}

void HeadlessVideoOutput::Clear()
{
    std::lock_guard lock(mutex_);
    last_ = QImage();
}

QImage HeadlessVideoOutput::LastPicture() const
{
    std::lock_guard lock(mutex_);
    return last_.copy();
}

int64_t HeadlessVideoOutput::PresentedCount() const
{
    std::lock_guard lock(mutex_);
    return presented_;
}

namespace {

class DiscardedStream final : public PlayerSoundStream {
public:
    void Write(ByteSpan) override {}
};

}  // namespace

std::unique_ptr<PlayerSoundStream> HeadlessSoundOutput::OpenStream(const WaveFormatEx &format)
{
    if (format.formatTag != 1 || format.channels == 0 || format.samplesPerSec == 0)
        return nullptr;
    return std::make_unique<DiscardedStream>();
}
