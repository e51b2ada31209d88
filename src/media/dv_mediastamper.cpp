#include "media/dv_mediastamper.h"

Tdv_MediaStamper::Tdv_MediaStamper() : TBCTransInPlaceFilter(QStringLiteral("Quenlor dv_Mediastamper")) {}

bool Tdv_MediaStamper::CheckInputType(const MediaType &) const
{
    return true;
}

StreamResult Tdv_MediaStamper::Transform(MediaSample &sample)
{
    if (const auto &times = sample.MediaTimes()) {
        mediaStart_.store(times->start, std::memory_order_relaxed);
        mediaStop_.store(times->stop, std::memory_order_relaxed);
    }
    return StreamResult::Ok();
}
