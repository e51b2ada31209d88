#include "support/avifixtures.h"

namespace testsupport {

namespace {

constexpr uint32_t kNtscScale = 1001;
constexpr uint32_t kNtscRate = 30000;
constexpr uint32_t kAudioRate = 48000;
constexpr int kStandInFrameSize = 120;  // stands for a 120000-byte NTSC frame
constexpr int kSuperIndexEntries = 32;  // writers reserve a fixed table

QByteArray Zeros(int count)
{
    return QByteArray(count, '\0');
}

// Frame chunks of a movi list, each one recognisable by its first byte.
void AddFrames(RiffBuilder &b, const DvAviOptions &options, int firstFrame)
{
    for (int i = 0; i < options.frames; ++i) {
        b.Chunk(options.type == 1 ? "00__" : "00dc", QByteArray(kStandInFrameSize, static_cast<char>(firstFrame + i)));
        if (options.type == 2)
            b.Chunk("01wb", QByteArray(1602 * 4, '\x11'));
    }
}

}  // namespace

QByteArray AviMainHeader(uint32_t streams, uint32_t frames)
{
    QByteArray h = Zeros(56);
    PutLE32(h, 0, 33367);       // microseconds per frame
    PutLE32(h, 4, 3600000);     // max bytes per second
    PutLE32(h, 12, 0x10);       // AVIF_HASINDEX
    PutLE32(h, 16, frames);
    PutLE32(h, 24, streams);
    PutLE32(h, 28, 120000);     // suggested buffer size
    PutLE32(h, 32, 720);
    PutLE32(h, 36, 480);
    return h;
}

QByteArray AviStreamHeader(const char *type, const char *handler, uint32_t scale, uint32_t rate, uint32_t length)
{
    QByteArray h = Zeros(56);
    h.replace(0, 4, FourBytes(type));
    h.replace(4, 4, FourBytes(handler));
    PutLE32(h, 20, scale);
    PutLE32(h, 24, rate);
    PutLE32(h, 32, length);
    return h;
}

QByteArray AviBitmapFormat(const char *compression, int32_t width, int32_t height)
{
    QByteArray f = Zeros(40);
    PutLE32(f, 0, 40);
    PutLE32(f, 4, static_cast<uint32_t>(width));
    PutLE32(f, 8, static_cast<uint32_t>(height));
    f.replace(12, 2, LE16(1));
    f.replace(14, 2, LE16(24));
    f.replace(16, 4, FourBytes(compression));
    PutLE32(f, 20, 120000);
    return f;
}

QByteArray AviWaveFormat(uint16_t channels, uint32_t samplesPerSecond, uint16_t bits)
{
    const auto blockAlign = static_cast<uint16_t>(channels * bits / 8);
    return LE16(1) + LE16(channels) + LE32(samplesPerSecond) + LE32(samplesPerSecond * blockAlign)
         + LE16(blockAlign) + LE16(bits) + LE16(0);
}

QByteArray AviDvInfoFormat()
{
    QByteArray f = Zeros(32);
    PutLE32(f, 16, 0xFF80FF3F);  // video source word of a 525/60 camcorder
    return f;
}

QByteArray AviSuperIndex(const char *chunkId, int entries)
{
    QByteArray i = Zeros(24 + 16 * entries);
    i.replace(0, 2, LE16(4));    // longs per entry
    PutLE32(i, 4, static_cast<uint32_t>(entries));
    i.replace(8, 4, FourBytes(chunkId));
    return i;
}

DvAvi BuildDvAvi(const DvAviOptions &options)
{
    DvAvi avi;
    RiffBuilder b;
    const bool openDml = options.avixChunks > 0;
    const auto frames = static_cast<uint32_t>(options.frames);
    const char *handler = options.handler.c_str();

    auto streamList = [&](const QByteArray &header, const QByteArray &format, const char *indexId) {
        b.List("strl");
        avi.streamHeaderData.push_back(b.Size() + 8);
        b.Chunk("strh", header);
        avi.streamFormatData.push_back(b.Size() + 8);
        b.Chunk("strf", format);
        if (openDml)
            b.Chunk("indx", AviSuperIndex(indexId, kSuperIndexEntries));
        b.End();
    };

    b.Riff("AVI ").List("hdrl").Chunk("avih", AviMainHeader(options.type == 1 ? 1 : 2, frames));
    if (options.type == 1) {
        streamList(AviStreamHeader("iavs", handler, kNtscScale, kNtscRate, frames), AviDvInfoFormat(), "00__");
    } else {
        streamList(AviStreamHeader("vids", handler, kNtscScale, kNtscRate, frames),
                   AviBitmapFormat(handler, 720, 480), "00dc");
        streamList(AviStreamHeader("auds", "", 1, kAudioRate, frames * 1602), AviWaveFormat(2, kAudioRate, 16), "01wb");
    }
    if (openDml) {
        QByteArray dmlh = Zeros(248);
        PutLE32(dmlh, 0, frames * static_cast<uint32_t>(1 + options.avixChunks));
        b.List("odml").Chunk("dmlh", dmlh).End();
    }
    b.End();
    b.Chunk("JUNK", Zeros(20));

    b.List("movi");
    avi.moviPositions.push_back(b.Size());
    AddFrames(b, options, 0);
    b.End();
    QByteArray index;
    for (int i = 0; i < options.frames; ++i)
        index += FourBytes(options.type == 1 ? "00__" : "00dc") + LE32(0x10) + LE32(0) + LE32(kStandInFrameSize);
    avi.idx1Data = b.Size() + 8;
    b.Chunk("idx1", index);
    b.End();

    for (int chunk = 1; chunk <= options.avixChunks; ++chunk) {
        b.Riff("AVIX").List("movi");
        avi.moviPositions.push_back(b.Size());
        AddFrames(b, options, chunk * options.frames);
        b.End().End();
    }
    avi.bytes = b.Bytes();
    return avi;
}

}  // namespace testsupport
