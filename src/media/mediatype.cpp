#include "media/mediatype.h"

bool MediaType::Matches(const MediaType &partial) const
{
    return (partial.majorType == MajorType::Any || partial.majorType == majorType)
        && (partial.subtype == kSubtypeAny || partial.subtype == subtype)
        && (partial.formatType == FormatType::Any || partial.formatType == formatType);
}

MediaType MediaType::Partial(MajorType major)
{
    MediaType type;
    type.majorType = major;
    type.formatType = FormatType::Any;
    return type;
}
