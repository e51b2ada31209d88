#include "files/searchrec.h"

#include <QDateTime>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

int64_t Milliseconds(const struct statx_timestamp &time)
{
    return static_cast<int64_t>(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

TSearchRec RecordFromStatx(const QString &name, const struct statx &st)
{
    TSearchRec rec;
    rec.name = name;
    rec.sizeHigh = static_cast<uint32_t>(st.stx_size >> 32);
    rec.sizeLow = static_cast<uint32_t>(st.stx_size & 0xFFFFFFFFu);
    rec.created = LocalDateTimeFromUnixMs(Milliseconds((st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_ctime));
    rec.modified = LocalDateTimeFromUnixMs(Milliseconds(st.stx_mtime));
    rec.accessed = LocalDateTimeFromUnixMs(Milliseconds(st.stx_atime));
    rec.device = (static_cast<uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
    if (S_ISDIR(st.stx_mode))
        rec.attributes |= kAttrDirectory;
    else if (S_ISLNK(st.stx_mode))
        rec.attributes |= kAttrReparsePoint;
    else if (!S_ISREG(st.stx_mode))
        rec.attributes |= kAttrOther;
    if ((st.stx_mode & S_IWUSR) == 0)
        rec.attributes |= kAttrReadOnly;
    if (name.startsWith(QLatin1Char('.')))
        rec.attributes |= kAttrHidden;
    return rec;
}

std::optional<TSearchRec> StatEntry(const QByteArray &path, const QString &name)
{
    struct statx st{};
    if (statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
        return std::nullopt;
    return RecordFromStatx(name, st);
}

bool MatchFrom(const QString &name, qsizetype n, const QString &pattern, qsizetype p)
{
    // Backtracking over the last "*" only: linear in practice, never recursive.
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

}  // namespace

TDateTime LocalDateTimeFromUnixMs(int64_t milliseconds)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::LocalTime);
    const QDate date = local.date();
    const QTime time = local.time();
    return EncodeDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second(),
                          time.msec())
        .value_or(0);
}

std::optional<TSearchRec> FindFileRecord(const QString &path)
{
    QString name = path;
    while (name.endsWith(QLatin1Char('/')) && name.size() > 1)
        name.chop(1);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    return StatEntry(QFile::encodeName(path), name);
}

bool HasWildcards(const QString &pattern)
{
    return pattern.contains(QLatin1Char('*')) || pattern.contains(QLatin1Char('?'));
}

bool MatchesNamePattern(const QString &name, const QString &pattern)
{
    if (pattern == QLatin1String("*.*"))
        return true;
    return MatchFrom(name, 0, pattern, 0);
}

struct TFileFinder::Directory {
    DIR *handle = nullptr;
    ~Directory()
    {
        if (handle)
            closedir(handle);
    }
};

TFileFinder::TFileFinder(const QString &folder, const QString &pattern) : folder_(folder), pattern_(pattern)
{
    if (pattern.isEmpty())
        return;
    if (!HasWildcards(pattern)) {
        if (pattern != QLatin1String(".") && pattern != QLatin1String(".."))
            single_ = StatEntry(QFile::encodeName(folder + pattern), pattern);
        return;
    }
    directory_ = std::make_unique<Directory>();
    directory_->handle = opendir(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData());
}

TFileFinder::~TFileFinder() = default;

std::optional<TSearchRec> TFileFinder::Next()
{
    if (!directory_) {
        std::optional<TSearchRec> found = std::move(single_);
        single_.reset();
        return found;
    }
    if (!directory_->handle)
        return std::nullopt;
    while (const dirent *entry = readdir(directory_->handle)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String("..") || !MatchesNamePattern(name, pattern_))
            continue;
        // An entry removed since the folder was read is passed over.
        if (auto rec = StatEntry(QFile::encodeName(folder_ + name), name))
            return rec;
    }
    return std::nullopt;
}
