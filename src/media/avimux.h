// The stock AVI Mux: gathers DV streams into a new AVI file, written through
// AviWriter to the path of the File writer its output is connected to. One 'iavs'
// stream makes a type 1 file; a 'dvsd' video stream with up to two 16-bit PCM sound
// streams makes a type 2 file. Pins: the output "AVI Out" first, then the inputs
// "Input 01" ...; connecting the last input adds a new free one, so the last input
// is always free.
//
// The file is finished at the end of the streams; a run stopped before the end
// finishes it with the frames received, so the destination holds a valid shorter
// file; a write error ends the run with its message and leaves the destination as
// it was. Sound is cut per video frame into chunks that keep it in step with the
// picture; video frames wait (a bounded number) for their sound.
//
// The creator owns the filter. SetInfo on the controlling thread while the graph
// is stopped; LastSampleTime from any thread; the rest on the streaming thread.
#pragma once

#include "formats/aviheaders.h"
#include "media/muxfilter.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class AviWriter;

class AviMux final : public MuxFilter {
public:
    AviMux();
    ~AviMux() override;

    OutputPin &Output() const { return output_; }

    // Adds or replaces a text of the file's LIST INFO list (e.g. "IQNR").
    void SetInfo(FourCC id, const QString &text);
    const std::vector<AviInfoEntry> &Info() const { return info_; }

    // Start time of the last video or interleaved sample received.
    std::optional<MediaTime> LastSampleTime() const override;
    // Frames in the file of the current or last run.
    uint32_t FramesWritten() const { return framesWritten_.load(std::memory_order_relaxed); }

    // Video frames held back waiting for their sound, at most.
    static constexpr size_t kMaxQueuedFrames = 100;

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult StartStreaming() override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;
    StreamResult EndOfStream(InputPin &pin) override;
    StreamResult StopStreaming(bool stoppedEarly) override;

private:
    struct SoundStream {
        InputPin *pin = nullptr;
        uint32_t rate = 0;
        uint16_t channels = 0;
        uint32_t blockAlign = 0;
        std::vector<uint8_t> pending;  // bytes received and not yet written
        uint64_t samplesWritten = 0;
    };

    bool HasConnected(MajorType major) const;
    int ConnectedAudio() const;
    // Samples of a sound stream that belong up to the end of frame `frames`.
    uint64_t SamplesUpToFrame(const SoundStream &sound, uint64_t frames) const;
    uint64_t SamplesOwed(const SoundStream &sound) const;
    StreamResult EnsureWriter(size_t frameSize);
    StreamResult WriteReadyFrames(bool flush);
    StreamResult WriteFrame(ByteSpan frame);
    StreamResult Finish();
    StreamResult Fail(const QString &message);

    OutputPin &output_;
    std::vector<AviInfoEntry> info_;

    // Streaming thread.
    bool type1_ = false;
    InputPin *video_ = nullptr;
    QString target_;
    std::unique_ptr<AviWriter> writer_;
    bool finished_ = false;
    bool ntsc_ = false;
    std::vector<SoundStream> sounds_;
    std::deque<std::vector<uint8_t>> queued_;
    std::vector<std::vector<uint8_t>> spareFrames_;  // buffers of written frames, for reuse

    static constexpr MediaTime kNoTime = INT64_MIN;
    std::atomic<MediaTime> lastStart_{kNoTime};
    std::atomic<uint32_t> framesWritten_{0};
};
