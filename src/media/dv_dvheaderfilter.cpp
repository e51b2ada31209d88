#include "media/dv_dvheaderfilter.h"

Tdv_DVheader::Tdv_DVheader(const SceneDetectCore &sceneDetector)
    : TBCTransInPlaceFilter(QStringLiteral("Quenlor cf_DVHeader")), core_(sceneDetector)
{
}

bool Tdv_DVheader::CheckInputType(const MediaType &type) const
{
    return type.majorType == MajorType::Interleaved
        || (type.majorType == MajorType::Video && type.subtype == kSubtypeDvsd);
}

StreamResult Tdv_DVheader::Transform(MediaSample &sample)
{
    core_.ProcessFrame(sample.Data());
    return StreamResult::Ok();
}
