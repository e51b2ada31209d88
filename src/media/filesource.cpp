#include "media/filesource.h"

#include <QFile>
#include <QFileInfo>

FileSourceFilter::FileSourceFilter()
    : Filter(QStringLiteral("File Source (Async.)")), output_(AddOutputPin(QStringLiteral("Output")))
{
}

FileLoadResult FileSourceFilter::Load(const QString &path)
{
    fileName_.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return {false, QStringLiteral("The file %1 does not exist.").arg(path)};
    if (!info.isFile())
        return {false, QStringLiteral("%1 is not a file.").arg(path)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("The file %1 cannot be read: %2").arg(path, file.errorString())};
    fileName_ = path;
    return {true, {}};
}

bool FileSourceFilter::AcceptInputType(const InputPin &, const MediaType &) const
{
    return false;
}

std::vector<MediaType> FileSourceFilter::OutputTypes(const OutputPin &) const
{
    if (fileName_.isEmpty())
        return {};
    MediaType type;
    type.majorType = MajorType::Stream;
    type.subtype = kSubtypeAvi;
    type.formatType = FormatType::None;
    return {type};
}

StreamResult FileSourceFilter::Receive(InputPin &pin, MediaSample &)
{
    return StreamResult::Error(QStringLiteral("%1 takes no samples on %2").arg(FriendlyName(), pin.Name()));
}
