// A video of the file list with everything read from it once, when it is built:
// codec, DV type, TV system, aspect, picture size, frame rate, frame count,
// duration, sound, the datecode and timecode of the first frame and whether its
// .scn and .srt companions exist.
//
// Construction reads the file through the program's one media-information
// reader and holds MediaInfoLock() for its whole length, so items may be built on
// any thread (the caller must not hold that lock). Nothing is ever written into
// the file. Afterwards an item is only read, except by a rename (SetPath) and the
// display time difference, both on the user-interface thread.
#pragma once

#include "files/srfichier.h"

#include <QChar>

#include <cstdint>
#include <mutex>

struct TMediaInfo;

// Datecode keys of items whose datecode is not known: not read yet, and no readable AVI.
inline constexpr QChar kDatecodeKeyNotRead = QChar(0x00FE);
inline constexpr QChar kDatecodeKeyUnreadable = QChar(0x00FF);

enum TTvSystem : uint8_t {
    kSystemPal = 0,    // 625/50
    kSystemNtsc = 1,   // 525/60
    kSystemUnknown = 2,
};

class TaviFichier : public TSRFichier {
public:
    explicit TaviFichier(const QString &path);
    TaviFichier(const QString &folder, const TSearchRec &rec);

    QString GetSortKey(const TSortIndex &index) const override;

    QString datecodeKey = QString(kDatecodeKeyNotRead);
    QString datecodeText = QStringLiteral("-");
    TDateTime datecode = 0;
    QString timecodeText = QStringLiteral("-");
    QString codec;
    int type = 0;  // 1 or 2 for DV files
    bool type2Interleaved = false;
    QString imageText;
    QString aspectText;
    int width = 0;
    int height = 0;  // for DV files, the displayed height of the aspect
    int64_t duration = 0;  // 100 ns units
    QString durationText;
    int frameCount = 0;
    double fps = 0;
    QString audioText;
    QString audioDurationText;
    uint32_t dvVideoSource = 0;
    uint32_t bitRate = 0;
    QString audioCodecText;
    uint8_t system = kSystemUnknown;
    bool hasScn = false;
    bool hasSrt = false;
    bool dvInfo = false;  // a DV stream was read: type, system, aspect, datecode and timecode mean something
    bool wide = false;
    int samplingRate = 0;
    int bits = 0;
    QString channelsText;
    double displayTimeDifference = 0;  // days
    QString displayTimeDifferenceText;
    QString datecodeSortKey;
    QString timecodeSortKey;
    QString durationSortKey;

protected:
    void UpdateKeys() override;

private:
    TaviFichier(const QString &folder, const TSearchRec &rec, std::unique_lock<std::mutex> readerLock);
    void ReadFile();
    void ReadVideo(const TMediaInfo &info, bool &heightMultipleOf60);
    void ReadAudio(const TMediaInfo &info);
    void ReadDv(const TMediaInfo &info, bool heightMultipleOf60);
    void SetUnreadable();
    void UpdateOwnKeys();
};

// The codec label of an item: the codec, and for DV files its AVI type.
QString CodecWithType(const TaviFichier &item);
// The duration label: the video duration, with the sound's in brackets when it prints otherwise.
QString DurationWithAudio(const TaviFichier &item);
// The datecode shown for an item: its value in the current display format when it
// has one, else its datecode text.
QString ShownDatecode(const TaviFichier &item);
