// The file helpers of picturetestsupport.h, apart: the AVI reader's DV information
// block and the media layer's share a name, so they never meet in one file.
#include "picturetestsupport.h"

#include "formats/avireader.h"
#include "support/testsupport.h"

std::vector<Bytes> GeneratedDvFrames(const QString &file, bool ntsc, int frames)
{
    const auto made = testsupport::Run(testsupport::OurProgram(QStringLiteral("morvik-mkdv")),
                                       {"--type", "2", "--system", ntsc ? "ntsc" : "pal", "--audio", "none", "--out",
                                        file, "--recording", QStringLiteral("2004-07-14 15:30:12,00:00:00:00,%1").arg(frames)});
    if (made.exitCode != 0)
        return {};
    return VideoChunks(file);
}

std::vector<Bytes> VideoChunks(const QString &file, FourCC *handler, Bytes *format)
{
    AviOpenResult opened = AviReader::Open(file);
    if (!opened.reader)
        return {};
    const int stream = opened.reader->FindStream(MakeFourCC("vids"));
    if (stream < 0)
        return {};
    const AviStream &info = opened.reader->Streams()[static_cast<size_t>(stream)];
    if (handler)
        *handler = info.header.handler;
    if (format)
        *format = info.format;
    std::vector<Bytes> result;
    for (size_t n = 0; n < opened.reader->ChunkCount(stream); ++n) {
        Bytes chunk(opened.reader->ChunkSize(stream, n).value_or(0));
        if (!opened.reader->ReadChunk(stream, n, chunk).ok)
            return {};
        result.push_back(std::move(chunk));
    }
    return result;
}
