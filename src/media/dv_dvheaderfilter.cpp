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
    // A frame that names its source frame takes the metadata blocks from it, or has
    // them already when it was built on it.
    const std::optional<PictureSource> &source = sample.Source();
    if (!source || !source->frame) {
        core_.ProcessFrame(sample.Data());
        return StreamResult::Ok();
    }
    const bool builtOnSource =
        source->frame->size() == sample.ActualLength() && source->changed != PictureSource::WholePicture();
    core_.ProcessFrame(sample.Data(), FrameOrigin{*source->frame, builtOnSource});
    return StreamResult::Ok();
}
