#include "scenes/sceneinfo.h"

#include "files/avifichier.h"
#include "files/itemsettings.h"
#include "media/playerstatus.h"
#include "media/viewdm.h"
#include "scenes/sceneclass.h"
#include "shell/geometry.h"

void LoadSceneInfo(Tviewdm &player, TSceneClass &scene)
{
    player.SeekTo(scene.BeginFrame);
    const TFrameInfo info = player.SceneDetector().Published();
    if (info.DatecodeValid)
        scene.Datecode = info.Datecode;
    scene.DatecodeText = PlayerDatecodeText(info, DatecodeDisplayFormat());
    scene.TimecodeText = PlayerTimecodeText(info);

    const TaviFichier *video = player.CurrentFile();
    const double fps = video ? video->fps : 0;
    if (fps > 0) {
        scene.StartText = PlayerPositionText(scene.BeginFrame, fps);
        scene.EndText = PlayerPositionText(static_cast<int64_t>(scene.EndFrame) - 1, fps);
    }

    if (scene.ThumbOffset != 0)
        player.SeekTo(static_cast<int64_t>(scene.BeginFrame) + scene.ThumbOffset);
    if (video) {
        const QRect size = FitRect(video->width, video->height, QRect(0, 0, kThumbnailMaxWidth, kThumbnailMaxHeight));
        if (scene.Thumbnail.size() != size.size() || scene.Thumbnail.format() != QImage::Format_RGB888)
            scene.Thumbnail = QImage(size.size(), QImage::Format_RGB888);
        if (!scene.Thumbnail.isNull())
            player.Superposer().DeinterlaceStill(scene.Thumbnail);
    }
    scene.InfoLoaded = true;
}
