#include "picturetestsupport.h"

#include "framecode.h"
#include "media/picturescaler.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

SampleListSource::SampleListSource(MediaType type, std::vector<Bytes> samples, MediaTime frameTime)
    : SourceFilter(QStringLiteral("Sample list")), output_(AddOutputPin(QStringLiteral("Out"))),
      type_(std::move(type)), samples_(std::move(samples)), frameTime_(frameTime)
{
}

std::optional<int64_t> SampleListSource::GetDuration(TimeFormat) const
{
    return static_cast<int64_t>(samples_.size()) * frameTime_;
}

std::optional<int64_t> SampleListSource::GetCurrentPosition(TimeFormat) const
{
    return static_cast<int64_t>(next_) * frameTime_;
}

bool SampleListSource::SetPositions(std::optional<int64_t> current, std::optional<int64_t>, TimeFormat)
{
    if (current)
        next_ = static_cast<size_t>(*current / frameTime_);
    return true;
}

std::vector<MediaType> SampleListSource::OutputTypes(const OutputPin &) const
{
    return {type_};
}

StreamResult SampleListSource::Produce()
{
    if (next_ >= samples_.size())
        return StreamResult::End();
    const Bytes &data = samples_[next_];
    MediaSample &sample = output_.GetDeliveryBuffer(data.size());
    std::copy(data.begin(), data.end(), sample.Data().begin());
    const auto n = static_cast<int64_t>(next_);
    sample.SetTime(MediaTimeRange{n * frameTime_, (n + 1) * frameTime_});
    sample.SetMediaTimes(MediaTimeRange{n, n + 1});
    sample.SetSyncPoint(true);
    ++next_;
    return output_.Deliver(sample);
}

KeepingSink::KeepingSink(MediaType accepted) : RendererFilter(QStringLiteral("Keeping sink")), accepted_(std::move(accepted)) {}

bool KeepingSink::CheckInputType(const MediaType &type) const
{
    return type.Matches(accepted_);
}

StreamResult KeepingSink::Render(const MediaSample &sample)
{
    samples.emplace_back(sample.Data().begin(), sample.Data().end());
    mediaTimes.push_back(sample.MediaTimes());
    times.push_back(sample.Time());
    sources.push_back(sample.Source());
    return StreamResult::Ok();
}

QString RunChain(SampleListSource &source, const std::vector<Filter *> &filters, KeepingSink &sink,
                 std::vector<MediaType> *outputTypes)
{
    FilterGraph graph;
    graph.SetSyncSource(nullptr);
    graph.AddFilter(source);
    for (Filter *filter : filters)
        graph.AddFilter(*filter);
    graph.AddFilter(sink);
    OutputPin *output = &source.Output();
    for (Filter *filter : filters) {
        if (!graph.Connect(*output, *filter->InputPins().front()))
            return QStringLiteral("%1 refuses its input").arg(filter->FriendlyName());
        output = filter->OutputPins().front();
    }
    if (!graph.Connect(*output, sink.Input()))
        return QStringLiteral("the sink refuses the last output");
    if (outputTypes) {
        outputTypes->clear();
        for (Filter *filter : filters)
            outputTypes->push_back(filter->OutputPins().front()->ConnectionMediaType());
    }
    if (!graph.Run())
        return QStringLiteral("the graph does not run");
    const auto completion = graph.WaitForCompletion(60000);
    graph.Stop();
    if (!completion)
        return QStringLiteral("the run does not end");
    if (completion->result != GraphCompletion::Result::Complete)
        return QStringLiteral("the run failed: %1").arg(completion->message);
    return {};
}

Rgb24Picture::Rgb24Picture(int w, int h) : width(w), height(h), bytes(Rgb24ImageSize(w, h)) {}

uint8_t *Rgb24Picture::At(int x, int y)
{
    return bytes.data() + Rgb24RowBytes(width) * static_cast<size_t>(height - 1 - y) + static_cast<size_t>(x) * 3;
}

const uint8_t *Rgb24Picture::At(int x, int y) const
{
    return const_cast<Rgb24Picture *>(this)->At(x, y);
}

void Rgb24Picture::Fill(uint8_t blue, uint8_t green, uint8_t red)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t *p = At(x, y);
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
}

int FrameNumberOf(const Rgb24Picture &picture)
{
    // Studio-range luma of BT.601, the range the generator wrote its cells in.
    Bytes luma(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t *p = picture.At(x, y);
            luma[static_cast<size_t>(y * picture.width + x)] =
                static_cast<uint8_t>(16 + (66 * p[2] + 129 * p[1] + 25 * p[0] + 128) / 256);
        }
    return framecode::Read(luma.data(), picture.width);
}

FramePtr NewPicture(int format, int width, int height)
{
    FramePtr frame(av_frame_alloc(), [](AVFrame *f) { av_frame_free(&f); });
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}
