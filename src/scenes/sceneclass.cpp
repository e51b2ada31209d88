#include "scenes/sceneclass.h"

#include "scenes/durationtext.h"
#include "shell/geometry.h"

#include <QColor>
#include <QSize>

namespace {

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
    const QSize size = FitRect(context.pictureWidth, context.pictureHeight, QRect(0, 0, kThumbnailMaxWidth, kThumbnailMaxHeight)).size();
    if (!size.isEmpty())
        Thumbnail = BlankThumbnail(size);
    if (auto text = ::DurationText(FrameCount(), context.fps, context.durationStyle))
        DurationText = *text;
}
