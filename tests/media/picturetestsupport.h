// Helpers of the picture filter tests: a source of given samples, a sink that
// keeps what reaches it, a runner for a chain of filters, DV frames made by the
// sample generator, 24-bit pictures read and drawn in the program's layout and
// libav pictures.
#pragma once

#include "media/filtergraph.h"
#include "media/rendererfilter.h"
#include "media/sourcefilter.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct AVFrame;

using Bytes = std::vector<uint8_t>;

// Delivers its samples in order, sample n at n x frameTime with media times (n, n + 1).
class SampleListSource final : public SourceFilter {
public:
    SampleListSource(MediaType type, std::vector<Bytes> samples, MediaTime frameTime = kFrameTime625);

    OutputPin &Output() const { return output_; }
    std::optional<int64_t> GetDuration(TimeFormat format) const override;
    std::optional<int64_t> GetCurrentPosition(TimeFormat format) const override;
    bool SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format) override;

protected:
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult Produce() override;

private:
    OutputPin &output_;
    MediaType type_;
    std::vector<Bytes> samples_;
    MediaTime frameTime_;
    size_t next_ = 0;
};

// Keeps a copy of every sample that reaches it; accepts types matching `accepted`.
// Read after the run.
class KeepingSink final : public RendererFilter {
public:
    explicit KeepingSink(MediaType accepted = MediaType::Partial(MajorType::Any));

    std::vector<Bytes> samples;
    std::vector<std::optional<MediaTimeRange>> mediaTimes;
    std::vector<std::optional<MediaTimeRange>> times;
    std::vector<std::optional<PictureSource>> sources;

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult Render(const MediaSample &sample) override;

private:
    MediaType accepted_;
};

// Connects source -> filters... -> sink in a fresh unclocked graph, runs it to its
// end and stops it. An empty text on success, else what failed. outputTypes receives
// the type of each filter's output connection.
QString RunChain(SampleListSource &source, const std::vector<Filter *> &filters, KeepingSink &sink,
                 std::vector<MediaType> *outputTypes = nullptr);

// Makes `file` with the sample generator (type 2, one recording of `frames` frames,
// no sound) and reads its video frames back. Empty when the generator or the reader fails.
std::vector<Bytes> GeneratedDvFrames(const QString &file, bool ntsc, int frames);
// The chunks of the first video stream of an AVI file, and the stream's format.
std::vector<Bytes> VideoChunks(const QString &file, FourCC *handler = nullptr, Bytes *format = nullptr);

// A 24-bit bottom-up picture of the program's layout.
struct Rgb24Picture {
    int width = 0;
    int height = 0;
    Bytes bytes;

    Rgb24Picture() = default;
    Rgb24Picture(int w, int h);
    Rgb24Picture(int w, int h, Bytes data) : width(w), height(h), bytes(std::move(data)) {}
    // Pixel (x, y) counted from the top: blue, green, red.
    uint8_t *At(int x, int y);
    const uint8_t *At(int x, int y) const;
    void Fill(uint8_t blue, uint8_t green, uint8_t red);
};

// The frame number the sample generator drew into a decoded picture.
int FrameNumberOf(const Rgb24Picture &picture);

// A libav picture of the pixel format and size, with its buffers.
using FramePtr = std::unique_ptr<AVFrame, void (*)(AVFrame *)>;
FramePtr NewPicture(int format, int width, int height);
