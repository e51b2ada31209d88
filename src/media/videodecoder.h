// A video decoder filter on libavcodec: compressed pictures in on "In", decoded
// pictures out on "Out" as 24-bit blue-green-red rows, bottom-up, padded to 4
// bytes (subtype RGB24). This class decodes every codec that the AVI
// four-character code of its input names (the player's general graph,
// recompression); the DV decoder narrows it to DV. Decoders that hold pictures
// back (frame threads, reordering) give them out in input order with the times
// of the input samples in that order, and hand the rest over at the end of the
// stream. The owner creates and destroys it; hooks on the graph's threads as for
// Filter. The codec is opened at the start of each run and closed at its stop.
#pragma once

#include "media/filter.h"
#include "base/jobworker.h"
#include "media/dvsegmentmap.h"
#include "media/picturescaler.h"

#include <QByteArray>
#include <QRect>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class UsedPictureArea;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

// The bytes step x i (i < count) of each 24-bit picture: all that the graph reads
// of its pictures.
struct SampledPictureBytes {
    size_t step = 1;
    size_t count = 0;
};

// How to decode an input type: the codec, the picture size given out, the frame time
// and what the codec needs besides the samples.
struct VideoDecoderSetup {
    int codecId = 0;  // AVCodecID
    int width = 0;
    int height = 0;
    MediaTime frameTime = 0;
    QByteArray extradata;       // the bytes after the bitmap header of the format block
    bool frameThreads = true;   // false: slice threads only, so no picture is held back
    int threads = 0;            // 0: as many as libavcodec chooses
    bool keepsSourceFrames = false;  // each picture carries its compressed frame (PictureSource)
    // With source frames: the codec's work items are these segments, and the pictures
    // are used only under this area once it is known, so only its segments are decoded.
    const DvSegmentMap *segments = nullptr;
    const UsedPictureArea *usedArea = nullptr;
    // When set, only the pixels under these bytes are converted, where the codec's
    // pixel format allows; the other bytes are undefined.
    std::optional<SampledPictureBytes> sampledBytes;
    // With source frames: the pictures are read only to deinterlace them, so when the
    // rows where a comb may lie are few, only they are converted, where the codec's
    // pixel format allows (PictureSource::decoded).
    bool convertsCombRowsOnly = false;
};

class VideoDecoder : public Filter {
public:
    static constexpr const char *kFriendlyName = "Video decoder";

    VideoDecoder();
    ~VideoDecoder() override;

    InputPin &Input() const { return input_; }
    OutputPin &Output() const { return output_; }

    // Decodes frame n on a worker thread of its own while the streaming thread delivers
    // frame n - 1 and goes on; for graphs whose later filters find what they need of a
    // frame by the frame itself (its media times, its picture source), not in the
    // state of the filters before the decoder. Samples without media times are decoded
    // at once. Off until set; set while the graph is stopped.
    void SetDecodesAhead(bool ahead) { decodesAhead_ = ahead; }

protected:
    explicit VideoDecoder(QString friendlyName);

    bool DecodesAhead() const { return decodesAhead_; }
    // The decoding of an input type, or nullopt when the filter refuses it.
    virtual std::optional<VideoDecoderSetup> SetupFor(const MediaType &type) const;

    StreamResult StartStreaming() override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;
    StreamResult EndOfStream(InputPin &pin) override;
    StreamResult StopStreaming(bool stoppedEarly) override;
    void Flush() override;

private:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const final;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const final;

    // What an input sample said of its picture, kept until the picture comes out.
    struct PendingProperties {
        std::optional<MediaTimeRange> time;
        std::optional<MediaTimeRange> mediaTimes;
        bool discontinuity = false;
        bool preroll = false;
        std::shared_ptr<const std::vector<uint8_t>> source;
        std::optional<QRect> decoded;  // the area decoded, when not the whole picture
    };
    static constexpr size_t kMaxPending = 64;  // more than any decoder holds back

    // Where decoded pictures go: straight downstream, or into a job of the worker.
    class PictureOut {
    public:
        virtual ~PictureOut() = default;
        virtual MediaSample &Next(size_t size) = 0;
        virtual StreamResult Ready(MediaSample &picture) = 0;
    };
    class PinOut;
    // A sample decoded on the worker and the pictures it gave.
    struct DecodeJob {
        MediaSample packet;
        std::vector<std::unique_ptr<MediaSample>> pictures;
        size_t count = 0;
        StreamResult result = StreamResult::Ok();
    };
    class JobOut;

    void Close();
    StreamResult Decode(const MediaSample &sample, PictureOut &out);
    // Hands out every picture the decoder has ready.
    StreamResult TakePictures(PictureOut &out);
    // Waits for the worker's job, if any, and delivers its pictures.
    StreamResult DeliverJob();
    StreamResult DeliverPictures(DecodeJob &job);
    void PushPending(const MediaSample &sample);
    std::optional<PendingProperties> PopPending();
    void ForgetPending();
    // Chooses the segments the next packet is decoded for.
    void ChooseSegments();
    // The codec's work dispatcher narrowed to the chosen segments.
    static int ChosenSegments(AVCodecContext *context, int (*func)(AVCodecContext *, void *), void *items, int *ret,
                              int count, int size);
    // A copy of the sample's bytes in a buffer no picture holds any more.
    std::shared_ptr<const std::vector<uint8_t>> SourceCopy(const MediaSample &sample);

    InputPin &input_;
    OutputPin &output_;
    VideoDecoderSetup setup_;
    AVCodecContext *context_ = nullptr;
    AVPacket *packet_ = nullptr;
    AVFrame *frame_ = nullptr;
    PictureScaler scaler_{ScalerQuality::Fast};
    std::vector<uint8_t> packetBytes_;  // the sample with libavcodec's zeroed padding
    // The codec's own work dispatcher, while ours narrows it.
    DvSegmentMap::Execute codecExecute_ = nullptr;
    std::optional<QRect> decodingArea_;  // of the packet being decoded; none: the whole picture
    std::vector<uint8_t> chosenSegments_;  // of the packet being decoded
    std::vector<char> chosenItems_;
    std::array<PendingProperties, kMaxPending> pending_;
    size_t pendingFirst_ = 0;
    size_t pendingCount_ = 0;
    std::vector<std::shared_ptr<std::vector<uint8_t>>> sourceFrames_;
    bool decodesAhead_ = false;
    DecodeJob jobs_[2];
    int nextJob_ = 0;
    JobWorker<DecodeJob> worker_;
};
