#include "files/mountpoints.h"

#include <QFile>
#include <QFileInfo>

#include <map>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// Fields of a mountinfo line before the "-" separator, and after it.
constexpr int kRootField = 3;
constexpr int kMountPointField = 4;
constexpr int kFirstOptionalField = 6;
constexpr int kFsTypeAfterSeparator = 1;
constexpr int kSourceAfterSeparator = 2;

// Block devices that hold no disk of their own.
const QStringList kVirtualDevicePrefixes = {QStringLiteral("loop"), QStringLiteral("ram"), QStringLiteral("zram"),
                                            QStringLiteral("nbd")};

QString Unescape(const QString &field)
{
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == QLatin1Char('\\') && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                text += QChar(code);
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

QString ReadSysText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.read(64)).trimmed();
}

std::optional<uint64_t> ProbeFixedDisk(const QString &source)
{
    if (!source.startsWith(QLatin1String("/dev/")))
        return std::nullopt;
    struct stat st{};
    if (stat(QFile::encodeName(source).constData(), &st) != 0 || !S_ISBLK(st.st_mode))
        return std::nullopt;
    const QString sys = QStringLiteral("/sys/dev/block/%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev));
    const QString name = QFileInfo(QFileInfo(sys).canonicalFilePath()).fileName();
    for (const QString &prefix : kVirtualDevicePrefixes)
        if (name.startsWith(prefix))
            return std::nullopt;
    // A partition says nothing of removal itself; its disk is the folder above.
    const QString disk = QFileInfo::exists(sys + QStringLiteral("/partition")) ? sys + QStringLiteral("/..") : sys;
    if (ReadSysText(disk + QStringLiteral("/removable")) == QLatin1String("1"))
        return std::nullopt;
    return static_cast<uint64_t>(st.st_rdev);
}

}  // namespace

std::vector<TMountEntry> ParseMountInfo(const QString &text)
{
    std::vector<TMountEntry> mounts;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const qsizetype separator = fields.indexOf(QStringLiteral("-"), kFirstOptionalField);
        if (separator < kFirstOptionalField || separator + kSourceAfterSeparator >= fields.size())
            continue;
        mounts.push_back({Unescape(fields[kRootField]), Unescape(fields[kMountPointField]),
                          fields[separator + kFsTypeAfterSeparator],
                          Unescape(fields[separator + kSourceAfterSeparator])});
    }
    return mounts;
}

QStringList FixedDriveRoots(const std::vector<TMountEntry> &mounts, const TFixedDiskProbe &probe)
{
    std::map<uint64_t, const TMountEntry *> byDevice;
    for (const TMountEntry &mount : mounts) {
        const auto device = probe(mount.source);
        if (!device)
            continue;
        const auto [place, inserted] = byDevice.emplace(*device, &mount);
        if (!inserted && place->second->root != QLatin1String("/") && mount.root == QLatin1String("/"))
            place->second = &mount;
    }
    QStringList roots;
    for (const auto &[device, mount] : byDevice)
        roots << mount->mountPoint;
    roots.sort();
    return roots;
}

QStringList FixedDriveRoots()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return FixedDriveRoots(ParseMountInfo(QString::fromUtf8(file.readAll())), ProbeFixedDisk);
}
