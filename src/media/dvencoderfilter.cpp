#include "media/dvencoderfilter.h"

#include "formats/dvlayout.h"
#include "media/dvsegmentmap.h"
#include "media/mediaformats.h"

#include <algorithm>
#include <utility>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace {

constexpr int kDvWidth = 720;

// The input's picture size, when the type is 24-bit RGB of a sane size.
std::optional<BitmapInfoHeader> Rgb24Header(const MediaType &type)
{
    if (type.majorType != MajorType::Video || type.subtype != kSubtypeRgb24 || type.formatType != FormatType::VideoInfo)
        return std::nullopt;
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(type.FormatBytes());
    if (!header || header->bmiHeader.bitCount != 24 || header->bmiHeader.width <= 0 || header->bmiHeader.height <= 0
        || header->bmiHeader.width > 8192 || header->bmiHeader.height > 8192)
        return std::nullopt;
    return header->bmiHeader;
}

}  // namespace

DvEncoderFilter::DvEncoderFilter() : TBCTransformFilter(QString::fromLatin1(kFriendlyName)) {}

DvEncoderFilter::~DvEncoderFilter()
{
    StopWorker();
    Close();
}

bool DvEncoderFilter::CheckInputType(const MediaType &type) const
{
    return Rgb24Header(type).has_value();
}

std::optional<MediaType> DvEncoderFilter::GetMediaType(int position) const
{
    if (position != 0)
        return std::nullopt;
    const bool ntsc = format_ == DvVideoFormat::Ntsc;
    VideoInfoHeader header;
    header.avgTimePerFrame = ntsc ? kFrameTime525 : kFrameTime625;
    header.bitRate = 25'000'000;
    header.bmiHeader.width = kDvWidth;
    header.bmiHeader.height = ntsc ? 480 : 576;
    header.bmiHeader.bitCount = 24;
    header.bmiHeader.compression = kSubtypeDvsd;
    header.bmiHeader.sizeImage = static_cast<uint32_t>(ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
    header.source = {0, 0, header.bmiHeader.width, header.bmiHeader.height};
    header.target = header.source;
    return MakeVideoType(kSubtypeDvsd, header);
}

void DvEncoderFilter::Close()
{
    av_frame_free(&picture_);
}

StreamResult DvEncoderFilter::StartStreaming()
{
    StopWorker();
    Close();
    const std::optional<BitmapInfoHeader> input = Rgb24Header(Input().ConnectionMediaType());
    if (!input)
        return StreamResult::Error(QStringLiteral("The DV video encoder does not know the type of its input."));
    inputWidth_ = input->width;
    inputHeight_ = input->height;
    frames_ = 0;
    if (auto error = encoder_.Open(format_ == DvVideoFormat::Ntsc))
        return StreamResult::Error(*error);
    picture_ = av_frame_alloc();
    if (!picture_)
        return StreamResult::Error(QStringLiteral("Out of memory while opening the DV video encoder."));
    picture_->format = encoder_.PixelFormat();
    picture_->width = encoder_.Width();
    picture_->height = encoder_.Height();
    if (av_frame_get_buffer(picture_, 0) < 0) {
        Close();
        return StreamResult::Error(QStringLiteral("Out of memory while opening the DV video encoder."));
    }
    StartWorker();
    return StreamResult::Ok();
}

StreamResult DvEncoderFilter::StopStreaming(bool)
{
    StopWorker();
    Close();
    return StreamResult::Ok();
}

void DvEncoderFilter::StartWorker()
{
    queued_ = nullptr;
    finished_ = nullptr;
    quit_ = false;
    worker_ = std::thread([this] { WorkerLoop(); });
}

void DvEncoderFilter::StopWorker()
{
    if (!worker_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
    queued_ = nullptr;
    finished_ = nullptr;
}

void DvEncoderFilter::WorkerLoop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || queued_; });
        if (!queued_)
            return;  // a job in hand is finished before quitting
        Job *job = queued_;
        lock.unlock();
        job->result = Transform(job->input, job->output);
        lock.lock();
        queued_ = nullptr;
        finished_ = job;
        changed_.notify_all();
    }
}

DvEncoderFilter::Job *DvEncoderFilter::FinishJob()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !queued_; });
    return std::exchange(finished_, nullptr);
}

StreamResult DvEncoderFilter::DeliverFinished()
{
    Job *job = FinishJob();
    if (!job)
        return StreamResult::Ok();
    if (!job->result.IsOk())
        return job->result;
    return Output().Deliver(job->output);
}

StreamResult DvEncoderFilter::Receive(InputPin &, MediaSample &sample)
{
    Job *done = FinishJob();
    if (done && !done->result.IsOk())
        return done->result;
    if (!sample.Source()) {
        // Filters after this one may read the state of the graph's other filters for
        // the frame they get (the header filter restores from the datecode detector's
        // copy), so a frame that does not name its source leaves at once.
        if (done)
            if (StreamResult result = Output().Deliver(done->output); !result.IsOk())
                return result;
        return TBCTransformFilter::Receive(Input(), sample);
    }
    Job &job = jobs_[nextJob_];
    nextJob_ = 1 - nextJob_;
    job.input.CopyFrom(sample);
    job.output.ResetProperties();
    job.output.Reserve(encoder_.FrameSize());
    job.output.CopyPropertiesFrom(sample);
    // The input's type change says nothing about the output's type.
    job.output.SetMediaTypeChange(std::nullopt);
    job.output.SetActualLength(encoder_.FrameSize());
    {
        std::lock_guard lock(mutex_);
        queued_ = &job;
    }
    changed_.notify_all();
    // Frame n - 1 goes downstream while the worker encodes frame n.
    return done ? Output().Deliver(done->output) : StreamResult::Ok();
}

StreamResult DvEncoderFilter::EndOfStream(InputPin &pin)
{
    if (StreamResult result = DeliverFinished(); !result.IsOk())
        return result;
    return TBCTransformFilter::EndOfStream(pin);
}

void DvEncoderFilter::Flush()
{
    FinishJob();
}

StreamResult DvEncoderFilter::Transform(const MediaSample &input, MediaSample &output)
{
    if (!picture_)
        return StreamResult::Error(QStringLiteral("The DV video encoder is not open."));
    if (!output.SetActualLength(encoder_.FrameSize()))
        return StreamResult::Error(QStringLiteral("The DV frame buffer is too small."));
    // A picture that is still mostly its source frame's decoding keeps that frame's
    // untouched segments: faster, and no loss where nothing was drawn.
    DvSegmentUpdate update;
    const std::optional<PictureSource> &origin = input.Source();
    const bool sameFrame = origin && origin->frame && origin->frame->size() == encoder_.FrameSize()
                        && inputWidth_ == encoder_.Width() && inputHeight_ == encoder_.Height();
    const DvSegmentMap *map = sameFrame ? DvSegmentMap::Of(format_ == DvVideoFormat::Ntsc) : nullptr;
    // The frame made names its source; a changed part other than the whole picture
    // says that all the source's other blocks are in it.
    output.SetSource(origin && origin->frame
                         ? std::optional(PictureSource{origin->frame, map ? origin->changed : PictureSource::WholePicture()})
                         : std::nullopt);
    if (map && origin->changed.isEmpty()) {
        std::copy(origin->frame->begin(), origin->frame->end(), output.Data().begin());
        ++frames_;
        output.SetSyncPoint(true);
        return StreamResult::Ok();
    }
    if (map) {
        std::fill(segments_.begin(), segments_.end(), 0);
        map->Select(origin->changed, segments_);
        update.frame = *origin->frame;
        update.segments = &segments_;
    }
    const ByteSpan data = input.Data();
    // The bytes are only read: libswscale takes its sources through non-const pointers.
    const PicturePlanes source = Rgb24BottomUpPlanes(
        MutableByteSpan(const_cast<uint8_t *>(data.data()), data.size()), inputWidth_, inputHeight_);
    if (!source.data[0])
        return StreamResult::Error(QStringLiteral("A picture given to the DV video encoder is too short."));
    if (av_frame_make_writable(picture_) < 0)
        return StreamResult::Error(QStringLiteral("Out of memory in the DV video encoder."));
    PicturePlanes target;
    for (int plane = 0; plane < 4; ++plane) {
        target.data[plane] = picture_->data[plane];
        target.stride[plane] = picture_->linesize[plane];
    }
    if (!scaler_.Scale(source, inputWidth_, inputHeight_, AV_PIX_FMT_BGR24, target, encoder_.Width(),
                       encoder_.Height(), encoder_.PixelFormat()))
        return StreamResult::Error(QStringLiteral("The picture could not be converted for the DV video encoder."));
    picture_->pts = frames_++;
    if (auto error = encoder_.Encode(picture_, output.Data(), update.segments ? &update : nullptr))
        return StreamResult::Error(*error);
    output.SetSyncPoint(true);
    return StreamResult::Ok();
}
