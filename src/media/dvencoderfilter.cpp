#include "media/dvencoderfilter.h"

#include "formats/dvlayout.h"
#include "media/cellconverter.h"
#include "media/dvsegmentmap.h"
#include "media/mediaformats.h"

#include <algorithm>

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

// A picture with its buffer, or nullptr when out of memory.
AVFrame *NewPicture(int format, int width, int height)
{
    AVFrame *picture = av_frame_alloc();
    if (!picture)
        return nullptr;
    picture->format = format;
    picture->width = width;
    picture->height = height;
    if (av_frame_get_buffer(picture, 0) < 0)
        av_frame_free(&picture);
    return picture;
}

}  // namespace

DvEncoderFilter::DvEncoderFilter()
    : Filter(QString::fromLatin1(kFriendlyName)), input_(AddInputPin(QStringLiteral("In"))),
      output_(AddOutputPin(QStringLiteral("Out")))
{
}

DvEncoderFilter::~DvEncoderFilter()
{
    StopLanes();
    Close();
}

void DvEncoderFilter::StopLanes()
{
    for (Lane &lane : lanes_)
        lane.worker.Stop();
}

bool DvEncoderFilter::AcceptInputType(const InputPin &, const MediaType &type) const
{
    return Rgb24Header(type).has_value();
}

std::vector<MediaType> DvEncoderFilter::OutputTypes(const OutputPin &) const
{
    if (!input_.IsConnected())
        return {};
    const bool ntsc = format_ == DvVideoFormat::Ntsc;
    VideoInfoHeader header;
    header.avgTimePerFrame = ntsc ? kFrameTime525 : kFrameTime625;
    if (keepsFrameTime_)
        if (const auto input = ParseVideoInfoHeader(input_.ConnectionMediaType().FormatBytes()))
            header.avgTimePerFrame = input->avgTimePerFrame;
    header.bitRate = 25'000'000;
    header.bmiHeader.width = kDvWidth;
    header.bmiHeader.height = ntsc ? 480 : 576;
    header.bmiHeader.bitCount = 24;
    header.bmiHeader.compression = kSubtypeDvsd;
    header.bmiHeader.sizeImage = static_cast<uint32_t>(ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
    header.source = {0, 0, header.bmiHeader.width, header.bmiHeader.height};
    header.target = header.source;
    return {MakeVideoType(kSubtypeDvsd, header)};
}

void DvEncoderFilter::Close()
{
    for (Job &job : jobs_) {
        av_frame_free(&job.picture);
        av_frame_free(&job.patched);
        job.keep.reset();
        job.scaleFrom.reset();
    }
}

StreamResult DvEncoderFilter::StartStreaming()
{
    StopLanes();
    Close();
    const std::optional<BitmapInfoHeader> input = Rgb24Header(Input().ConnectionMediaType());
    if (!input)
        return StreamResult::Error(QStringLiteral("The DV video encoder does not know the type of its input."));
    inputWidth_ = input->width;
    inputHeight_ = input->height;
    frames_ = 0;
    const bool ntsc = format_ == DvVideoFormat::Ntsc;
    if (auto error = encoder_.Open(ntsc))
        return StreamResult::Error(*error);
    // Two frames at once keep the processors busy; the codec's own threads would
    // only wait on each other.
    for (Lane &lane : lanes_)
        if (auto error = lane.encoder.Open(ntsc, 1))
            return StreamResult::Error(*error);
    for (Job &job : jobs_) {
        job.picture = NewPicture(encoder_.PixelFormat(), encoder_.Width(), encoder_.Height());
        if (!job.picture) {
            Close();
            return StreamResult::Error(QStringLiteral("Out of memory while opening the DV video encoder."));
        }
    }
    nextJob_ = 0;
    for (Lane &lane : lanes_)
        lane.worker.Start([&lane](Job &job) { Encode(job, lane.encoder, lane.planeScaler); });
    return StreamResult::Ok();
}

StreamResult DvEncoderFilter::StopStreaming(bool)
{
    StopLanes();
    Close();
    return StreamResult::Ok();
}

StreamResult DvEncoderFilter::DeliverFinished(int lane)
{
    Job *job = lanes_[lane].worker.Finish();
    if (!job)
        return StreamResult::Ok();
    if (!job->result.IsOk())
        return job->result;
    return Output().Deliver(job->output);
}

StreamResult DvEncoderFilter::Receive(InputPin &, MediaSample &sample)
{
    const int lane = nextJob_;
    Job &job = jobs_[lane];
    if (StreamResult prepared = Prepare(sample, job); !prepared.IsOk())
        return prepared;
    nextJob_ = 1 - nextJob_;
    if (!sample.Source()) {
        // Filters after this one may read the state of the graph's other filters for
        // the frame they get (the header filter restores from the datecode detector's
        // copy), so a frame that does not name its source leaves at once.
        if (StreamResult result = DeliverFinished(1 - lane); !result.IsOk())
            return result;
        Encode(job, encoder_, planeScaler_);
        return job.result.IsOk() ? Output().Deliver(job.output) : job.result;
    }
    lanes_[lane].worker.Post(job);
    // Frame n - 1 goes downstream while this lane encodes frame n.
    return DeliverFinished(1 - lane);
}

StreamResult DvEncoderFilter::EndOfStream(InputPin &pin)
{
    // Only the frame handed over last can be in hand: the one before left with it.
    if (StreamResult result = DeliverFinished(1 - nextJob_); !result.IsOk())
        return result;
    return Filter::EndOfStream(pin);
}

void DvEncoderFilter::Flush()
{
    for (Lane &lane : lanes_)
        lane.worker.Finish();
}

StreamResult DvEncoderFilter::Prepare(const MediaSample &input, Job &job)
{
    if (!job.picture)
        return StreamResult::Error(QStringLiteral("The DV video encoder is not open."));
    MediaSample &output = job.output;
    output.ResetProperties();
    output.Reserve(encoder_.FrameSize());
    output.CopyPropertiesFrom(input);
    // The input's type change says nothing about the output's type.
    output.SetMediaTypeChange(std::nullopt);
    output.SetSyncPoint(true);
    output.SetActualLength(encoder_.FrameSize());
    job.encode = true;
    job.keep.reset();
    job.scaleFrom.reset();
    job.result = StreamResult::Ok();

    // A picture that is still mostly its source frame's decoding keeps that frame's
    // untouched segments: faster, and no loss where nothing was drawn.
    const std::optional<PictureSource> &origin = input.Source();
    const bool sameFrame = origin && origin->frame && origin->frame->size() == encoder_.FrameSize()
                        && inputWidth_ == encoder_.Width() && inputHeight_ == encoder_.Height();
    const DvSegmentMap *map = sameFrame ? DvSegmentMap::Of(format_ == DvVideoFormat::Ntsc) : nullptr;
    // A picture decoded in part holds the picture only there.
    const auto decodedOnlyInPart = [] {
        return StreamResult::Error(QStringLiteral("The DV video encoder was given a picture decoded only in part."));
    };
    if (map && !origin->changed.isEmpty() && !origin->decoded.contains(origin->changed))
        return decodedOnlyInPart();
    // The frame made names its source; a changed part other than the whole picture
    // says that all the source's other blocks are in it.
    output.SetSource(origin && origin->frame
                         ? std::optional(PictureSource{origin->frame, map ? origin->changed : PictureSource::WholePicture()})
                         : std::nullopt);
    ++frames_;
    if (map && origin->changed.isEmpty()) {
        std::copy(origin->frame->begin(), origin->frame->end(), output.Data().begin());
        job.encode = false;
        return StreamResult::Ok();
    }
    if (av_frame_make_writable(job.picture) < 0)
        return StreamResult::Error(QStringLiteral("Out of memory in the DV video encoder."));
    job.picture->pts = frames_ - 1;
    const ByteSpan data = input.Data();
    if (data.size() < Rgb24ImageSize(inputWidth_, inputHeight_))
        return StreamResult::Error(QStringLiteral("A picture given to the DV video encoder is too short."));
    if (map) {
        job.segments.assign(static_cast<size_t>(map->SegmentCount()), 0);
        map->Select(origin->changed, job.segments);
        job.keep = origin->frame;
        // The cells the change missed come from the decoder's own picture when it is
        // given: no colour conversion there, either way.
        const AVFrame *planes = origin->planes.get();
        if (planes && (planes->format != job.picture->format || planes->width != job.picture->width
                       || planes->height != job.picture->height))
            planes = nullptr;
        map->ForEachCell(job.segments, [&](int x, int y) {
            if (planes && !origin->changed.intersects(QRect(x, y, DvSegmentMap::kCell, DvSegmentMap::kCell)))
                CopyCell(*planes, x, y, *job.picture);
            else
                ConvertCellToYuv(data, inputWidth_, inputHeight_, x, y, *job.picture);
        });
        return StreamResult::Ok();
    }
    if (origin && ScalesFromPlanes(*origin, data, job))
        return StreamResult::Ok();
    if (origin && !origin->decoded.contains(QRect(0, 0, inputWidth_, inputHeight_)))
        return decodedOnlyInPart();
    // The bytes are only read: libswscale takes its sources through non-const pointers.
    const PicturePlanes source = Rgb24BottomUpPlanes(
        MutableByteSpan(const_cast<uint8_t *>(data.data()), data.size()), inputWidth_, inputHeight_);
    if (!scaler_.Scale(source, inputWidth_, inputHeight_, AV_PIX_FMT_BGR24, PlanesOf(*job.picture), encoder_.Width(),
                       encoder_.Height(), encoder_.PixelFormat()))
        return StreamResult::Error(QStringLiteral("The picture could not be converted for the DV video encoder."));
    return StreamResult::Ok();
}

bool DvEncoderFilter::ScalesFromPlanes(const PictureSource &origin, ByteSpan rgb, Job &job)
{
    const QRect picture(0, 0, inputWidth_, inputHeight_);
    const AVFrame *planes = origin.planes.get();
    if (!planes || planes->width != inputWidth_ || planes->height != inputHeight_
        || !(origin.planesWhole || origin.decoded.contains(picture)))
        return false;
    const QRect changed = origin.changed.intersected(picture);
    if (changed.isEmpty()) {
        job.scaleFrom = origin.planes;
        return true;
    }
    constexpr int kCell = DvSegmentMap::kCell;
    const bool cellsConvertible = (planes->format == AV_PIX_FMT_YUV420P || planes->format == AV_PIX_FMT_YUV411P)
                               && inputWidth_ % kCell == 0 && inputHeight_ % kCell == 0;
    // The whole cells under the change, which are converted back from RGB.
    const QRect cells(QPoint(changed.left() / kCell * kCell, changed.top() / kCell * kCell),
                      QPoint(changed.right() / kCell * kCell + kCell - 1, changed.bottom() / kCell * kCell + kCell - 1));
    if (!cellsConvertible || !origin.decoded.contains(cells))
        return false;
    // Cell by cell, the conversion costs several times what libswscale takes for the
    // whole picture: past this share the RGB picture is scaled instead, when there is one.
    constexpr int kMostCellsShare = 8;
    const int64_t allCells = int64_t{inputWidth_ / kCell} * (inputHeight_ / kCell);
    const int64_t changedCells = int64_t{cells.width() / kCell} * (cells.height() / kCell);
    if (changedCells * kMostCellsShare > allCells && origin.decoded.contains(picture))
        return false;
    if (!job.patched || job.patched->format != planes->format || job.patched->width != planes->width
        || job.patched->height != planes->height) {
        av_frame_free(&job.patched);
        job.patched = NewPicture(planes->format, planes->width, planes->height);
        if (!job.patched)
            return false;
    }
    if (av_frame_copy(job.patched, planes) < 0)
        return false;
    for (int y = cells.top(); y <= cells.bottom(); y += kCell)
        for (int x = cells.left(); x <= cells.right(); x += kCell)
            ConvertCellToYuv(rgb, inputWidth_, inputHeight_, x, y, *job.patched);
    // The job owns the copy: the pointer holds no share of it.
    job.scaleFrom = std::shared_ptr<const AVFrame>(std::shared_ptr<const AVFrame>(), job.patched);
    return true;
}

void DvEncoderFilter::Encode(Job &job, DvVideoEncoder &encoder, PictureScaler &planeScaler)
{
    if (!job.encode)
        return;
    if (job.scaleFrom && !planeScaler.ScaleInSlices(*job.scaleFrom, *job.picture)) {
        job.result = StreamResult::Error(QStringLiteral("The picture could not be converted for the DV video encoder."));
        return;
    }
    const DvSegmentUpdate update{job.keep ? ByteSpan(*job.keep) : ByteSpan(), &job.segments};
    if (auto error = encoder.Encode(job.picture, job.output.Data(), job.keep ? &update : nullptr))
        job.result = StreamResult::Error(*error);
}
