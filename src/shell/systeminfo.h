// The system line of the about panel: which operating system and which media
// libraries the program runs on. Any thread.
#pragma once

#include <QString>

// The system's name from the text of os-release: PRETTY_NAME, else NAME and VERSION,
// else "Linux"; followed by " - kernel " and the kernel release when there is one.
QString SystemNameFromOsRelease(const QString &osRelease, const QString &kernelRelease);

// The running system's name and kernel, from /etc/os-release (or /usr/lib/os-release).
QString GetWindowsName();

// "libavcodec 59.37.100 (FFmpeg 5.1.4)" from avcodec_version()'s packed number and
// av_version_info()'s text; without the parenthesis when that text is empty.
QString MediaLibrariesVersionText(unsigned avcodecVersion, const QString &ffmpegVersion);

// The version line of the media libraries the program is running with.
QString GetDirectXVersion();

// The about panel's system line in the tag language of the rich text label.
QString AboutSystemLine(const QString &systemName, const QString &mediaVersion);
