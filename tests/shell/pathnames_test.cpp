#include "shell/pathnames.h"

#include <gtest/gtest.h>

TEST(RebasePath, ReplacesAPrefixOfTheFolderIgnoringCase)
{
    struct Case { const char *value, *oldPrefix, *newPrefix, *expected; } cases[] = {
        {"/media/USB1/Videos/a.avi", "/media/usb1/", "/media/usb2/", "/media/usb2/Videos/a.avi"},
        {"/media/usb1/morvik/videos/", "/media/usb1/morvik/", "/run/media/stick/morvik/",
         "/run/media/stick/morvik/videos/"},
        {"/media/usb1/a.avi", "/media/usb1/", "/mnt/", "/mnt/a.avi"},
        // The prefix must lie inside the folder part, not run into the name.
        {"/media/usb1/a.avi", "/media/usb1/a", "/mnt/", "/media/usb1/a.avi"},
        {"/home/me/a.avi", "/media/usb1/", "/mnt/", "/home/me/a.avi"},
        {"a.avi", "a", "/mnt/", "a.avi"},
        {"/media/usb1/a.avi", "", "/mnt/", "/media/usb1/a.avi"},
        {"/media/usb1/a.avi", "/media/usb1/", "", "/media/usb1/a.avi"},
        {"", "/media/usb1/", "/mnt/", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RebasePath(QString::fromUtf8(c.value), QString::fromUtf8(c.oldPrefix), QString::fromUtf8(c.newPrefix)),
                  QString::fromUtf8(c.expected))
            << c.value << " from " << c.oldPrefix << " to " << c.newPrefix;
}

TEST(FileNameParts, NameWithoutExtensionAndAviTest)
{
    struct Case { const char *path, *nameWithoutExt; bool avi; } cases[] = {
        {"/v/holiday.2004.avi", "holiday.2004", true},
        {"/v/CLIP.AVI", "CLIP", true},
        {"CLIP.AVI", "CLIP", true},
        {"/v/clip.Avi", "clip", true},
        {"/v/clip.avi.txt", "clip.avi", false},
        {"/v/clip", "clip", false},
        {"/v.avi/clip", "clip", false},  // a dot in the folder is no extension
        {"/v/.avi", "", true},
        {"/v/clip.", "clip", false},
        {"/v/", "", false},
        {"", "", false},
        {"/v/clip.avix", "clip", false},
    };
    for (const auto &c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(FileNameWithoutExt(path), QString::fromUtf8(c.nameWithoutExt)) << c.path;
        EXPECT_EQ(IsAviFile(path), c.avi) << c.path;
    }
}
