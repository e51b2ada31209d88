#include "scenes/scenelist.h"

#include "scenes/scnfile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

// The messages of the scene list, all localisable.
QString MessageScene() { return QCoreApplication::translate("Scenes", "Scene"); }
QString MessageScnError() { return QCoreApplication::translate("Scenes", "Error in the scn file"); }
QString MessageUniqueScene() { return QCoreApplication::translate("Scenes", "Unique Scene"); }
QString MessageNotAnalyzed() { return QCoreApplication::translate("Scenes", "representing a video not yet analyzed"); }

}  // namespace

QString SceneCaption(const TSceneClass &scene)
{
    return MessageScene() + QLatin1Char(' ') + QString::number(scene.Number) + QStringLiteral(": ") + scene.Title;
}

void LoadScenes(const QString &videoPath, int32_t frameCount, TSceneList &list, const SceneContext &context)
{
    list.clear();
    const QString scnPath = ScnFilePath(videoPath);
    if (QFileInfo::exists(scnPath)) {
        if (!ReadScnFile(scnPath, list, context))
            list.push_back({QStringLiteral("1: ") + MessageScnError(), std::make_unique<TSceneClass>(0, 0, context)});
        return;
    }
    auto scene = std::make_unique<TSceneClass>(0, frameCount, context);
    scene->Number = 1;
    scene->Title = MessageUniqueScene();
    scene->Subtitle = MessageNotAnalyzed();
    QString caption = QStringLiteral("1: ") + scene->Title;
    list.push_back({std::move(caption), std::move(scene)});
}

bool SaveScenes(const QString &videoPath, const TSceneList &list)
{
    TwriteScene writer(videoPath);
    for (const TSceneEntry &entry : list) {
        if (entry.Scene)
            writer.WriteScene(*entry.Scene);
    }
    return writer.ok();
}
