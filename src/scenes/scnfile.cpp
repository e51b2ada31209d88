#include "scenes/scnfile.h"

#include "base/paths.h"
#include "base/textfile.h"
#include "scenes/scenetitles.h"


#include <array>
#include <optional>
#include <string_view>

namespace {

// Fixed parts of the layout.
constexpr std::array<uint8_t, 14> kHeaderStart = {0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00,
                                                  0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00};
constexpr std::string_view kHeaderTag = "SourceTape";
constexpr std::array<uint8_t, 8> kHeaderEnd = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00};
constexpr std::array<uint8_t, 6> kClipStart = {0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00};
constexpr std::string_view kClipTag = "Clip";
constexpr uint8_t kClipKind = 0x50;
constexpr std::array<uint8_t, 6> kSceneStart = {0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00};
constexpr std::string_view kSceneTag = "Scene";
constexpr std::array<uint8_t, 6> kFirstMiddle = {0x00, 0x00, 0x00, 0x00, 0x01, 0x80};
constexpr std::array<uint8_t, 3> kFurtherStart = {0x03, 0x80, 0xF0};
constexpr std::array<uint8_t, 3> kFurtherKind = {0x00, 0x05, 0x80};
constexpr std::array<uint8_t, 6> kFurtherMiddle = {0x00, 0x00, 0x00, 0x00, 0x07, 0x00};
constexpr std::array<uint8_t, 3> kWideStringMark = {0xFF, 0xFE, 0xFF};

constexpr uint8_t kTitleFlag = 0x80;
constexpr uint8_t kPictureFlag = 0x40;
constexpr int kMaxScenes = 0xFFFF;

// The reader takes the layout in blocks and does not check their constant bytes.
// Before the path: the header (24 bytes).
constexpr size_t kHeaderBytes = kHeaderStart.size() + kHeaderTag.size();
// After the path, one block holding the count and the first record's flags: the
// eight bytes, the count, the clip tag, its kind, the two flags, a zero byte and
// the first two bytes of the scene tag (26 bytes).
constexpr size_t kCountAt = kHeaderEnd.size();                                                  // 8
constexpr size_t kFirstTitleFlagAt = kCountAt + 2 + kClipStart.size() + kClipTag.size() + 1;    // 21
constexpr size_t kFirstPictureFlagAt = kFirstTitleFlagAt + 1;                                   // 22
constexpr size_t kFirstOpeningBytes = kFirstPictureFlagAt + 1 + 1 + 2;                          // 26
// The rest of the scene tag (9 bytes).
constexpr size_t kFirstSceneTagRestBytes = kSceneStart.size() - 2 + kSceneTag.size();
// The six constant bytes between a record's frames and its repeated frames.
constexpr size_t kMiddleBytes = kFirstMiddle.size();
// A further record's opening with its flags (8 bytes).
constexpr size_t kFurtherTitleFlagAt = kFurtherStart.size();                                    // 3
constexpr size_t kFurtherPictureFlagAt = kFurtherTitleFlagAt + 1;                               // 4
constexpr size_t kFurtherOpeningBytes = kFurtherPictureFlagAt + 1 + kFurtherKind.size();        // 8

// Single-byte strings of the reader's two older forms: at most 254, or 1023, bytes.
constexpr uint8_t kLongStringMark = 0xFF;
constexpr uint16_t kMaxSingleByteLong = 1023;
constexpr uint16_t kWideStringTag = 0xFFFE;

// ---- writing -----------------------------------------------------------------

void Append(QByteArray &out, ByteSpan bytes)
{
    out.append(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

void AppendTag(QByteArray &out, std::string_view tag)
{
    out.append(tag.data(), static_cast<qsizetype>(tag.size()));
}

void AppendLE16(QByteArray &out, uint16_t value)
{
    uint8_t bytes[2];
    WriteLE16(bytes, value);
    Append(out, bytes);
}

void AppendInt32(QByteArray &out, int32_t value)
{
    uint8_t bytes[4];
    WriteLE32(bytes, static_cast<uint32_t>(value));
    Append(out, bytes);
}

// The text as a string field: FF FE FF, n, n UTF-16LE characters. Longer texts
// are cut to what the length byte holds, never inside a surrogate pair.
void AppendWideString(QByteArray &out, const QString &text)
{
    qsizetype length = std::min<qsizetype>(text.size(), kMaxScnStringChars);
    if (length < text.size() && length > 0 && text[length - 1].isHighSurrogate())
        --length;
    Append(out, kWideStringMark);
    out.append(static_cast<char>(length));
    for (qsizetype i = 0; i < length; ++i)
        AppendLE16(out, text[i].unicode());
}

QByteArray ScnHeader(const QString &videoPath)
{
    QByteArray out;
    Append(out, kHeaderStart);
    AppendTag(out, kHeaderTag);
    AppendWideString(out, videoPath);
    Append(out, kHeaderEnd);
    return out;
}

uint8_t TitleFlag(const TSceneClass &scene)
{
    return scene.Title.isEmpty() && scene.Subtitle.isEmpty() ? 0 : kTitleFlag;
}

uint8_t PictureFlag(const TSceneClass &scene) { return scene.ThumbOffset == 0 ? 0 : kPictureFlag; }

void AppendOptionalFields(QByteArray &out, const TSceneClass &scene)
{
    if (PictureFlag(scene))
        AppendInt32(out, scene.ThumbOffset);
    if (TitleFlag(scene))
        AppendWideString(out, JoinTitles(scene.Title, scene.Subtitle));
}

QByteArray FirstRecord(const TSceneClass &scene, const QString &videoPath)
{
    QByteArray out;
    Append(out, kClipStart);
    AppendTag(out, kClipTag);
    out.append(static_cast<char>(kClipKind));
    out.append(static_cast<char>(TitleFlag(scene)));
    out.append(static_cast<char>(PictureFlag(scene)));
    out.append('\0');
    Append(out, kSceneStart);
    AppendTag(out, kSceneTag);
    AppendWideString(out, QString());
    AppendInt32(out, 0);
    AppendInt32(out, scene.EndFrame);
    Append(out, kFirstMiddle);
    AppendWideString(out, videoPath);
    AppendInt32(out, 0);
    AppendInt32(out, 0);
    AppendInt32(out, scene.EndFrame);
    AppendOptionalFields(out, scene);
    return out;
}

QByteArray FurtherRecord(const TSceneClass &scene)
{
    // Modular, like the file's 32-bit fields: begin + length gives the end back.
    const auto length = static_cast<int32_t>(static_cast<uint32_t>(scene.EndFrame)
                                             - static_cast<uint32_t>(scene.BeginFrame));
    QByteArray out;
    Append(out, kFurtherStart);
    out.append(static_cast<char>(TitleFlag(scene)));
    out.append(static_cast<char>(PictureFlag(scene)));
    Append(out, kFurtherKind);
    AppendWideString(out, QString());
    AppendInt32(out, scene.BeginFrame);
    AppendInt32(out, length);
    Append(out, kFurtherMiddle);
    AppendInt32(out, scene.BeginFrame);
    AppendInt32(out, length);
    AppendInt32(out, scene.BeginFrame);
    AppendOptionalFields(out, scene);
    return out;
}

// ---- reading -----------------------------------------------------------------

// Single-byte text in the system code page.
QString DecodeSystemBytes(ByteSpan bytes)
{
    return DecodeText(QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size())));
}

// Reads fields in order; a read fails when its field would run past the end,
// and the parse stops there.
class ScnCursor {
public:
    explicit ScnCursor(ByteSpan bytes) : bytes_(bytes) {}

    std::optional<ByteSpan> Take(size_t count)
    {
        if (count > bytes_.size() - pos_)
            return std::nullopt;
        const ByteSpan taken = bytes_.subspan(pos_, count);
        pos_ += count;
        return taken;
    }

    bool Skip(size_t count) { return Take(count).has_value(); }

    std::optional<uint8_t> Byte()
    {
        const auto taken = Take(1);
        return taken ? std::optional<uint8_t>((*taken)[0]) : std::nullopt;
    }

    std::optional<uint16_t> Word()
    {
        const auto taken = Take(2);
        return taken ? std::optional<uint16_t>(ReadLE16(taken->data())) : std::nullopt;
    }

    std::optional<int32_t> Int32()
    {
        const auto taken = Take(4);
        return taken ? std::optional<int32_t>(static_cast<int32_t>(ReadLE32(taken->data()))) : std::nullopt;
    }

    bool SkipInt32s(int count) { return Skip(4 * static_cast<size_t>(count)); }

    // A string field in any of its forms; see the writer for the one it writes.
    std::optional<QString> String()
    {
        const auto length = Byte();
        if (!length)
            return std::nullopt;
        if (*length != kLongStringMark)
            return SingleBytes(*length);
        const auto wide = Word();
        if (!wide)
            return std::nullopt;
        if (*wide <= kMaxSingleByteLong)
            return SingleBytes(*wide);
        if (*wide != kWideStringTag)
            return QString();  // an unknown form: nothing more belongs to it
        const auto chars = Byte();
        if (!chars)
            return std::nullopt;
        if (*chars > kMaxScnStringChars)
            return QString();
        const auto taken = Take(2 * size_t{*chars});
        if (!taken)
            return std::nullopt;
        QString text(*chars, Qt::Uninitialized);
        for (int i = 0; i < *chars; ++i)
            text[i] = QChar(ReadLE16(taken->data() + 2 * i));
        return text;
    }

private:
    std::optional<QString> SingleBytes(size_t count)
    {
        const auto taken = Take(count);
        return taken ? std::optional<QString>(DecodeSystemBytes(*taken)) : std::nullopt;
    }

    ByteSpan bytes_;
    size_t pos_ = 0;
};

// The picture offset and the titles that follow a record when its flags say so.
bool ReadOptionalFields(ScnCursor &in, bool hasTitle, bool hasPicture, TSceneClass &scene)
{
    if (hasPicture) {
        const auto offset = in.Int32();
        if (!offset)
            return false;
        scene.ThumbOffset = *offset;
    }
    if (hasTitle) {
        const auto text = in.String();
        if (!text)
            return false;
        TSceneTitles titles = SplitTitles(*text);
        scene.Title = std::move(titles.Title);
        scene.Subtitle = std::move(titles.Subtitle);
    }
    return true;
}

void AppendEntry(TSceneList &list, std::unique_ptr<TSceneClass> scene)
{
    QString caption = SceneCaption(*scene);
    list.push_back({std::move(caption), std::move(scene)});
}

}  // namespace

QString ScnFilePath(const QString &videoPath)
{
    return ChangeFileExt(videoPath, QStringLiteral(".scn"));
}

TwriteScene::TwriteScene(const QString &videoPath) : videoPath_(videoPath)
{
    const QString scnPath = ScnFilePath(videoPath);
    QFile::remove(scnPath);
    file_.setFileName(scnPath);
    ok_ = file_.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    if (!ok_)
        return;
    const QByteArray header = ScnHeader(videoPath_);
    // The count follows the header: 36 + 2 x the path's length.
    countOffset_ = header.size();
    offset_ = countOffset_;
    WriteAt(0, header);
    file_.flush();
}

void TwriteScene::WriteScene(const TSceneClass &scene)
{
    if (!ok_)
        return;
    if (count_ >= kMaxScenes) {
        ok_ = false;
        return;
    }
    QByteArray record;
    if (count_ == 0) {
        AppendLE16(record, 0);
        record += FirstRecord(scene, videoPath_);
    } else {
        record = FurtherRecord(scene);
    }
    // The record first, then the count that takes it in: a file cut between the
    // two still reads whole, without the cut record.
    if (!WriteAt(offset_, record))
        return;
    offset_ += record.size();
    ++count_;
    QByteArray count;
    AppendLE16(count, static_cast<uint16_t>(count_));
    WriteAt(countOffset_, count);
    file_.flush();
}

bool TwriteScene::WriteAt(qint64 offset, const QByteArray &bytes)
{
    if (!ok_ || !file_.seek(offset) || file_.write(bytes) != bytes.size())
        ok_ = false;
    return ok_;
}

bool ParseScnFile(ByteSpan bytes, TSceneList &list, const SceneContext &context)
{
    list.clear();
    ScnCursor in(bytes);
    if (!in.Skip(kHeaderBytes) || !in.String())
        return false;
    const auto opening = in.Take(kFirstOpeningBytes);
    if (!opening)
        return false;
    const int count = ReadLE16(opening->data() + kCountAt);
    bool hasTitle = ((*opening)[kFirstTitleFlagAt] & kTitleFlag) != 0;
    bool hasPicture = ((*opening)[kFirstPictureFlagAt] & kPictureFlag) != 0;

    if (!in.Skip(kFirstSceneTagRestBytes) || !in.String() || !in.SkipInt32s(1))
        return false;
    const auto end = in.Int32();
    if (!end)
        return false;
    auto first = std::make_unique<TSceneClass>(0, *end, context);
    first->Number = 1;
    if (!in.Skip(kMiddleBytes) || !in.String() || !in.SkipInt32s(3)
        || !ReadOptionalFields(in, hasTitle, hasPicture, *first))
        return false;
    AppendEntry(list, std::move(first));

    for (int number = 2; number <= count; ++number) {
        const auto further = in.Take(kFurtherOpeningBytes);
        if (!further)
            return false;
        hasTitle = ((*further)[kFurtherTitleFlagAt] & kTitleFlag) != 0;
        hasPicture = ((*further)[kFurtherPictureFlagAt] & kPictureFlag) != 0;
        if (!in.String())
            return false;
        const auto begin = in.Int32();
        const auto length = begin ? in.Int32() : std::nullopt;
        if (!length)
            return false;
        const auto sceneEnd = static_cast<int32_t>(static_cast<uint32_t>(*begin) + static_cast<uint32_t>(*length));
        auto scene = std::make_unique<TSceneClass>(*begin, sceneEnd, context);
        scene->Number = number;
        if (!in.Skip(kMiddleBytes) || !in.SkipInt32s(3) || !ReadOptionalFields(in, hasTitle, hasPicture, *scene))
            return false;
        AppendEntry(list, std::move(scene));
    }
    return true;
}

bool ReadScnFile(const QString &scnPath, TSceneList &list, const SceneContext &context)
{
    list.clear();
    QFile file(scnPath);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
        return false;
    const qint64 size = file.size();
    if (size > kMaxScnFileBytes)
        return false;
    const QByteArray bytes = file.read(size);
    const bool complete = bytes.size() == size && file.error() == QFileDevice::NoError;
    const ByteSpan span(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()));
    return ParseScnFile(span, list, context) && complete;
}
