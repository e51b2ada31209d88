// Scene information taken through a headless player from a generated DV file:
// the texts of the scene's first and last frames and the picture of its chosen frame.
#include "base/datetimeformat.h"
#include "files/avifichier.h"
#include "files/itemsettings.h"
#include "media/headlessoutputs.h"
#include "media/viewdm.h"
#include "scenes/sceneclass.h"
#include "scenes/sceneinfo.h"
#include "support/testsupport.h"

#include "framecode.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

// The frame number drawn into a picture, read at the generator's full size.
int FrameNumberOf(const QImage &thumbnail)
{
    const QImage picture = thumbnail.scaled(720, 576, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> luma(720 * 576);
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x) {
            const uint8_t *p = picture.constScanLine(y) + x * 3;
            luma[static_cast<size_t>(y * 720 + x)] = static_cast<uint8_t>(16 + (66 * p[0] + 129 * p[1] + 25 * p[2] + 128) / 256);
        }
    return framecode::Read(luma.data(), 720);
}

TEST(SceneInfo, TextsAndThumbnailComeFromTheFramesShown)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scenes.avi"));
    const auto made = testsupport::Run(
        testsupport::OurProgram(QStringLiteral("morvik-mkdv")),
        {"--type", "1", "--system", "pal", "--aspect", "4:3", "--audio", "48k16", "--out", path, "--recording",
         "2021-06-05 14:30:00,00:10:00:00,400", "--gap", "150"});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();

    TaviFichier item(path);
    ASSERT_EQ(item.fps, 25);
    HeadlessVideoOutput video;
    HeadlessSoundOutput sound;
    Tviewdm player(video, sound);
    ASSERT_TRUE(player.LoadFile(&item));

    TSceneClass scene(250, 500, {true, item.fps, item.width, item.height, 0});
    scene.ThumbOffset = 7;
    LoadSceneInfo(player, scene);
    EXPECT_TRUE(scene.InfoLoaded);
    EXPECT_EQ(scene.StartText, QStringLiteral("0:00:10:00"));
    EXPECT_EQ(scene.EndText, QStringLiteral("0:00:19:24"));
    const TDateTime datecode = *EncodeDateTime(2021, 6, 5, 14, 30, 10);
    EXPECT_EQ(scene.Datecode, datecode);
    EXPECT_EQ(scene.DatecodeText, FormatDateTime(DatecodeDisplayFormat(), datecode));
    EXPECT_EQ(scene.TimecodeText, QStringLiteral("00.10.10.00"));
    EXPECT_LE(scene.Thumbnail.width(), kThumbnailMaxWidth);
    EXPECT_LE(scene.Thumbnail.height(), kThumbnailMaxHeight);
    EXPECT_TRUE(scene.Thumbnail.width() == kThumbnailMaxWidth || scene.Thumbnail.height() == kThumbnailMaxHeight);
    EXPECT_EQ(FrameNumberOf(scene.Thumbnail), 257);

    // A scene that starts where the recording has stopped keeps the datecode it had.
    TSceneClass gap(400, 550, {true, item.fps, item.width, item.height, 0});
    gap.Datecode = 123;
    LoadSceneInfo(player, gap);
    EXPECT_EQ(gap.DatecodeText, QStringLiteral("N/A"));
    EXPECT_EQ(gap.Datecode, 123);
    EXPECT_EQ(gap.StartText, QStringLiteral("0:00:16:00"));
    EXPECT_EQ(FrameNumberOf(gap.Thumbnail), 400);
}

}  // namespace
