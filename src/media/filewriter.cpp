#include "media/filewriter.h"

#include "base/atomicfile.h"
#include "media/filtergraph.h"
#include "media/filesource.h"

#include <QFileInfo>

#include <algorithm>

FileWriter::FileWriter() : Filter(QStringLiteral("File writer")), input_(AddInputPin(QStringLiteral("in"))) {}

FileWriter::~FileWriter() = default;

bool FileWriter::AcceptInputType(const InputPin &, const MediaType &type) const
{
    return type.majorType == MajorType::Stream;
}

std::vector<MediaType> FileWriter::OutputTypes(const OutputPin &) const
{
    return {};
}

StreamResult FileWriter::StartStreaming()
{
    file_.reset();
    position_ = 0;
    error_.clear();
    if (!input_.IsConnected())
        return StreamResult::Ok();
    if (fileName_.isEmpty())
        return StreamResult::Error(QStringLiteral("The file writer has no file name."));
    const QFileInfo target(fileName_);
    if (target.isDir())
        return StreamResult::Error(QStringLiteral("\"%1\" is a folder.").arg(fileName_));
    if (!overwrite_ && target.exists())
        return StreamResult::Error(QStringLiteral("The file \"%1\" already exists.").arg(fileName_));
    // Replacing the file being read would lose it, the more so when the run is stopped.
    const QString canonical = target.canonicalFilePath();
    for (const Filter *filter : Graph()->Filters()) {
        const auto *source = dynamic_cast<const FileSourceFilter *>(filter);
        if (source && !canonical.isEmpty() && QFileInfo(source->FileName()).canonicalFilePath() == canonical)
            return StreamResult::Error(QStringLiteral("\"%1\" is the file being read; it cannot be its own destination.").arg(fileName_));
    }
    return StreamResult::Ok();
}

bool FileWriter::Open()
{
    if (file_)
        return true;
    if (!error_.isEmpty())
        return false;
    file_ = AtomicFile::Create(fileName_, &error_);
    return file_ != nullptr;
}

bool FileWriter::Seek(uint64_t position)
{
    if (!Open())
        return false;
    position_ = position;
    return true;
}

bool FileWriter::Write(ByteSpan bytes)
{
    if (!Open())
        return false;
    const uint64_t end = file_->Position();
    if (position_ > end && position_ - end > kMaxGap) {
        error_ = QStringLiteral("A write to \"%1\" would leave a gap of %2 bytes.").arg(fileName_).arg(position_ - end);
        return false;
    }
    bool ok = position_ <= end || file_->AppendZeros(position_ - end);
    // What overlaps bytes already there is patched, the rest appended.
    const uint64_t overlap = std::min<uint64_t>(bytes.size(), std::max<uint64_t>(end, position_) - position_);
    if (ok && overlap > 0)
        ok = file_->Patch(position_, bytes.first(overlap));
    if (ok && overlap < bytes.size())
        ok = file_->Append(bytes.subspan(overlap));
    if (!ok) {
        error_ = file_->Error();
        return false;
    }
    position_ += bytes.size();
    return true;
}

StreamResult FileWriter::Receive(InputPin &, MediaSample &sample)
{
    if (sample.Time() && sample.Time()->start < 0)
        return StreamResult::Error(QStringLiteral("A sample names a negative file offset."));
    if ((sample.Time() && !Seek(static_cast<uint64_t>(sample.Time()->start))) || !Write(sample.Data()))
        return StreamResult::Error(error_);
    return StreamResult::Ok();
}

StreamResult FileWriter::StopStreaming(bool)
{
    if (!file_)
        return error_.isEmpty() ? StreamResult::Ok() : StreamResult::Error(error_);
    std::unique_ptr<AtomicFile> file = std::move(file_);
    if (!error_.isEmpty() || file->Failed() || !file->Commit()) {
        const QString error = !error_.isEmpty() ? error_ : file->Error();
        file->Discard();
        return StreamResult::Error(error);
    }
    return StreamResult::Ok();
}
