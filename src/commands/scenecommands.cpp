#include "commands/scenecommands.h"

#include "base/textformat.h"
#include "commands/commandengine.h"
#include "scenes/durationtext.h"
#include "scenes/intervalscenes.h"
#include "scenes/scenelist.h"
#include "scenes/scnfile.h"
#include "scenes/writescntext.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

QString ScenePositionText(int64_t frame, double fps)
{
    if (!(fps > 0) || !std::isfinite(fps))
        return QStringLiteral("??");
    const double position = static_cast<double>(std::max<int64_t>(frame, 0));
    const auto seconds = static_cast<int64_t>(std::trunc(position / fps));
    const auto frames = static_cast<int64_t>(std::trunc(position - static_cast<double>(seconds) * fps));
    return FormatText(QStringLiteral("%d:%.2d:%.2d:%.2d"), {seconds / 3600, seconds / 60 % 60, seconds % 60, frames});
}

void FillSceneTexts(TSceneClass &scene, double fps, int durationStyle)
{
    scene.StartText = ScenePositionText(scene.BeginFrame, fps);
    scene.EndText = ScenePositionText(static_cast<int64_t>(scene.EndFrame) - 1, fps);
    if (const std::optional<QString> duration = DurationText(scene.FrameCount(), fps, durationStyle))
        scene.DurationText = *duration;
}

namespace {

void WriteScenes(const TaviFichier &video, TSceneList &scenes, const TActionContext &context, int durationStyle,
                 TCommandEngine &ce)
{
    TWriteScn_text writer(video.path);
    if (scenes.empty())
        return;
    ce.StartProgress(static_cast<int>(std::min<size_t>(scenes.size(), std::numeric_limits<int>::max())));
    for (size_t i = 0; i < scenes.size(); ++i) {
        ce.SetProgress(static_cast<int>(i));
        if (ce.IsAborted())
            break;
        TSceneClass &scene = *scenes[i].Scene;
        if (!scene.InfoLoaded) {
            if (context.loadSceneInfo)
                context.loadSceneInfo(scene);
            else
                FillSceneTexts(scene, video.fps, durationStyle);
        }
        writer.WriteScene(scene);
    }
    ce.EndProgress();
}

}  // namespace

void ExportScenesAsText(const TaviFichier &video, const TActionContext &context, int durationStyle,
                        TCommandEngine &ce)
{
    TSceneList *editorList = nullptr;
    if (context.sceneEditorList)
        ce.Synchronize([&] { editorList = context.sceneEditorList(video.path); });
    if (!editorList) {
        TSceneList fileList;
        ReadScnFile(ScnFilePath(video.path), fileList);  // a damaged file gives the scenes before the damage
        WriteScenes(video, fileList, context, durationStyle, ce);
        return;
    }
    // The editor gets its selection and play range back whatever happened.
    std::exception_ptr failure;
    try {
        WriteScenes(video, *editorList, context, durationStyle, ce);
    } catch (...) {
        failure = std::current_exception();
    }
    if (context.restoreSceneEditor)
        ce.Synchronize([&] { context.restoreSceneEditor(); });
    if (failure)
        std::rethrow_exception(failure);
}

void CreateIntervalScenes(const TaviFichier &video, const QString &secondsText, TCommandEngine &ce)
{
    const int64_t sceneFrames = IntervalSceneFrames(secondsText, video.fps);
    if (sceneFrames <= 0)
        return;
    TwriteScene writer(video.path);
    ce.StartProgress(video.frameCount);
    WriteIntervalScenes(writer, video.frameCount, sceneFrames, [&](int64_t beginFrame) {
        if (ce.IsAborted())
            return false;
        ce.SetProgress(static_cast<int>(beginFrame));
        return true;
    });
    ce.EndProgress();
}
