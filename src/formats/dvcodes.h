// The metadata a camcorder stores in every DV frame: datecode, timecode, TV
// system, aspect flag and audio format. Pure functions over a frame buffer the
// caller owns (n DIF sequences of 12000 bytes); no allocation, no state, any thread.
// A buffer shorter than n sequences is never read: queries report "not found",
// writers leave it unchanged.
#pragma once

#include "base/datetime.h"
#include "formats/bytes.h"
#include "formats/dvlayout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

enum DvPackId : uint8_t {
    kPackTimecode = 0x13,
    kPackAudioSource = 0x50,
    kPackAudioControl = 0x51,
    kPackVideoSource = 0x60,
    kPackVideoControl = 0x61,
    kPackRecordingDate = 0x62,
    kPackRecordingTime = 0x63,
    kPackEmpty = 0xFF,
};

struct TDatecodeRec {
    int32_t year = 0;
    uint8_t month = 0;
    uint8_t day = 0;
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t second = 0;
    bool operator==(const TDatecodeRec &) const = default;
};

struct TTimecodeRec {
    uint8_t hours = 0;
    uint8_t minutes = 0;
    uint8_t seconds = 0;
    uint8_t frames = 0;
    bool operator==(const TTimecodeRec &) const = default;
};

struct DvAudioFormat {
    int rate = 0;      // 48000, 44100, 32000, or 0
    int bits = 0;      // 16, 12, or 0
    int channels = 0;  // 0, 2 or 4
    bool operator==(const DvAudioFormat &) const = default;
};

using DvPack = std::array<uint8_t, dvlayout::kPackSize>;
using DvAudioBlock = std::array<uint8_t, dvlayout::kBlockSize>;
using DvPackBytes = std::span<uint8_t, dvlayout::kPackSize>;

// The first pack with this id: subcode then VAUX slots of sequence 0, then of sequence 1 ...
std::optional<DvPack> DvFindPack(ByteSpan frame, uint8_t packId, int sequences);
// The first audio DIF block whose AAUX pack carries this id.
std::optional<DvAudioBlock> DvFindAudioBlock(ByteSpan frame, uint8_t packId, int sequences);
// The digits as stored, without range check.
std::optional<TTimecodeRec> DvGetTimecode(ByteSpan frame, int sequences);
// The digits as stored; DatecodeToDateTime decides whether they form a date.
std::optional<TDatecodeRec> DvGetDatecode(ByteSpan frame, int sequences);
std::optional<DvAudioFormat> DvGetAudio(ByteSpan frame, int sequences);
// true for 16:9, false for 4:3.
std::optional<bool> DvGetWide(ByteSpan frame, int sequences);
// true for 525/60, false for 625/50; nullopt when header byte 3 is neither.
std::optional<bool> DvIs525(ByteSpan frame);

// Writes the date and time into every date and time pack, and turns the empty
// subcode slots into alternating date and time packs.
void DvSetDatecode(MutableByteSpan frame, int sequences, const TDatecodeRec &datecode);
// Rewrites the aspect of every video source control pack; creates none.
void DvSetWide(MutableByteSpan frame, int sequences, bool wide);
// Write only the digit fields; every other bit of the pack keeps its value.
void DvEncodeRecDate(DvPackBytes pack, const TDatecodeRec &datecode);
void DvEncodeRecTime(DvPackBytes pack, const TDatecodeRec &datecode);

// Writes the timecode digits into every timecode pack, subcode and VAUX alike,
// keeping their flag bits. A sequence whose subcode area holds no timecode pack
// gets one in the first empty slot of each of its two subcode blocks, so frames
// from encoders that write none carry a timecode afterwards.
void DvSetTimecode(MutableByteSpan frame, int sequences, const TTimecodeRec &timecode);

// The date-time value of a datecode, or nullopt when it names no real date and time.
std::optional<TDateTime> DatecodeToDateTime(const TDatecodeRec &datecode);
// The datecode of a date-time value (seconds truncated after millisecond rounding).
TDatecodeRec DateTimeToDatecode(TDateTime value);
