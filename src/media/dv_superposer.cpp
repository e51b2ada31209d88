#include "media/dv_superposer.h"

#include "media/dv_deinter.h"
#include "media/mediaformats.h"
#include "media/overlaylines.h"
#include "media/picturescaler.h"
#include "media/rgb24image.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

std::atomic<bool> FramePassed{false};

namespace {

constexpr int kMaxDimension = 8192;
constexpr double kNewSceneGapDays = 2.0 / kSecondsPerDay;
const QColor kBorderColour = Qt::black;

// Pixel height of a font size in points, on the 96 dots-per-inch screen the sizes were chosen on.
int PixelHeight(int32_t points)
{
    return std::max(1, (points * 96 + 36) / 72);
}

}  // namespace

Tdv_Superposer::Tdv_Superposer(const SceneDetectCore &sceneDetector)
    : TBCTransformFilter(QStringLiteral("Quenlor cf_Superposer")), sceneDetector_(sceneDetector)
{
    settings_.When = IncrustWhen::kPermanently;
    font_ = QFont(QStringLiteral("Arial"));
    font_.setPixelSize(kDefaultFontHeight);
    font_.setBold(true);
    // Plain pixels in two colours: the outline stays solid and a burnt-in text compresses cleanly.
    font_.setStyleStrategy(QFont::NoAntialias);
}

void Tdv_Superposer::UpdateDurationFrames()
{
    if (frameTime_ != 0)
        durationFrames_ = static_cast<int32_t>(
            std::nearbyint(static_cast<double>(settings_.Duration) * kUnitsPerSecond / static_cast<double>(frameTime_)));
}

void Tdv_Superposer::ApplyFont()
{
    const TfontRecord &record = settings_.Font;
    font_.setFamily(record.name);
    // Auto size follows the picture once streaming has given its width.
    font_.setPixelSize(settings_.AutoSize && width_ > 0 ? std::max(1, width_ * kDefaultFontHeight / kReferenceWidth)
                                                         : PixelHeight(record.size));
    fontColour_ = record.color;
    font_.setBold(record.bold);
    font_.setItalic(record.italic);
    font_.setUnderline(record.underline);
    font_.setStrikeOut(record.strikeOut);
}

void Tdv_Superposer::SetOverlaySettings(const TincrustRec &rec)
{
    std::lock_guard lock(mutex_);
    settings_ = rec;
    UpdateDurationFrames();
    ApplyFont();
}

void Tdv_Superposer::SetAlignment(IncrustAlignment code)
{
    std::lock_guard lock(mutex_);
    alignment_ = code;
}

void Tdv_Superposer::SetTimeDifference(double days)
{
    std::lock_guard lock(mutex_);
    settings_.TimeDifference = days;
}

void Tdv_Superposer::SetWhen(IncrustWhen code)
{
    std::lock_guard lock(mutex_);
    settings_.When = code;
    countdown_ = durationFrames_ - 1;
}

void Tdv_Superposer::SetPosition(int x, int y, IncrustAlignment code)
{
    std::lock_guard lock(mutex_);
    posX_ = std::clamp(x, 0, TIncrustPosition::kMax);
    posY_ = std::clamp(y, 0, TIncrustPosition::kMax);
    alignment_ = code;
}

void Tdv_Superposer::SetEnabled(bool flag)
{
    std::lock_guard lock(mutex_);
    enabled_ = flag;
}

void Tdv_Superposer::SetDeinterlace(bool flag)
{
    std::lock_guard lock(mutex_);
    deinterlace_ = flag;
}

void Tdv_Superposer::SetKeepsStill(bool flag)
{
    std::lock_guard lock(mutex_);
    keepsStill_ = flag;
}

QString Tdv_Superposer::Line1() const
{
    std::lock_guard lock(mutex_);
    return line1_;
}

QString Tdv_Superposer::Line2() const
{
    std::lock_guard lock(mutex_);
    return line2_;
}

QFont Tdv_Superposer::Font() const
{
    std::lock_guard lock(mutex_);
    return font_;
}

int32_t Tdv_Superposer::DurationFrames() const
{
    std::lock_guard lock(mutex_);
    return durationFrames_;
}

int32_t Tdv_Superposer::Countdown() const
{
    std::lock_guard lock(mutex_);
    return countdown_;
}

int32_t Tdv_Superposer::FrameCount() const
{
    std::lock_guard lock(mutex_);
    return frameCount_;
}

void Tdv_Superposer::DrawStill(QImage &bitmap)
{
    std::lock_guard lock(mutex_);
    if (stillBitmap_.isNull() || bitmap.isNull())
        return;
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(bitmap.rect(), stillBitmap_);
}

void Tdv_Superposer::DeinterlaceStill(QImage &bitmap)
{
    {
        std::lock_guard lock(mutex_);
        KeepStill();
    }
    DrawStill(bitmap);
}

void Tdv_Superposer::KeepStill()
{
    DeinterlacePicture(frameBitmap_, stillBitmap_, combMask_, keepMask_);
}

bool Tdv_Superposer::CheckInputType(const MediaType &type) const
{
    return type.majorType == MajorType::Video && type.subtype == kSubtypeRgb24
        && type.formatType == FormatType::VideoInfo && ParseVideoInfoHeader(type.FormatBytes()).has_value();
}

std::optional<MediaType> Tdv_Superposer::GetMediaType(int position) const
{
    if (position != 0)
        return std::nullopt;
    MediaType type = Input().ConnectionMediaType();
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(type.FormatBytes());
    if (!header)
        return std::nullopt;
    type.majorType = MajorType::Video;
    type.subtype = kSubtypeRgb24;
    // Rows padded to 4 bytes, so a width that is no multiple of 4 still fits.
    type.sampleSize = static_cast<uint32_t>(Rgb24ImageSize(header->bmiHeader.width, std::abs(header->bmiHeader.height)));
    return type;
}

StreamResult Tdv_Superposer::StartStreaming()
{
    std::lock_guard lock(mutex_);
    frameCount_ = 0;
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(Input().ConnectionMediaType().FormatBytes());
    if (!header)
        return StreamResult::Error(QStringLiteral("The overlay filter has no picture format."));
    const int width = header->bmiHeader.width;
    const int height = std::abs(header->bmiHeader.height);
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
        return StreamResult::Error(QStringLiteral("The overlay filter cannot take pictures of this size."));
    width_ = width;
    height_ = height;
    frameBitmap_ = QImage(width_, height_, QImage::Format_BGR888);
    linesKey_.clear();
    stillBitmap_ = QImage(width_, height_, QImage::Format_BGR888);
    combMask_ = QImage(width_, height_, QImage::Format_Grayscale8);
    keepMask_ = QImage(width_, height_, QImage::Format_Grayscale8);
    if (frameBitmap_.isNull() || stillBitmap_.isNull() || combMask_.isNull() || keepMask_.isNull())
        return StreamResult::Error(QStringLiteral("Out of memory in the overlay filter."));
    frameBitmap_.fill(Qt::black);
    stillBitmap_.fill(Qt::black);
    if (settings_.AutoSize)
        font_.setPixelSize(std::max(1, width_ * kDefaultFontHeight / kReferenceWidth));
    frameTime_ = header->avgTimePerFrame;
    usedArea_.Clear();
    UpdateDurationFrames();
    countdown_ = durationFrames_ - 1;
    return StreamResult::Ok();
}

void Tdv_Superposer::UpdateCountdown(const TFrameInfo &info)
{
    if (countdown_ > 0)
        --countdown_;
    if (info.DatecodeValid) {
        const TDateTime datecode = info.Datecode;
        if (settings_.When == IncrustWhen::kEachNewScene) {
            if (datecode - lastDatecode_ > kNewSceneGapDays || datecode < lastDatecode_)
                countdown_ = durationFrames_;
        } else if (settings_.When == IncrustWhen::kEachNewDay) {
            const bool otherDay = DecodeDateTime(datecode).day != DecodeDateTime(lastDatecode_).day;
            if (otherDay || std::abs(datecode - lastDatecode_) > 1)
                countdown_ = durationFrames_;
        }
    }
    lastDatecode_ = info.Datecode;
}

namespace {

// The smallest rectangle holding every pixel that is not fully transparent.
QRect OpaqueBounds(const QImage &image)
{
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

QRect Tdv_Superposer::LayOutLines(const TFrameInfo &info)
{
    TOverlayLines lines = OverlayLines(settings_, info);
    line1_ = std::move(lines.line1);
    line2_ = std::move(lines.line2);

    const QFontMetrics metrics(font_);
    const int h = font_.pixelSize();
    const int w = width_;
    const int cx = w * posX_ / TIncrustPosition::kMax;
    const int by = height_ * posY_ / TIncrustPosition::kMax;
    const int w1 = metrics.horizontalAdvance(line1_);
    const int w2 = metrics.horizontalAdvance(line2_);
    int x1 = 0;
    int x2 = 0;
    switch (alignment_) {
    case IncrustAlignment::kLeft:
        x1 = cx - w2 / 2;
        x2 = cx - w2 / 2;
        break;
    case IncrustAlignment::kCentred:
        x1 = cx - w1 / 2;
        x2 = cx - w2 / 2;
        break;
    case IncrustAlignment::kRight:
        x1 = cx - w1 + w2 / 2;
        x2 = cx - w2 / 2;
        break;
    case IncrustAlignment::kSubtitle:
        x1 = (w - w1) / 2;
        x2 = (w - w2) / 2;
        break;
    default:
        return {};
    }
    const QString key = line1_ + u'\n' + line2_ + u'\n' +
                        QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                            .arg(x1)
                            .arg(x2)
                            .arg(by)
                            .arg(h)
                            .arg(settings_.BorderSize)
                            .arg(fontColour_.rgb())
                            .arg(font_.key());
    if (key != linesKey_) {
        QImage lines(width_, height_, QImage::Format_ARGB32_Premultiplied);
        lines.fill(Qt::transparent);
        {
            QPainter painter(&lines);
            painter.setFont(font_);
            painter.setBackgroundMode(Qt::TransparentMode);
            DrawLine(painter, line1_, x1, by - 2 * h);
            DrawLine(painter, line2_, x2, by - h);
        }
        const QRect used = OpaqueBounds(lines);
        linesImage_ = used.isEmpty() ? QImage() : lines.copy(used).mirrored(false, true);
        linesOrigin_ = used.topLeft();
        linesKey_ = key;
    }
    return linesImage_.isNull() ? QRect() : QRect(linesOrigin_, linesImage_.size());
}

void Tdv_Superposer::PaintLines(MutableByteSpan picture)
{
    // A top-down view of bottom-up rows shows the picture upside down, as the lines are kept.
    QImage view(picture.data(), width_, height_, static_cast<qsizetype>(Rgb24RowBytes(width_)), QImage::Format_BGR888);
    QPainter painter(&view);
    painter.drawImage(QPoint(linesOrigin_.x(), height_ - linesOrigin_.y() - linesImage_.height()), linesImage_);
}

void Tdv_Superposer::DrawLine(QPainter &painter, const QString &text, int x, int y)
{
    if (text.isEmpty())
        return;
    // (x, y) is the top of the text cell; QPainter places text on its baseline.
    const int baseline = y + QFontMetrics(font_).ascent();
    const int b = settings_.BorderSize;
    if (b > 0) {
        painter.setPen(kBorderColour);
        for (int i = -b; i <= b; ++i)
            for (int j = -b; j <= b; ++j)
                painter.drawText(x + i, baseline + j, text);
    }
    painter.setPen(fontColour_);
    painter.drawText(x, baseline, text);
}

StreamResult Tdv_Superposer::Transform(const MediaSample &input, MediaSample &output)
{
    std::lock_guard lock(mutex_);
    if (!input.MediaTimes())
        output.SetMediaTimes(MediaTimeRange{frameCount_, frameCount_ + 1});
    const StreamResult result = Overlay(input, output);
    ++frameCount_;
    return result;
}

StreamResult Tdv_Superposer::Overlay(const MediaSample &input, MediaSample &output)
{
    const size_t size = Rgb24ImageSize(width_, height_);
    if (input.Data().size() < size)
        return StreamResult::Error(QStringLiteral("A picture given to the overlay filter is too short."));
    if (!output.SetActualLength(size))
        return StreamResult::Error(QStringLiteral("The overlay filter could not write its picture."));
    // The information of this very frame, also when the decoder works ahead.
    const std::optional<TFrameInfo> own =
        input.MediaTimes() ? sceneDetector_.PublishedAt(input.MediaTimes()->start) : std::nullopt;
    const TFrameInfo info = own ? *own : sceneDetector_.Published();
    UpdateCountdown(info);
    const QRect drawn =
        enabled_ && (settings_.When == IncrustWhen::kPermanently || countdown_ > 0) ? LayOutLines(info) : QRect();

    // The still and the deinterlaced picture take the whole picture; the lines, what they cover.
    const bool firstSinceReset = !FramePassed.load();
    const bool wantsWhole = deinterlace_ || keepsStill_ || firstSinceReset;
    std::optional<PictureSource> source = input.Source();
    const QRect needed = wantsWhole ? PictureSource::WholePicture() : drawn;
    if (source && source->frame && !needed.isEmpty() && !source->decoded.contains(needed)) {
        if (auto error = wholeDecoder_.Decode(*source->frame, output.Data(), width_, height_))
            return StreamResult::Error(*error);
        source->decoded = PictureSource::WholePicture();
    } else {
        std::memcpy(output.Data().data(), input.Data().data(), size);
    }
    if (!drawn.isEmpty()) {
        PaintLines(output.Data());
        if (!wantsWhole) {
            const int margin = font_.pixelSize();
            usedArea_.Add(drawn.adjusted(-margin, -2, margin, 2).intersected(QRect(0, 0, width_, height_)));
        }
    }
    if (wantsWhole) {
        CopyBottomUpToImage(output.Data(), frameBitmap_);
        if (deinterlace_ || firstSinceReset)
            KeepStill();
        if (deinterlace_ && !CopyImageToBottomUp(stillBitmap_, output.Data()))
            return StreamResult::Error(QStringLiteral("The overlay filter could not write its picture."));
    }
    // Only the lines differ from the picture's source frame, unless it was deinterlaced.
    if (source && !deinterlace_) {
        source->changed = source->changed.united(drawn);
        output.SetSource(std::move(source));
    }
    FramePassed.store(true);
    return StreamResult::Ok();
}
