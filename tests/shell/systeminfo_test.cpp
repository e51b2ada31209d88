#include "shell/systeminfo.h"

#include "support/testsupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/avutil.h>
}

TEST(SystemName, ReadsOsReleaseLikeTheShell)
{
    struct Case { const char *osRelease, *kernel, *expected; } cases[] = {
        {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION=\"12 (bookworm)\"\n",
         "6.1.0-18-amd64", "Debian GNU/Linux 12 (bookworm) - kernel 6.1.0-18-amd64"},
        {"NAME=Fedora\nPRETTY_NAME='Fedora Linux 39 (Workstation Edition)'\n", "6.5.6",
         "Fedora Linux 39 (Workstation Edition) - kernel 6.5.6"},
        {"PRETTY_NAME=Alpine\\ Linux\\ v3.19\n", "6.6.7", "Alpine Linux v3.19 - kernel 6.6.7"},
        {"PRETTY_NAME=\"Say \\\"hi\\\" \\$HOME \\\\ \\n\"\n", "1", "Say \"hi\" $HOME \\ \\n - kernel 1"},
        {"PRETTY_NAME='it''s'\n", "1", "its - kernel 1"},
        {"# PRETTY_NAME=\"Commented\"\n\nNAME=\"Arch Linux\"\n", "6.7", "Arch Linux - kernel 6.7"},
        {"NAME=\"Ubuntu\"\nVERSION=\"22.04.3 LTS (Jammy Jellyfish)\"\nPRETTY_NAME=\"\"\n", "5.15",
         "Ubuntu 22.04.3 LTS (Jammy Jellyfish) - kernel 5.15"},
        {"NAME=Gentoo\r\nVERSION_ID=2.14\r\n", "6.6", "Gentoo - kernel 6.6"},
        {"VERSION=\"12\"\n", "6.6", "12 - kernel 6.6"},
        {"", "6.1.0", "Linux - kernel 6.1.0"},
        {"garbage without equals\n=value\n", "6.1.0", "Linux - kernel 6.1.0"},
        {"PRETTY_NAME=\"Unterminated\n", "6.1.0", "Unterminated - kernel 6.1.0"},
        {"PRETTY_NAME=\"Debian\"\n", "", "Debian"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SystemNameFromOsRelease(QString::fromUtf8(c.osRelease), QString::fromUtf8(c.kernel)),
                  QString::fromUtf8(c.expected))
            << c.osRelease;
}

TEST(SystemName, RunningSystemEndsWithItsKernel)
{
    const QString name = GetWindowsName();
    EXPECT_TRUE(name.contains(QStringLiteral(" - kernel "))) << name.toStdString();
    EXPECT_FALSE(name.startsWith(QStringLiteral(" - kernel"))) << name.toStdString();
}

TEST(MediaLibrariesVersion, FormatsThePackedVersion)
{
    EXPECT_EQ(MediaLibrariesVersionText((59u << 16) | (37u << 8) | 100u, QStringLiteral("5.1.4")),
              QStringLiteral("libavcodec 59.37.100 (FFmpeg 5.1.4)"));
    EXPECT_EQ(MediaLibrariesVersionText((60u << 16) | (3u << 8) | 0u, QString()), QStringLiteral("libavcodec 60.3.0"));
}

// ffmpeg runs with the same libraries and prints their versions; ours must agree with it.
TEST(MediaLibrariesVersion, AgreesWithFfmpeg)
{
    REQUIRE_TOOL("ffmpeg");
    const testsupport::ProcessResult result = testsupport::Run(QStringLiteral("ffmpeg"), {QStringLiteral("-version")});
    ASSERT_TRUE(result.started);
    const QString out = QString::fromUtf8(result.out);
    const QRegularExpressionMatch lib =
        QRegularExpression(QStringLiteral("libavcodec\\s+(\\d+)\\.\\s*(\\d+)\\.\\s*(\\d+)")).match(out);
    const QRegularExpressionMatch ffmpeg = QRegularExpression(QStringLiteral("ffmpeg version (\\S+)")).match(out);
    ASSERT_TRUE(lib.hasMatch() && ffmpeg.hasMatch()) << out.toStdString();

    EXPECT_EQ(GetDirectXVersion(), QStringLiteral("libavcodec %1.%2.%3 (FFmpeg %4)")
                                       .arg(lib.captured(1), lib.captured(2), lib.captured(3), ffmpeg.captured(1)));
    EXPECT_EQ(ffmpeg.captured(1), QString::fromUtf8(av_version_info()));
}

TEST(AboutSystemLine, FillsTheTaggedText)
{
    EXPECT_EQ(AboutSystemLine(QStringLiteral("Debian GNU/Linux 12 (bookworm) - kernel 6.1.0"),
                              QStringLiteral("libavcodec 59.37.100 (FFmpeg 5.1.4)")),
              QStringLiteral("<i>  My operating system is: </i><br><b>  Debian GNU/Linux 12 (bookworm) - kernel 6.1.0.</b>"
                             "<br><br><i>  I use: </i><br><b>  media libraries version libavcodec 59.37.100 "
                             "(FFmpeg 5.1.4).</b>"));
    // A % in a name is text, not a directive; non-ASCII survives.
    EXPECT_TRUE(AboutSystemLine(QStringLiteral("100% Linux é"), QStringLiteral("x"))
                    .contains(QStringLiteral("<b>  100% Linux é.</b>")));
}
