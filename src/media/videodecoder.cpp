#include "media/videodecoder.h"

#include "media/cellconverter.h"
#include "media/combscreen.h"
#include "media/dvsegmentmap.h"
#include "media/mediaformats.h"
#include "media/usedpicturearea.h"
#include "media/videofourccs.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

QString AvErrorText(int code)
{
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

// Pictures larger than this are refused: a damaged header must not size the buffers.
constexpr int kMaxDimension = 8192;

}  // namespace

class VideoDecoder::PinOut final : public PictureOut {
public:
    explicit PinOut(OutputPin &pin) : pin_(pin) {}
    MediaSample &Next(size_t size) override { return pin_.GetDeliveryBuffer(size); }
    StreamResult Ready(MediaSample &picture) override { return pin_.Deliver(picture); }

private:
    OutputPin &pin_;
};

class VideoDecoder::JobOut final : public PictureOut {
public:
    explicit JobOut(DecodeJob &job) : job_(job) {}
    MediaSample &Next(size_t size) override
    {
        if (job_.count == job_.pictures.size())
            job_.pictures.push_back(std::make_unique<MediaSample>());
        MediaSample &picture = *job_.pictures[job_.count];
        picture.ResetProperties();
        picture.Reserve(size);
        picture.SetActualLength(size);
        return picture;
    }
    StreamResult Ready(MediaSample &) override
    {
        ++job_.count;
        return StreamResult::Ok();
    }

private:
    DecodeJob &job_;
};

VideoDecoder::VideoDecoder() : VideoDecoder(QString::fromLatin1(kFriendlyName)) {}

VideoDecoder::VideoDecoder(QString friendlyName)
    : Filter(std::move(friendlyName)), input_(AddInputPin(QStringLiteral("In"))),
      output_(AddOutputPin(QStringLiteral("Out")))
{
}

VideoDecoder::~VideoDecoder()
{
    worker_.Stop();
    Close();
}

std::optional<VideoDecoderSetup> VideoDecoder::SetupFor(const MediaType &type) const
{
    if (type.majorType != MajorType::Video || type.formatType != FormatType::VideoInfo)
        return std::nullopt;
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(type.FormatBytes());
    if (!header)
        return std::nullopt;
    std::optional<int> codec = VideoCodecForFourCC(type.subtype);
    if (!codec)
        codec = VideoCodecForFourCC(header->bmiHeader.compression);
    if (!codec || !avcodec_find_decoder(static_cast<AVCodecID>(*codec)))
        return std::nullopt;
    VideoDecoderSetup setup;
    setup.codecId = *codec;
    setup.width = header->bmiHeader.width;
    setup.height = std::abs(header->bmiHeader.height);
    if (setup.width <= 0 || setup.height <= 0 || setup.width > kMaxDimension || setup.height > kMaxDimension)
        return std::nullopt;
    setup.frameTime = header->avgTimePerFrame;
    if (type.format.size() > static_cast<qsizetype>(VideoInfoHeader::kSize))
        setup.extradata = type.format.mid(static_cast<qsizetype>(VideoInfoHeader::kSize));
    return setup;
}

bool VideoDecoder::AcceptInputType(const InputPin &, const MediaType &type) const
{
    return SetupFor(type).has_value();
}

std::vector<MediaType> VideoDecoder::OutputTypes(const OutputPin &) const
{
    if (!input_.IsConnected())
        return {};
    const std::optional<VideoDecoderSetup> setup = SetupFor(input_.ConnectionMediaType());
    if (!setup)
        return {};
    return {MakeRgb24VideoType(setup->width, setup->height, setup->frameTime)};
}

void VideoDecoder::Close()
{
    avcodec_free_context(&context_);
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    codecExecute_ = nullptr;
    ForgetPending();
}

StreamResult VideoDecoder::StartStreaming()
{
    worker_.Stop();
    Close();
    const std::optional<VideoDecoderSetup> setup = SetupFor(input_.ConnectionMediaType());
    if (!setup)
        return StreamResult::Error(QStringLiteral("The video decoder does not know the type of its input."));
    setup_ = *setup;
    const AVCodec *codec = avcodec_find_decoder(static_cast<AVCodecID>(setup_.codecId));
    if (!codec)
        return StreamResult::Error(QStringLiteral("The video codec is not available in the media libraries."));
    context_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!context_ || !packet_ || !frame_) {
        Close();
        return StreamResult::Error(QStringLiteral("Out of memory while opening the video decoder."));
    }
    context_->width = setup_.width;
    context_->height = setup_.height;
    context_->thread_count = setup_.threads;
    context_->thread_type = setup_.frameThreads ? FF_THREAD_FRAME | FF_THREAD_SLICE : FF_THREAD_SLICE;
    if (!setup_.extradata.isEmpty()) {
        const size_t size = static_cast<size_t>(setup_.extradata.size());
        context_->extradata = static_cast<uint8_t *>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!context_->extradata) {
            Close();
            return StreamResult::Error(QStringLiteral("Out of memory while opening the video decoder."));
        }
        std::memcpy(context_->extradata, setup_.extradata.constData(), size);
        context_->extradata_size = static_cast<int>(size);
    }
    if (const int rc = avcodec_open2(context_, codec, nullptr); rc < 0) {
        Close();
        return StreamResult::Error(QStringLiteral("The video decoder could not be opened: %1").arg(AvErrorText(rc)));
    }
    if (setup_.segments && setup_.usedArea && setup_.keepsSourceFrames) {
        // Opening installs the codec's work dispatcher; ours narrows it to the segments in use.
        context_->opaque = this;
        codecExecute_ = context_->execute;
        context_->execute = ChosenSegments;
    }
    decodingArea_.reset();
    if (decodesAhead_)
        worker_.Start([this](DecodeJob &job) {
            JobOut out(job);
            job.result = Decode(job.packet, out);
        });
    return StreamResult::Ok();
}

StreamResult VideoDecoder::StopStreaming(bool)
{
    worker_.Stop();
    Close();
    return StreamResult::Ok();
}

void VideoDecoder::Flush()
{
    worker_.Finish();
    if (context_)
        avcodec_flush_buffers(context_);
    ForgetPending();
}

void VideoDecoder::PushPending(const MediaSample &sample)
{
    if (pendingCount_ == kMaxPending)
        PopPending();
    pending_[(pendingFirst_ + pendingCount_) % kMaxPending] =
        PendingProperties{sample.Time(), sample.MediaTimes(), sample.IsDiscontinuity(), sample.IsPreroll(),
                          setup_.keepsSourceFrames ? SourceCopy(sample) : nullptr, decodingArea_};
    ++pendingCount_;
}

void VideoDecoder::ForgetPending()
{
    while (pendingCount_ > 0)
        PopPending();
}

void VideoDecoder::ChooseSegments()
{
    decodingArea_.reset();
    if (!codecExecute_)
        return;
    decodingArea_ = setup_.usedArea->Known();
    if (!decodingArea_)
        return;
    chosenSegments_.assign(static_cast<size_t>(setup_.segments->SegmentCount()), 0);
    setup_.segments->Select(*decodingArea_, chosenSegments_);
}

int VideoDecoder::ChosenSegments(AVCodecContext *context, int (*func)(AVCodecContext *, void *), void *items,
                                 int *ret, int count, int size)
{
    auto *self = static_cast<VideoDecoder *>(context->opaque);
    if (!self->decodingArea_ || ret || self->chosenSegments_.size() != static_cast<size_t>(count))
        return self->codecExecute_(context, func, items, ret, count, size);
    return DvSegmentMap::ExecuteChosen(self->codecExecute_, context, func, items, count, size, self->chosenSegments_,
                                       self->chosenItems_);
}

std::shared_ptr<const std::vector<uint8_t>> VideoDecoder::SourceCopy(const MediaSample &sample)
{
    std::shared_ptr<std::vector<uint8_t>> *free = nullptr;
    for (auto &frame : sourceFrames_)
        if (frame.use_count() == 1) {
            free = &frame;
            break;
        }
    if (!free)
        free = &sourceFrames_.emplace_back(std::make_shared<std::vector<uint8_t>>());
    const ByteSpan data = sample.Data();
    (*free)->assign(data.begin(), data.end());
    return *free;
}

std::optional<VideoDecoder::PendingProperties> VideoDecoder::PopPending()
{
    if (pendingCount_ == 0)
        return std::nullopt;
    // Moved out, so the slot no longer holds the source frame.
    PendingProperties properties = std::move(pending_[pendingFirst_]);
    pendingFirst_ = (pendingFirst_ + 1) % kMaxPending;
    --pendingCount_;
    return properties;
}

StreamResult VideoDecoder::Receive(InputPin &, MediaSample &sample)
{
    if (!context_)
        return StreamResult::Error(QStringLiteral("The video decoder is not open."));
    if (!decodesAhead_ || !sample.MediaTimes()) {
        if (StreamResult result = DeliverJob(); !result.IsOk())
            return result;
        PinOut out(output_);
        return Decode(sample, out);
    }
    DecodeJob *done = worker_.Finish();
    DecodeJob &job = jobs_[nextJob_];
    nextJob_ = 1 - nextJob_;
    job.packet.CopyFrom(sample);
    job.count = 0;
    job.result = StreamResult::Ok();
    worker_.Post(job);
    // The pictures of frame n - 1 go downstream while the worker decodes frame n.
    return done ? DeliverPictures(*done) : StreamResult::Ok();
}

StreamResult VideoDecoder::DeliverJob()
{
    DecodeJob *done = worker_.Finish();
    return done ? DeliverPictures(*done) : StreamResult::Ok();
}

StreamResult VideoDecoder::DeliverPictures(DecodeJob &job)
{
    if (!job.result.IsOk())
        return job.result;
    for (size_t i = 0; i < job.count; ++i)
        if (StreamResult result = output_.Deliver(*job.pictures[i]); !result.IsOk())
            return result;
    return StreamResult::Ok();
}

StreamResult VideoDecoder::Decode(const MediaSample &sample, PictureOut &out)
{
    const ByteSpan data = sample.Data();
    if (data.empty())
        return StreamResult::Ok();  // an AVI frame that repeats the previous picture
    packetBytes_.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE);
    std::copy(data.begin(), data.end(), packetBytes_.begin());
    std::fill(packetBytes_.begin() + static_cast<std::ptrdiff_t>(data.size()), packetBytes_.end(), 0);
    packet_->data = packetBytes_.data();
    packet_->size = static_cast<int>(data.size());
    packet_->flags = sample.IsSyncPoint() ? AV_PKT_FLAG_KEY : 0;
    ChooseSegments();
    int rc = avcodec_send_packet(context_, packet_);
    if (rc == AVERROR(EAGAIN)) {
        // The decoder wants its finished pictures taken before it takes more.
        StreamResult result = TakePictures(out);
        if (!result.IsOk())
            return result;
        rc = avcodec_send_packet(context_, packet_);
    }
    packet_->data = nullptr;
    packet_->size = 0;
    // A damaged picture is dropped: one bad frame of a tape must not end a conversion.
    if (rc >= 0)
        PushPending(sample);
    else if (rc != AVERROR_INVALIDDATA)
        return StreamResult::Error(QStringLiteral("Video decoding failed: %1").arg(AvErrorText(rc)));
    return TakePictures(out);
}

StreamResult VideoDecoder::EndOfStream(InputPin &pin)
{
    if (StreamResult result = DeliverJob(); !result.IsOk())
        return result;
    if (context_) {
        avcodec_send_packet(context_, nullptr);
        PinOut out(output_);
        StreamResult result = TakePictures(out);
        if (!result.IsOk())
            return result;
    }
    return Filter::EndOfStream(pin);
}

StreamResult VideoDecoder::TakePictures(PictureOut &out)
{
    for (;;) {
        const int rc = avcodec_receive_frame(context_, frame_);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return StreamResult::Ok();
        if (rc == AVERROR_INVALIDDATA)
            continue;
        if (rc < 0)
            return StreamResult::Error(QStringLiteral("Video decoding failed: %1").arg(AvErrorText(rc)));
        const std::optional<PendingProperties> properties = PopPending();
        MediaSample &output = out.Next(Rgb24ImageSize(setup_.width, setup_.height));
        // A picture decoded only in some segments, or holding combs only in a few rows,
        // is converted only in that part: the encoder takes the rest from the planes.
        const bool segmentsChosen = properties && properties->source && properties->decoded;
        std::optional<QRect> decoded = segmentsChosen ? properties->decoded : std::nullopt;
        bool converted = true;
        const bool fullSize = frame_->width == setup_.width && frame_->height == setup_.height;
        if (setup_.convertsCombRowsOnly && !segmentsChosen && properties && properties->source && fullSize)
            if (const std::optional<RowRange> rows = RowsThatMayComb(*frame_)) {
                // libswscale converts a whole picture in about the time the cell
                // converter takes for a tenth of it: past that the whole is converted.
                constexpr int kMostCombRowsShare = 10;
                if ((rows->end - rows->top) * kMostCombRowsShare <= setup_.height)
                    decoded = QRect(0, rows->top, setup_.width, rows->end - rows->top);
            }
        const bool sampled = setup_.sampledBytes && fullSize
                          && (frame_->format == AV_PIX_FMT_YUV420P || frame_->format == AV_PIX_FMT_YUV411P);
        if (decoded) {
            ConvertAreaToRgb(*frame_, *decoded, output.Data(), setup_.width, setup_.height);
        } else if (sampled) {
            ConvertSampledPixelsToRgb(*frame_, setup_.sampledBytes->step, setup_.sampledBytes->count, output.Data(),
                                      setup_.width, setup_.height);
        } else if (decodesAhead_) {
            // One stage of a pipeline whose other threads keep the processors busy.
            converted = scaler_.Scale(PlanesOf(*frame_), frame_->width, frame_->height, frame_->format,
                                      Rgb24BottomUpPlanes(output.Data(), setup_.width, setup_.height), setup_.width,
                                      setup_.height, AV_PIX_FMT_BGR24);
        } else {
            converted = scaler_.ScaleInSlices(*frame_, Rgb24BottomUpPlanes(output.Data(), setup_.width, setup_.height),
                                              setup_.width, setup_.height, AV_PIX_FMT_BGR24);
        }
        std::shared_ptr<const AVFrame> planes;
        if (properties && properties->source)
            if (AVFrame *kept = av_frame_clone(frame_))
                planes.reset(kept, [](AVFrame *frame) { av_frame_free(&frame); });
        av_frame_unref(frame_);
        if (!converted)
            return StreamResult::Error(QStringLiteral("The decoded picture could not be converted to RGB."));
        if (properties) {
            output.SetTime(properties->time);
            output.SetMediaTimes(properties->mediaTimes);
            output.SetDiscontinuity(properties->discontinuity);
            output.SetPreroll(properties->preroll);
            if (properties->source)
                output.SetSource(PictureSource{properties->source, QRect(),
                                               decoded.value_or(PictureSource::WholePicture()), std::move(planes),
                                               !segmentsChosen});
        }
        output.SetSyncPoint(true);
        StreamResult result = out.Ready(output);
        if (!result.IsOk())
            return result;
    }
}
