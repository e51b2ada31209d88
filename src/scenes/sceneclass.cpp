#include "scenes/sceneclass.h"

#include "scenes/durationtext.h"

#include <QColor>
#include <QSize>

namespace {

// The size of the largest rectangle of proportions width : height within
// 320 x 240, divisions truncating; empty when either side is not positive.
QSize FitThumbnailSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    const int64_t w = width;
    const int64_t h = height;
    if (kThumbnailMaxHeight * w <= kThumbnailMaxWidth * h)
        return {static_cast<int>(kThumbnailMaxHeight * w / h), kThumbnailMaxHeight};
    return {kThumbnailMaxWidth, static_cast<int>(kThumbnailMaxWidth * h / w)};
}

// A black picture of that size. Every scene starts with the same one, shared
// until its picture is replaced, so that a list of thousands of scenes does not
// hold thousands of blank pictures. One per thread: QImage copies are safe to
// hand across threads, the cache itself is not.
QImage BlankThumbnail(QSize size)
{
    thread_local QImage blank;
    if (blank.size() != size) {
        blank = QImage(size, QImage::Format_RGB888);
        blank.fill(Qt::black);
    }
    return blank;
}

}  // namespace

TSceneClass::TSceneClass(int32_t beginFrame, int32_t endFrame, const SceneContext &context)
    : BeginFrame(beginFrame), EndFrame(endFrame)
{
    if (!context.videoOpen)
        return;
    const QSize size = FitThumbnailSize(context.pictureWidth, context.pictureHeight);
    if (!size.isEmpty())
        Thumbnail = BlankThumbnail(size);
    if (auto text = ::DurationText(FrameCount(), context.fps, context.durationStyle))
        DurationText = *text;
}
