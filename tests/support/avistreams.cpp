#include "support/avistreams.h"

#include "formats/avireader.h"

namespace testsupport {

QByteArray StreamContent(const QString &avi, FourCC type)
{
    const AviOpenResult opened = AviReader::Open(avi);
    if (!opened.reader)
        return {};
    const int stream = opened.reader->FindStream(type);
    if (stream < 0)
        return {};
    QByteArray bytes;
    for (size_t n = 0; n < opened.reader->ChunkCount(stream); ++n) {
        QByteArray chunk(*opened.reader->ChunkSize(stream, n), Qt::Uninitialized);
        const auto read = opened.reader->ReadChunk(
            stream, n, MutableByteSpan(reinterpret_cast<uint8_t *>(chunk.data()), static_cast<size_t>(chunk.size())));
        if (!read.ok)
            return {};
        bytes += chunk;
    }
    return bytes;
}

}  // namespace testsupport
