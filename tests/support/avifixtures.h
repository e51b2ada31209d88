// Small synthetic DV AVI files for tests: the header chunks a DV camcorder file
// carries, stand-in frame chunks, and where the interesting fields landed.
// The frame chunks hold no real DV; these fixtures are for the RIFF layer.
#pragma once

#include "support/riffbuilder.h"

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The 56-byte "avih" of an NTSC DV file with the given number of streams.
QByteArray AviMainHeader(uint32_t streams, uint32_t frames);
// A 56-byte "strh": type, handler, scale and rate at 20..27, length at 32.
QByteArray AviStreamHeader(const char *type, const char *handler, uint32_t scale, uint32_t rate, uint32_t length);
// A 40-byte bitmap header "strf" with its compression code at 16..19.
QByteArray AviBitmapFormat(const char *compression, int32_t width, int32_t height);
// An 18-byte wave format "strf" (PCM).
QByteArray AviWaveFormat(uint16_t channels, uint32_t samplesPerSecond, uint16_t bits);
// The 32-byte DV information block of an "iavs" stream.
QByteArray AviDvInfoFormat();
// An OpenDML super index "indx" with room for that many 16-byte entries.
QByteArray AviSuperIndex(const char *chunkId, int entries);

struct DvAviOptions {
    int type = 2;                  // 1: one "iavs" stream; 2: "vids" and "auds"
    std::string handler = "dvsd";  // handler of the video stream, and compression of a "vids" format
    int frames = 3;
    int avixChunks = 0;            // more than 0: OpenDML, with "indx", "odml"/"dmlh" and that many AVIX chunks
};

struct DvAvi {
    QByteArray bytes;
    std::vector<qsizetype> streamHeaderData;  // data position of each "strh"
    std::vector<qsizetype> streamFormatData;  // data position of each "strf"
    std::vector<qsizetype> moviPositions;     // just after the list type of each "movi"
    qsizetype idx1Data = 0;
};

DvAvi BuildDvAvi(const DvAviOptions &options);

}  // namespace testsupport
