// The player's two renderers: the video window, which presents each 24-bit
// picture on a PlayerVideoOutput at its time, and the sound renderer, which plays
// a PCM stream on a stream of a PlayerSoundOutput at its time. In pause the video
// window holds the picture; the sound renderer holds nothing and drops what comes,
// so that a sound chunk that a file stores before its frame cannot hold the
// graph short of the picture sought. The player owns the video
// window for the whole run; sound renderers are made by the player's graph for
// each sound stream it renders. The output must outlive the renderer. Hooks on
// the graph's threads as for RendererFilter.
#pragma once

#include "media/playeroutputs.h"
#include "media/rendererfilter.h"

#include <QImage>

#include <memory>

class TVideoWindow final : public RendererFilter {
public:
    static constexpr const char *kFriendlyName = "Video Renderer";

    explicit TVideoWindow(PlayerVideoOutput &output);

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult StartStreaming() override;
    StreamResult Render(const MediaSample &sample) override;

private:
    PlayerVideoOutput &output_;
    QImage picture_;  // allocated at the start of streaming, reused for every frame
};

class TSoundRenderer final : public Filter {
public:
    static constexpr const char *kFriendlyName = "Audio Renderer";

    explicit TSoundRenderer(PlayerSoundOutput &output);

    InputPin &Input() const { return input_; }

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult StartStreaming() override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;
    StreamResult StopStreaming(bool stoppedEarly) override;

private:
    InputPin &input_;
    PlayerSoundOutput &output_;
    std::unique_ptr<PlayerSoundStream> stream_;
};
