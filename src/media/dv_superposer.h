// Tdv_Superposer: the date overlay filter. It draws one or two lines of text (the
// datecode in two formats, the timecode or a personal text) over each decoded
// picture, from the frame information that the datecode scene detector of the same
// graph published for the frame it passed last; it shows the lines always, once,
// or for a while after each new scene or day. It keeps the last picture drawn,
// deinterlaced, for the clipboard and the scene thumbnails. It learns which part
// of the pictures it draws on (UsedArea), so a DV decoder before it may decode
// only that part; a picture decoded for less than it needs is decoded whole again.
//
// The owner (a data module) creates it with the detector, which must outlive it.
// Transform and StartStreaming run on the graph's streaming thread; the settings
// and still operations on the window thread, also while the graph runs: one lock
// guards the settings and the pictures for the whole of a frame and of each
// operation. FramePassed is set by the streaming thread and polled by the player.
#pragma once

#include "media/dv_scenedetect.h"
#include "media/dvframedecoder.h"
#include "media/incrustrec.h"
#include "media/transformfilter.h"
#include "media/usedpicturearea.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>

// Set when an overlay filter has drawn a frame since the player last cleared it.
extern std::atomic<bool> FramePassed;

class Tdv_Superposer final : public TBCTransformFilter {
public:
    static constexpr const char *kConversionGraphName = "dv_Superposer";
    static constexpr const char *kPlaybackGraphName = "superposer";
    static constexpr int kDefaultFontHeight = 21;  // pixels, for a picture 720 wide
    static constexpr int kReferenceWidth = 720;

    explicit Tdv_Superposer(const SceneDetectCore &sceneDetector);

    // Settings operations (any thread).
    void SetOverlaySettings(const TincrustRec &rec);
    void SetAlignment(IncrustAlignment code);
    void SetTimeDifference(double days);
    void SetWhen(IncrustWhen code);
    // x and y are clamped to 0..1000.
    void SetPosition(int x, int y, IncrustAlignment code);
    void SetEnabled(bool flag);
    // Deliver the deinterlaced picture instead of the picture as drawn.
    void SetDeinterlace(bool flag);
    // Keep each picture drawn for DrawStill and DeinterlaceStill (on until set); a
    // conversion, which never shows the still, saves a copy of every picture.
    void SetKeepsStill(bool flag);

    // The part of the pictures drawn on this run, with a margin for lines that grow.
    const UsedPictureArea &UsedArea() const { return usedArea_; }

    // Stretches the kept picture onto the whole of bitmap (any format QPainter draws on).
    void DrawStill(QImage &bitmap);
    // Deinterlaces the last picture drawn into the kept one first.
    void DeinterlaceStill(QImage &bitmap);

    // The lines of the last frame drawn, the font they are drawn in and the counters.
    QString Line1() const;
    QString Line2() const;
    QFont Font() const;
    int32_t DurationFrames() const;
    int32_t Countdown() const;
    int32_t FrameCount() const;

protected:
    bool CheckInputType(const MediaType &type) const override;
    std::optional<MediaType> GetMediaType(int position) const override;
    StreamResult StartStreaming() override;
    StreamResult Transform(const MediaSample &input, MediaSample &output) override;

private:
    void UpdateDurationFrames();
    void ApplyFont();
    void UpdateCountdown(const TFrameInfo &info);
    StreamResult Overlay(const MediaSample &input, MediaSample &output);
    // Lays the frame's lines out; the part of the picture they cover, empty when none.
    QRect LayOutLines(const TFrameInfo &info);
    void DrawLine(QPainter &painter, const QString &text, int x, int y);
    // Lays the lines as last laid out over a picture in the sample layout.
    void PaintLines(MutableByteSpan picture);
    void KeepStill();

    const SceneDetectCore &sceneDetector_;
    mutable std::mutex mutex_;  // guards everything below
    int32_t frameCount_ = 0;    // frames passed since streaming started
    bool enabled_ = true;
    bool keepsStill_ = true;
    QImage frameBitmap_;        // the last picture drawn, when kept
    // The two lines as last drawn, outline included, on a transparent picture turned
    // upside down like the sample's rows: the text changes once a second at most, so
    // each frame only lays it over. Its top-left corner in the picture (top-down):
    QImage linesImage_;
    QPoint linesOrigin_;
    QString linesKey_;
    QImage stillBitmap_;        // the kept picture, deinterlaced
    QImage combMask_;
    QImage keepMask_;
    QFont font_;
    QColor fontColour_ = Qt::white;
    TincrustRec settings_;
    int32_t durationFrames_ = 125;
    MediaTime frameTime_ = 0;
    bool deinterlace_ = false;
    int posX_ = 900;
    int posY_ = 900;
    IncrustAlignment alignment_ = IncrustAlignment::kRight;
    QString line1_;
    QString line2_;
    int width_ = 0;
    int height_ = 0;
    int32_t countdown_ = 0;  // frames the inlay still stays in the timed modes
    TDateTime lastDatecode_ = 0;
    UsedPictureArea usedArea_;
    DvFrameDecoder wholeDecoder_;
};
