#include "media/videofourccs.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <array>
#include <cctype>

namespace {

struct FourCCCodec {
    const char *code;  // upper case
    AVCodecID codec;
};

constexpr std::array kFourCCCodecs = {
    FourCCCodec{"DVSD", AV_CODEC_ID_DVVIDEO}, FourCCCodec{"DV25", AV_CODEC_ID_DVVIDEO},
    FourCCCodec{"DVSL", AV_CODEC_ID_DVVIDEO}, FourCCCodec{"DVHD", AV_CODEC_ID_DVVIDEO},
    FourCCCodec{"DV50", AV_CODEC_ID_DVVIDEO}, FourCCCodec{"CDVC", AV_CODEC_ID_DVVIDEO},
    FourCCCodec{"CDVH", AV_CODEC_ID_DVVIDEO}, FourCCCodec{"DVCS", AV_CODEC_ID_DVVIDEO},
    FourCCCodec{"DVC ", AV_CODEC_ID_DVVIDEO}, FourCCCodec{"DVCP", AV_CODEC_ID_DVVIDEO},
    FourCCCodec{"DVPP", AV_CODEC_ID_DVVIDEO}, FourCCCodec{"DVH1", AV_CODEC_ID_DVVIDEO},
    FourCCCodec{"FMP4", AV_CODEC_ID_MPEG4},   FourCCCodec{"DIVX", AV_CODEC_ID_MPEG4},
    FourCCCodec{"DX50", AV_CODEC_ID_MPEG4},   FourCCCodec{"XVID", AV_CODEC_ID_MPEG4},
    FourCCCodec{"MP4S", AV_CODEC_ID_MPEG4},   FourCCCodec{"M4S2", AV_CODEC_ID_MPEG4},
    FourCCCodec{"MP4V", AV_CODEC_ID_MPEG4},   FourCCCodec{"3IV2", AV_CODEC_ID_MPEG4},
    FourCCCodec{"DIV3", AV_CODEC_ID_MSMPEG4V3}, FourCCCodec{"MP43", AV_CODEC_ID_MSMPEG4V3},
    FourCCCodec{"MPG3", AV_CODEC_ID_MSMPEG4V3}, FourCCCodec{"DIV4", AV_CODEC_ID_MSMPEG4V3},
    FourCCCodec{"DIV5", AV_CODEC_ID_MSMPEG4V3}, FourCCCodec{"AP41", AV_CODEC_ID_MSMPEG4V3},
    FourCCCodec{"MP42", AV_CODEC_ID_MSMPEG4V2}, FourCCCodec{"DIV2", AV_CODEC_ID_MSMPEG4V2},
    FourCCCodec{"MPG4", AV_CODEC_ID_MSMPEG4V1}, FourCCCodec{"MP41", AV_CODEC_ID_MSMPEG4V1},
    FourCCCodec{"H264", AV_CODEC_ID_H264},    FourCCCodec{"X264", AV_CODEC_ID_H264},
    FourCCCodec{"AVC1", AV_CODEC_ID_H264},    FourCCCodec{"DAVC", AV_CODEC_ID_H264},
    FourCCCodec{"HEVC", AV_CODEC_ID_HEVC},    FourCCCodec{"H265", AV_CODEC_ID_HEVC},
    FourCCCodec{"H263", AV_CODEC_ID_H263},    FourCCCodec{"U263", AV_CODEC_ID_H263},
    FourCCCodec{"MJPG", AV_CODEC_ID_MJPEG},   FourCCCodec{"AVRN", AV_CODEC_ID_MJPEG},
    FourCCCodec{"JPEG", AV_CODEC_ID_MJPEG},   FourCCCodec{"DMB1", AV_CODEC_ID_MJPEG},
    FourCCCodec{"MPG1", AV_CODEC_ID_MPEG1VIDEO}, FourCCCodec{"PIM1", AV_CODEC_ID_MPEG1VIDEO},
    FourCCCodec{"MPG2", AV_CODEC_ID_MPEG2VIDEO}, FourCCCodec{"MPEG", AV_CODEC_ID_MPEG2VIDEO},
    FourCCCodec{"MMES", AV_CODEC_ID_MPEG2VIDEO}, FourCCCodec{"MX5P", AV_CODEC_ID_MPEG2VIDEO},
    FourCCCodec{"WMV1", AV_CODEC_ID_WMV1},    FourCCCodec{"WMV2", AV_CODEC_ID_WMV2},
    FourCCCodec{"WMV3", AV_CODEC_ID_WMV3},    FourCCCodec{"WVC1", AV_CODEC_ID_VC1},
    FourCCCodec{"WMVA", AV_CODEC_ID_VC1},     FourCCCodec{"HFYU", AV_CODEC_ID_HUFFYUV},
    FourCCCodec{"FFVH", AV_CODEC_ID_FFVHUFF}, FourCCCodec{"FFV1", AV_CODEC_ID_FFV1},
    FourCCCodec{"CVID", AV_CODEC_ID_CINEPAK}, FourCCCodec{"MSVC", AV_CODEC_ID_MSVIDEO1},
    FourCCCodec{"CRAM", AV_CODEC_ID_MSVIDEO1}, FourCCCodec{"IV31", AV_CODEC_ID_INDEO3},
    FourCCCodec{"IV32", AV_CODEC_ID_INDEO3},  FourCCCodec{"IV41", AV_CODEC_ID_INDEO4},
    FourCCCodec{"IV50", AV_CODEC_ID_INDEO5},  FourCCCodec{"VP80", AV_CODEC_ID_VP8},
    FourCCCodec{"VP62", AV_CODEC_ID_VP6},     FourCCCodec{"VP6F", AV_CODEC_ID_VP6F},
    FourCCCodec{"VP31", AV_CODEC_ID_VP3},     FourCCCodec{"ZMBV", AV_CODEC_ID_ZMBV},
    FourCCCodec{"TSCC", AV_CODEC_ID_TSCC},    FourCCCodec{"LAGS", AV_CODEC_ID_LAGARITH},
    FourCCCodec{"ULRG", AV_CODEC_ID_UTVIDEO}, FourCCCodec{"ULY0", AV_CODEC_ID_UTVIDEO},
    FourCCCodec{"ULY2", AV_CODEC_ID_UTVIDEO}, FourCCCodec{"MAGY", AV_CODEC_ID_MAGICYUV},
    FourCCCodec{"FPS1", AV_CODEC_ID_FRAPS},   FourCCCodec{"SNOW", AV_CODEC_ID_SNOW},
};

FourCC UpperCase(FourCC code)
{
    FourCC upper = 0;
    for (int shift = 0; shift < 32; shift += 8)
        upper |= static_cast<FourCC>(std::toupper(static_cast<int>(code >> shift & 0xFF))) << shift;
    return upper;
}

}  // namespace

std::optional<int> VideoCodecForFourCC(FourCC code)
{
    const FourCC upper = UpperCase(code);
    for (const FourCCCodec &entry : kFourCCCodecs)
        if (MakeFourCC(entry.code) == upper)
            return entry.codec;
    return std::nullopt;
}
