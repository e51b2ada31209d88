// Tdv_WaveDest: turns a stream of uncompressed sound into the bytes of a WAV file.
// It passes the sound on unchanged, with each sample's times set to the byte range
// it takes in the file, so the File writer after it puts the data right after the
// header's place; at every stop of streaming, also after an abort, it writes the
// header with the data size reached, through the writer's FileStream, so the file
// is always a valid WAV file.
//
// One instance lives for the program's run. Transform and Receive run on the
// streaming thread, StartStreaming and StopStreaming on it too, one at a time.
#pragma once

#include "media/transformfilter.h"

#include <QByteArray>

#include <cstdint>

class Tdv_WaveDest final : public TBCTransformFilter {
public:
    Tdv_WaveDest();

    static constexpr const char *kGraphName = "dv_WaveDest";
    // "RIFF" size "WAVE" "fmt " size, then the format block, then "data" size.
    static constexpr uint32_t kHeaderOverhead = 28;

    uint32_t DataSize() const { return dataSize_; }
    uint32_t HeaderSize() const { return headerSize_; }

    // The header for a format block and a data size, as written at the stop.
    static QByteArray BuildHeader(const QByteArray &formatBlock, uint32_t dataSize);

protected:
    bool CheckInputType(const MediaType &type) const override;
    std::optional<MediaType> GetMediaType(int position) const override;
    StreamResult Transform(const MediaSample &input, MediaSample &output) override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;
    StreamResult StartStreaming() override;
    StreamResult StopStreaming(bool stoppedEarly) override;

private:
    uint32_t dataSize_ = 0;
    uint32_t headerSize_ = kHeaderOverhead;
};
