// The "fixed drives" of this system: every mounted local file system on a real
// block device (not a loop, RAM or network block device, not removable), each
// once, read from /proc/self/mountinfo. Pure parsing plus a probe of /sys; any thread.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct TMountEntry {
    QString root;        // the part of the device's file system mounted here
    QString mountPoint;
    QString fsType;
    QString source;      // "/dev/sda1" for a block device
};

// One entry per well-formed line; "\040" and the other octal escapes are decoded.
std::vector<TMountEntry> ParseMountInfo(const QString &text);

// A fixed block device's identity (its device number), none for anything else.
using TFixedDiskProbe = std::function<std::optional<uint64_t>(const QString &source)>;

// The mount points of fixed disks, each device once (the mount of its whole file
// system preferred to bind mounts of a part of it), in path order.
QStringList FixedDriveRoots(const std::vector<TMountEntry> &mounts, const TFixedDiskProbe &probe);
// The same for this system.
QStringList FixedDriveRoots();
