#include "support/riffbuilder.h"

#include <cstring>

namespace riff {

QByteArray U32(uint32_t value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

QByteArray ChunkWithSize(const char *id, uint32_t declaredSize, const QByteArray &data)
{
    QByteArray bytes = QByteArray(id, 4) + U32(declaredSize) + data;
    if (data.size() % 2)
        bytes += '\0';
    return bytes;
}

QByteArray Chunk(const char *id, const QByteArray &data)
{
    return ChunkWithSize(id, static_cast<uint32_t>(data.size()), data);
}

QByteArray List(const char *id, const char *type, const QByteArray &body)
{
    return Chunk(id, QByteArray(type, 4) + body);
}

QByteArray StreamHeader(const char *type, const char *handler, uint32_t scale, uint32_t rate)
{
    QByteArray header(56, '\0');
    std::memcpy(header.data(), type, 4);
    std::memcpy(header.data() + 4, handler, 4);
    header.replace(20, 4, U32(scale));
    header.replace(24, 4, U32(rate));
    return header;
}

QByteArray BitmapHeader(const char *compression, int32_t width, int32_t height)
{
    QByteArray header(40, '\0');
    header.replace(0, 4, U32(40));
    header.replace(4, 4, U32(static_cast<uint32_t>(width)));
    header.replace(8, 4, U32(static_cast<uint32_t>(height)));
    std::memcpy(header.data() + 16, compression, 4);
    return header;
}

QByteArray Avi(const QByteArray &streamLists, int frameCount)
{
    QByteArray movi, index;
    uint32_t offset = 4;
    for (int i = 0; i < frameCount; ++i) {
        movi += Chunk("00dc", QByteArray(16, static_cast<char>(i)));
        index += QByteArray("00dc", 4) + U32(0x10) + U32(offset) + U32(16);
        offset += 24;
    }
    const QByteArray hdrl = List("LIST", "hdrl", Chunk("avih", QByteArray(56, '\1')) + streamLists);
    return List("RIFF", "AVI ", hdrl + List("LIST", "movi", movi) + Chunk("idx1", index));
}

QByteArray Type1StreamList()
{
    return List("LIST", "strl", Chunk("strh", StreamHeader("iavs", "dvsd")) + Chunk("strf", QByteArray(32, '\2')));
}

QByteArray Type2StreamLists(const char *handler, const char *compression)
{
    return List("LIST", "strl", Chunk("strh", StreamHeader("vids", handler)) + Chunk("strf", BitmapHeader(compression)))
         + List("LIST", "strl", Chunk("strh", StreamHeader("auds", QByteArray(4, '\0').constData()))
                                    + Chunk("strf", QByteArray(18, '\3')));
}

}  // namespace riff
