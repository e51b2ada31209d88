// Builds RIFF byte images for tests: chunks and lists with their sizes filled
// in, odd chunks padded; Raw() lets a test write lying sizes on purpose.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace riff {

QByteArray U32(uint32_t value);
QByteArray Chunk(const char *id, const QByteArray &data);
// A chunk whose declared size is given, whatever the data.
QByteArray ChunkWithSize(const char *id, uint32_t declaredSize, const QByteArray &data);
QByteArray List(const char *id, const char *type, const QByteArray &body);

// A 56-byte stream header of this type and handler with scale and rate.
QByteArray StreamHeader(const char *type, const char *handler, uint32_t scale = 1, uint32_t rate = 25);
// A 40-byte bitmap header with this compression.
QByteArray BitmapHeader(const char *compression, int32_t width = 720, int32_t height = 576);

// A small AVI: one "AVI " RIFF with avih, the given stream lists, a movi list of
// frameCount chunks of 16 bytes and an idx1.
QByteArray Avi(const QByteArray &streamLists, int frameCount = 3);
QByteArray Type1StreamList();
QByteArray Type2StreamLists(const char *handler = "dvsd", const char *compression = "dvsd");

}  // namespace riff
