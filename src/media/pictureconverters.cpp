#include "media/pictureconverters.h"

#include "media/colorconverter.h"
#include "media/dvdecoder.h"
#include "media/videodecoder.h"
#include "media/videofourccs.h"

std::unique_ptr<Filter> MakePictureConverter(const MediaType &type)
{
    const bool video = type.majorType == MajorType::Video;
    if ((video || type.majorType == MajorType::Interleaved) && type.subtype == kSubtypeDvsd)
        return std::make_unique<DvDecoder>();
    if (!video || type.subtype == kSubtypeRgb24)
        return nullptr;
    if (ColorConverter::Converts(type.subtype))
        return std::make_unique<ColorConverter>();
    if (VideoCodecForFourCC(type.subtype))
        return std::make_unique<VideoDecoder>();
    return nullptr;
}
