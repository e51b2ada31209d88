#include "formats/dvcodes.h"
#include "formats/dvlayout.h"
#include "support/testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace dvlayout;

namespace {

using Frame = std::vector<uint8_t>;

constexpr size_t kDateSlot = VauxPackOffset(5, 11);  // 458
constexpr size_t kTimeSlot = VauxPackOffset(5, 12);  // 463

// A frame with every pack slot empty and the header of a consumer recording
// (APT 0 in byte 4, reserved 0xFF from byte 8 on) in every sequence.
Frame BlankFrame(bool is525)
{
    const int sequences = is525 ? kSequences525 : kSequences625;
    Frame frame(kSequenceSize * sequences, 0xFF);
    for (int s = 0; s < sequences; ++s) {
        uint8_t *header = frame.data() + kSequenceSize * s;
        const uint8_t bytes[] = {0x1F, static_cast<uint8_t>(0x07 | s << 4), 0x00, is525 ? uint8_t(0x3F) : uint8_t(0xBF),
                                 0x68, 0x78, 0x78, 0x78};
        std::copy(std::begin(bytes), std::end(bytes), header);
    }
    return frame;
}

int Sequences(const Frame &frame) { return SequencesForFrameSize(frame.size()); }

void Put(Frame &frame, int sequence, size_t offset, const DvPack &pack)
{
    std::copy(pack.begin(), pack.end(), frame.begin() + static_cast<std::ptrdiff_t>(kSequenceSize * sequence + offset));
}

DvPack At(const Frame &frame, int sequence, size_t offset)
{
    DvPack pack;
    std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(kSequenceSize * sequence + offset), pack.size(),
                pack.begin());
    return pack;
}

// The packs a Sony camcorder wrote for 2024-07-08 19:55:58.
constexpr DvPack kSonyDate = {0x62, 0xFF, 0xC8, 0xE7, 0x24};
constexpr DvPack kSonyTime = {0x63, 0xFF, 0xD8, 0xD5, 0xD9};

DvPack DatePack(uint8_t day, uint8_t month, uint8_t year) { return {0x62, 0xFF, day, month, year}; }

Frame SampleFrame(const QString &path, size_t size)
{
    const QByteArray bytes = testsupport::ReadWholeFile(path);
    Frame frame(size, 0xFF);
    std::copy_n(bytes.begin(), std::min<size_t>(size, static_cast<size_t>(bytes.size())), frame.begin());
    return frame;
}

}  // namespace

TEST(DvPackSearch, SubcodeBeforeVauxAndEarlierSequencesFirst)
{
    struct Placed { int sequence; size_t offset; uint8_t mark; };
    struct Case { const char *what; std::vector<Placed> packs; uint8_t expected; } cases[] = {
        {"subcode beats VAUX of the same sequence", {{0, VauxPackOffset(3, 0), 1}, {0, SubcodePackOffset(2, 5), 2}}, 2},
        {"block 1 beats block 2", {{0, SubcodePackOffset(2, 0), 1}, {0, SubcodePackOffset(1, 5), 2}}, 2},
        {"VAUX block 3 beats block 5", {{0, VauxPackOffset(5, 0), 1}, {0, VauxPackOffset(3, 14), 2}}, 2},
        {"sequence 0 beats sequence 1", {{1, SubcodePackOffset(1, 0), 1}, {0, VauxPackOffset(5, 14), 2}}, 2},
        {"only VAUX of sequence 3", {{3, VauxPackOffset(4, 7), 3}}, 3},
        {"last slot of the last sequence", {{11, VauxPackOffset(5, 14), 4}}, 4},
    };
    for (const Case &c : cases) {
        Frame frame = BlankFrame(false);
        for (const Placed &p : c.packs)
            Put(frame, p.sequence, p.offset, {0x61, p.mark, 0, 0, 0});
        const auto found = DvFindPack(frame, 0x61, Sequences(frame));
        ASSERT_TRUE(found) << c.what;
        EXPECT_EQ((*found)[1], c.expected) << c.what;
    }
    EXPECT_FALSE(DvFindPack(BlankFrame(false), 0x61, kSequences625));
}

TEST(DvPackSearch, DateAndTimeMayComeFromDifferentSequences)
{
    Frame frame = BlankFrame(false);
    Put(frame, 3, VauxPackOffset(3, 0), kSonyDate);
    Put(frame, 3, VauxPackOffset(3, 1), kSonyTime);
    Put(frame, 5, SubcodePackOffset(1, 0), DatePack(0x01, 0x01, 0x99));
    EXPECT_EQ(DvGetDatecode(frame, kSequences625), (TDatecodeRec{2024, 7, 8, 19, 55, 58}));

    // A date pack in subcode of sequence 0 wins over one in VAUX of sequence 0.
    Put(frame, 0, VauxPackOffset(4, 2), DatePack(0x02, 0x02, 0x02));
    Put(frame, 0, SubcodePackOffset(1, 3), DatePack(0x13, 0x11, 0x03));
    EXPECT_EQ(DvGetDatecode(frame, kSequences625), (TDatecodeRec{2003, 11, 13, 19, 55, 58}));
}

TEST(DvPackSearch, AudioBlockSearchVisitsSequencesInOrder)
{
    Frame frame = BlankFrame(true);
    Put(frame, 1, AudioBlockOffset(0) + 3, {0x50, 0x01, 0, 0, 0});
    Put(frame, 0, AudioBlockOffset(8) + 3, {0x50, 0x02, 0, 0, 0});
    const auto block = DvFindAudioBlock(frame, 0x50, kSequences525);
    ASSERT_TRUE(block);
    EXPECT_EQ((*block)[3], 0x50);
    EXPECT_EQ((*block)[4], 0x02);
}

TEST(DvDatecode, FallsBackToTheStandardSlotsOfSequenceZero)
{
    // The digits of 2024-07-08 19:55:58 at bytes 458..467, under various ids.
    struct Case { const char *what; uint8_t dateId, timeId; bool subcodeTime; bool found; } cases[] = {
        {"both ids zero, a time pack elsewhere", 0x00, 0x00, true, true},
        {"date id zero, time pack in place", 0x00, 0x63, false, true},
        {"date pack in place, time id zero", 0x62, 0x00, false, true},
        {"both ids zero, nothing elsewhere", 0x00, 0x00, false, true},
        {"time slot empty", 0x00, 0xFF, true, false},
        {"date slot holds another pack", 0x61, 0x00, true, false},
    };
    for (const Case &c : cases) {
        Frame frame = BlankFrame(false);
        DvPack date = kSonyDate, time = kSonyTime;
        date[0] = c.dateId;
        time[0] = c.timeId;
        Put(frame, 0, kDateSlot, date);
        Put(frame, 0, kTimeSlot, time);
        if (c.subcodeTime)  // replaced by the standard slot's time when the fallback applies
            Put(frame, 0, SubcodePackOffset(1, 0), {0x63, 0xFF, 0x80, 0x80, 0xC0});
        const auto dc = DvGetDatecode(frame, kSequences625);
        ASSERT_EQ(dc.has_value(), c.found) << c.what;
        if (c.found) {
            EXPECT_EQ(*dc, (TDatecodeRec{2024, 7, 8, 19, 55, 58})) << c.what;
        }
    }
}

TEST(DvDatecode, TwoDigitYearsFrom70AreTheLastCentury)
{
    struct Case { uint8_t digits; int year; } cases[] = {
        {0x00, 2000}, {0x24, 2024}, {0x25, 2025}, {0x26, 2026}, {0x69, 2069},
        {0x70, 1970}, {0x95, 1995}, {0x99, 1999},
    };
    for (const Case &c : cases) {
        Frame frame = BlankFrame(true);
        Put(frame, 0, kDateSlot, DatePack(0xC1, 0xE1, c.digits));
        Put(frame, 0, kTimeSlot, kSonyTime);
        const auto dc = DvGetDatecode(frame, kSequences525);
        ASSERT_TRUE(dc);
        EXPECT_EQ(dc->year, c.year) << std::hex << int(c.digits);
        ASSERT_TRUE(DatecodeToDateTime(*dc));

        // Writing keeps the two digits.
        DvPack pack = DatePack(0xFF, 0xFF, 0xFF);
        DvEncodeRecDate(pack, *dc);
        EXPECT_EQ(pack[4], c.digits);
    }
}

TEST(DvDatecode, ImpossibleDatesAreFoundButInvalid)
{
    struct Case { const char *what; DvPack date; DvPack time; bool valid; } cases[] = {
        {"31 February", DatePack(0x31, 0x02, 0x04), kSonyTime, false},
        {"29 February of a leap year", DatePack(0x29, 0x02, 0x24), kSonyTime, true},
        {"29 February of 2023", DatePack(0x29, 0x02, 0x23), kSonyTime, false},
        {"all-0xFF date payload", {0x62, 0xFF, 0xFF, 0xFF, 0xFF}, kSonyTime, false},
        {"all-0xFF time payload", kSonyDate, {0x63, 0xFF, 0xFF, 0xFF, 0xFF}, false},
        {"month 0", DatePack(0x01, 0x00, 0x04), kSonyTime, false},
        {"hour 24", kSonyDate, {0x63, 0xFF, 0x00, 0x00, 0x24}, false},
    };
    for (const Case &c : cases) {
        Frame frame = BlankFrame(false);
        Put(frame, 0, SubcodePackOffset(1, 0), c.date);
        Put(frame, 0, SubcodePackOffset(1, 1), c.time);
        const auto dc = DvGetDatecode(frame, kSequences625);
        ASSERT_TRUE(dc) << c.what;
        EXPECT_EQ(DatecodeToDateTime(*dc).has_value(), c.valid) << c.what;
    }
    Frame empty = BlankFrame(false);
    EXPECT_FALSE(DvGetDatecode(empty, kSequences625));
}

TEST(DvTimecode, DecodesDigitsWithoutRangeCheck)
{
    struct Case { DvPack pack; TTimecodeRec expected; } cases[] = {
        {{0x13, 0xD7, 0x82, 0x80, 0xC0}, {0, 0, 2, 17}},        // drop-frame and group flags ignored
        {{0x13, 0x24, 0x04, 0x00, 0x00}, {0, 0, 4, 24}},
        {{0x13, 0x29, 0x59, 0x59, 0x23}, {23, 59, 59, 29}},
        {{0x13, 0xFF, 0xFF, 0xFF, 0xFF}, {45, 85, 85, 45}},     // digits of 15
    };
    for (const Case &c : cases) {
        Frame frame = BlankFrame(true);
        Put(frame, 2, VauxPackOffset(4, 0), c.pack);
        EXPECT_EQ(DvGetTimecode(frame, kSequences525), c.expected);
    }
    EXPECT_FALSE(DvGetTimecode(BlankFrame(true), kSequences525));
}

TEST(DvAudio, DecodesTheAudioSourcePack)
{
    struct Case { uint8_t pc2, pc4; DvAudioFormat expected; } cases[] = {
        {0x00, 0x09, {44100, 12, 2}},
        {0x00, 0xC0, {48000, 16, 2}},  // one channel per audio block: stereo
        {0x30, 0xD1, {32000, 12, 4}},  // two per block: two stereo pairs
        {0x20, 0xD1, {32000, 12, 4}},
        {0x10, 0xC0, {48000, 16, 2}},  // the pairing bit does not change the count
        {0x80, 0xC0, {48000, 16, 2}},  // nor does the stereo-mode bit
        {0x01, 0xC0, {48000, 16, 0}},  // another audio mode
        {0x3F, 0xD1, {32000, 12, 0}},  // no sound in this block
        {0x40, 0xC0, {48000, 16, 0}},  // reserved channel code
        {0x00, 0x1A, {0, 0, 2}},       // reserved rate and quantization codes
    };
    for (const Case &c : cases) {
        Frame frame = BlankFrame(false);
        Put(frame, 0, AudioBlockOffset(3) + 3, {0x50, 0xD0, c.pc2, 0xE0, c.pc4});
        EXPECT_EQ(DvGetAudio(frame, kSequences625), c.expected) << std::hex << int(c.pc2) << ' ' << int(c.pc4);
    }
    EXPECT_FALSE(DvGetAudio(BlankFrame(false), kSequences625));
}

TEST(DvAspect, DispWithTheApplicationId)
{
    struct Case { uint8_t apt; uint8_t pc2; bool wide; } cases[] = {
        {0x68, 0x02, true}, {0xFF, 0x02, true},  // 16:9 letterbox in every application
        {0x68, 0xF7, true},                      // consumer full-height 16:9
        {0xF9, 0x07, false},                     // not a consumer frame: 7 is no 16:9 code
        {0x68, 0x00, false}, {0x68, 0xF8, false}, {0x68, 0x01, false},
    };
    for (const Case &c : cases) {
        Frame frame = BlankFrame(false);
        frame[4] = c.apt;
        frame[12] = 0x00;  // reserved byte; must not matter
        Put(frame, 0, VauxPackOffset(5, 10), {0x61, 0x03, c.pc2, 0xFC, 0xFF});
        EXPECT_EQ(DvGetWide(frame, kSequences625), c.wide) << std::hex << int(c.apt) << ' ' << int(c.pc2);
    }
    EXPECT_FALSE(DvGetWide(BlankFrame(false), kSequences625));
}

TEST(DvSystem, HeaderByteThree)
{
    Frame frame = BlankFrame(true);
    EXPECT_EQ(DvIs525(frame), true);
    frame[3] = 0xBF;
    EXPECT_EQ(DvIs525(frame), false);
    frame[3] = 0x80;
    EXPECT_FALSE(DvIs525(frame));
    EXPECT_FALSE(DvIs525(ByteSpan(frame).first(3)));
    EXPECT_FALSE(DvIs525(ByteSpan()));
}

TEST(DvSetDatecode, FillsEmptySubcodeSlotsAndRewritesExistingPacks)
{
    const TDatecodeRec dc{2026, 3, 1, 12, 34, 56};
    Frame frame = BlankFrame(false);
    Put(frame, 4, VauxPackOffset(5, 11), kSonyDate);
    Put(frame, 4, VauxPackOffset(5, 12), kSonyTime);
    DvSetDatecode(frame, kSequences625, dc);

    const DvPack date = {0x62, 0xFF, 0xC1, 0xE3, 0x26};
    const DvPack time = {0x63, 0xFF, 0xD6, 0xB4, 0xD2};
    for (int s = 0; s < kSequences625; ++s) {
        for (int b = 1; b <= 2; ++b)
            for (int k = 0; k < 6; ++k)
                EXPECT_EQ(At(frame, s, SubcodePackOffset(b, k)), k % 2 == 0 ? date : time)
                    << "sequence " << s << " block " << b << " slot " << k;
        for (int b = 3; b <= 5; ++b)
            for (int k = 0; k < 15; ++k) {
                const DvPack pack = At(frame, s, VauxPackOffset(b, k));
                if (s == 4 && b == 5 && (k == 11 || k == 12)) {
                    EXPECT_EQ(pack, k == 11 ? date : time);
                } else {
                    EXPECT_EQ(pack[0], 0xFF) << "VAUX slot filled: sequence " << s << " block " << b << " slot " << k;
                }
            }
    }
    EXPECT_EQ(DvGetDatecode(frame, kSequences625), dc);
}

TEST(DvSetDatecode, OtherSubcodePacksStayAndTheAlternationGoesOn)
{
    Frame frame = BlankFrame(true);
    const DvPack timecode = {0x13, 0xD7, 0x82, 0x80, 0xC0};
    Put(frame, 0, SubcodePackOffset(1, 0), timecode);
    Put(frame, 0, SubcodePackOffset(1, 3), kSonyTime);
    DvSetDatecode(frame, kSequences525, TDatecodeRec{2001, 9, 9, 1, 2, 3});
    const uint8_t expected[12] = {0x13, 0x62, 0x63, 0x63, 0x62, 0x63, 0x62, 0x63, 0x62, 0x63, 0x62, 0x63};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(At(frame, 0, SubcodePackOffset(1 + i / 6, i % 6))[0], expected[i]) << "slot " << i;
    EXPECT_EQ(At(frame, 0, SubcodePackOffset(1, 0)), timecode);
}

TEST(DvEncode, WritesOnlyTheDigitFields)
{
    // Empty packs become exactly what the camcorder wrote.
    DvPack date = {0x62, 0xFF, 0xFF, 0xFF, 0xFF};
    DvPack time = {0x63, 0xFF, 0xFF, 0xFF, 0xFF};
    const TDatecodeRec dc{2024, 7, 8, 19, 55, 58};
    DvEncodeRecDate(date, dc);
    DvEncodeRecTime(time, dc);
    EXPECT_EQ(date, kSonyDate);
    EXPECT_EQ(time, kSonyTime);

    // Week day bits and spare bits survive; the time pack's frame byte is not written.
    DvPack zeros = {0x62, 0x00, 0x00, 0xA0, 0x00};
    DvEncodeRecDate(zeros, TDatecodeRec{1999, 12, 31, 0, 0, 0});
    EXPECT_EQ(zeros, (DvPack{0x62, 0x00, 0x31, 0xB2, 0x99}));
    DvPack framed = {0x63, 0x17, 0x00, 0x00, 0x00};
    DvEncodeRecTime(framed, TDatecodeRec{2000, 1, 1, 23, 59, 59});
    EXPECT_EQ(framed, (DvPack{0x63, 0x17, 0x59, 0x59, 0x23}));

    // A tens digit too wide for its field is left out; the units are still written.
    DvPack wide = {0x62, 0xFF, 0x00, 0x00, 0x00};
    DvEncodeRecDate(wide, TDatecodeRec{2000, 25, 45, 0, 0, 0});
    EXPECT_EQ(wide[2], 0x05);
    EXPECT_EQ(wide[3], 0x05);
}

TEST(DvSetWide, SetsDispByApplicationAndKeepsTheOtherBits)
{
    struct Case { uint8_t apt; bool wide; uint8_t disp; } cases[] = {
        {0xFF, true, 2}, {0x68, true, 7}, {0x68, false, 0}, {0xFF, false, 0},
    };
    for (const Case &c : cases) {
        Frame frame = BlankFrame(false);
        for (int s = 0; s < kSequences625; ++s) {
            frame[kSequenceSize * s + 4] = c.apt;
            Put(frame, s, VauxPackOffset(5, 10), {0x61, 0x03, 0x80, 0xFC, 0xFF});
            Put(frame, s, SubcodePackOffset(2, 1), {0x61, 0x03, 0xCA, 0xFC, 0xFF});
        }
        DvSetWide(frame, kSequences625, c.wide);
        for (int s = 0; s < kSequences625; ++s) {
            EXPECT_EQ(At(frame, s, VauxPackOffset(5, 10)), (DvPack{0x61, 0x03, uint8_t(0x80 | c.disp), 0xFC, 0xFF}));
            EXPECT_EQ(At(frame, s, SubcodePackOffset(2, 1)), (DvPack{0x61, 0x03, uint8_t(0xC8 | c.disp), 0xFC, 0xFF}));
        }
        EXPECT_EQ(DvGetWide(frame, kSequences625), c.wide);
    }

    // No video control pack: nothing is created.
    Frame none = BlankFrame(false);
    const Frame before = none;
    DvSetWide(none, kSequences625, true);
    EXPECT_EQ(none, before);
}

TEST(DvSetTimecode, RewritesPacksKeepingFlags)
{
    Frame frame = BlankFrame(true);
    for (int s = 0; s < kSequences525; ++s)
        for (int i = 0; i < 12; ++i)
            Put(frame, s, SubcodePackOffset(1 + i / 6, i % 6), {0x13, 0xD7, 0x82, 0x80, 0xC0});
    Put(frame, 6, VauxPackOffset(4, 4), {0x13, 0x00, 0x00, 0x00, 0x00});
    const TTimecodeRec tc{1, 23, 45, 12};
    DvSetTimecode(frame, kSequences525, tc);
    for (int s = 0; s < kSequences525; ++s)
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(At(frame, s, SubcodePackOffset(1 + i / 6, i % 6)), (DvPack{0x13, 0xD2, 0xC5, 0xA3, 0xC1}));
    EXPECT_EQ(At(frame, 6, VauxPackOffset(4, 4)), (DvPack{0x13, 0x12, 0x45, 0x23, 0x01}));
    EXPECT_EQ(DvGetTimecode(frame, kSequences525), tc);
}

TEST(DvSetTimecode, CreatesOnePackPerSubcodeBlockWhereASequenceHasNone)
{
    Frame frame = BlankFrame(false);
    Put(frame, 0, SubcodePackOffset(1, 0), kSonyDate);
    Put(frame, 0, SubcodePackOffset(2, 0), kSonyDate);
    Put(frame, 0, SubcodePackOffset(2, 1), kSonyTime);
    Put(frame, 1, VauxPackOffset(3, 0), {0x13, 0xC0, 0x80, 0x80, 0xC0});  // VAUX only: still gets subcode packs
    Put(frame, 2, SubcodePackOffset(2, 4), {0x13, 0xC0, 0x80, 0x80, 0xC0});  // has one: gets no other
    const TTimecodeRec tc{0, 0, 4, 24};
    DvSetTimecode(frame, kSequences625, tc);

    const DvPack fresh = {0x13, 0x24, 0x84, 0x80, 0xC0};
    EXPECT_EQ(At(frame, 0, SubcodePackOffset(1, 1)), fresh);
    EXPECT_EQ(At(frame, 0, SubcodePackOffset(2, 2)), fresh);
    EXPECT_EQ(At(frame, 0, SubcodePackOffset(1, 2))[0], 0xFF);
    EXPECT_EQ(At(frame, 1, VauxPackOffset(3, 0)), (DvPack{0x13, 0xE4, 0x84, 0x80, 0xC0}));
    EXPECT_EQ(At(frame, 1, SubcodePackOffset(1, 0)), fresh);
    EXPECT_EQ(At(frame, 1, SubcodePackOffset(2, 0)), fresh);
    for (int i = 0; i < 12; ++i)
        if (i != 10) {
            EXPECT_EQ(At(frame, 2, SubcodePackOffset(1 + i / 6, i % 6))[0], 0xFF) << "slot " << i;
        }
    for (int s = 3; s < kSequences625; ++s) {
        EXPECT_EQ(At(frame, s, SubcodePackOffset(1, 0)), fresh);
        EXPECT_EQ(At(frame, s, SubcodePackOffset(2, 0)), fresh);
        EXPECT_EQ(At(frame, s, SubcodePackOffset(1, 1))[0], 0xFF);
        EXPECT_EQ(At(frame, s, VauxPackOffset(3, 0))[0], 0xFF);
    }
    EXPECT_EQ(DvGetTimecode(frame, kSequences625), tc);
}

TEST(DvBuffer, TooShortForTheSequencesIsNeverTouched)
{
    Frame full = BlankFrame(false);
    DvSetDatecode(full, kSequences625, TDatecodeRec{2024, 7, 8, 19, 55, 58});
    DvSetTimecode(full, kSequences625, TTimecodeRec{0, 0, 1, 2});
    Put(full, 0, VauxPackOffset(5, 10), {0x61, 0x03, 0x02, 0xFC, 0xFF});
    Put(full, 0, AudioBlockOffset(0) + 3, {0x50, 0xD0, 0x00, 0xE0, 0xC0});

    for (size_t size : {size_t(0), size_t(4400), kSequenceSize - 1, kFrameSize625 - 1}) {
        const int sequences = size == kFrameSize625 - 1 ? kSequences625 : 1;
        Frame shortFrame(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(DvFindPack(shortFrame, 0x62, sequences)) << size;
        EXPECT_FALSE(DvFindAudioBlock(shortFrame, 0x50, sequences)) << size;
        EXPECT_FALSE(DvGetDatecode(shortFrame, sequences)) << size;
        EXPECT_FALSE(DvGetTimecode(shortFrame, sequences)) << size;
        EXPECT_FALSE(DvGetAudio(shortFrame, sequences)) << size;
        EXPECT_FALSE(DvGetWide(shortFrame, sequences)) << size;
        const Frame before = shortFrame;
        DvSetDatecode(shortFrame, sequences, TDatecodeRec{2001, 1, 1, 0, 0, 0});
        DvSetWide(shortFrame, sequences, false);
        DvSetTimecode(shortFrame, sequences, TTimecodeRec{});
        EXPECT_EQ(shortFrame, before) << size;
    }
    EXPECT_FALSE(DvFindPack(full, 0x62, 0));
    EXPECT_FALSE(DvFindPack(full, 0x62, -1));
    EXPECT_FALSE(DvFindPack(full, 0x62, kSequences625 + 1));
    EXPECT_TRUE(DvGetDatecode(ByteSpan(full).first(kSequenceSize), 1));
}

TEST(DvDateTime, ConversionBothWays)
{
    const auto value = DatecodeToDateTime(TDatecodeRec{2024, 7, 8, 19, 55, 58});
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, *EncodeDateTime(2024, 7, 8, 19, 55, 58));
    EXPECT_EQ(DateTimeToDatecode(*value), (TDatecodeRec{2024, 7, 8, 19, 55, 58}));
    // Milliseconds are dropped, after rounding to the millisecond.
    EXPECT_EQ(DateTimeToDatecode(*EncodeDateTime(1999, 12, 31, 23, 59, 59, 999)),
              (TDatecodeRec{1999, 12, 31, 23, 59, 59}));
    EXPECT_EQ(DateTimeToDatecode(*EncodeDateTime(2000, 1, 1) - 1e-10), (TDatecodeRec{2000, 1, 1, 0, 0, 0}));
}

TEST(DvSamples, SonyNtscFirstFrame)
{
    REQUIRE_SAMPLE(path, "sony_ntsc_32k12_4ch.dv");
    const Frame frame = SampleFrame(path, kFrameSize525);
    EXPECT_EQ(DvIs525(frame), true);
    EXPECT_EQ(DvGetDatecode(frame, kSequences525), (TDatecodeRec{2024, 7, 8, 19, 55, 58}));
    EXPECT_EQ(DvGetTimecode(frame, kSequences525), (TTimecodeRec{0, 0, 2, 17}));
    EXPECT_EQ(DvGetAudio(frame, kSequences525), (DvAudioFormat{32000, 12, 4}));
    EXPECT_EQ(DvGetWide(frame, kSequences525), false);
}

TEST(DvSamples, PalHeaderOnlyFramePadded)
{
    REQUIRE_SAMPLE(path, "pal_16x9_header_only.dv");
    const QByteArray bytes = testsupport::ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 4400);
    for (uint8_t padding : {uint8_t(0xFF), uint8_t(0x00)}) {
        Frame frame(kFrameSize625, padding);
        std::copy(bytes.begin(), bytes.end(), frame.begin());
        EXPECT_EQ(DvIs525(frame), false);
        EXPECT_EQ(DvGetDatecode(frame, kSequences625), (TDatecodeRec{2010, 2, 16, 21, 36, 28}));
        EXPECT_EQ(DvGetTimecode(frame, kSequences625), (TTimecodeRec{0, 0, 4, 24}));
        EXPECT_EQ(DvGetWide(frame, kSequences625), true);
        EXPECT_EQ(DvGetAudio(frame, kSequences625), (DvAudioFormat{32000, 12, 4}));
    }
    // Unpadded, it holds no whole sequence: nothing is read.
    const ByteSpan raw(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()));
    EXPECT_FALSE(DvGetDatecode(raw, 1));
    EXPECT_EQ(DvIs525(raw), false);
}

TEST(DvSamples, FfmpegFramesWithoutDate)
{
    REQUIRE_SAMPLE(path, "ffmpeg_pal_16x9_2frames.dv");
    const QByteArray bytes = testsupport::ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), qsizetype(2 * kFrameSize625));
    for (int f = 0; f < 2; ++f) {
        const ByteSpan frame(reinterpret_cast<const uint8_t *>(bytes.constData()) + kFrameSize625 * f, kFrameSize625);
        EXPECT_EQ(DvIs525(frame), false);
        EXPECT_EQ(DvGetDatecode(frame, kSequences625), (TDatecodeRec{1970, 1, 1, 0, 0, 0}));
        EXPECT_EQ(DvGetTimecode(frame, kSequences625), (TTimecodeRec{0, 0, 0, uint8_t(f)}));
        EXPECT_EQ(DvGetWide(frame, kSequences625), true);
        EXPECT_FALSE(DvGetAudio(frame, kSequences625));
    }
}

// What we write must read the same in FFmpeg and ExifTool. (MediaInfo would show
// 2026 as 1926: it puts two-digit years from 25 in the last century.)
TEST(DvSamples, PeersReadWhatWeWrite)
{
    REQUIRE_SAMPLE(path, "sony_ntsc_32k12_4ch.dv");
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("exiftool");
    QByteArray bytes = testsupport::ReadWholeFile(path);
    ASSERT_EQ(bytes.size() % qsizetype(kFrameSize525), 0);
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(kFrameSize525)) {
        const MutableByteSpan frame(reinterpret_cast<uint8_t *>(bytes.data()) + at, kFrameSize525);
        DvSetDatecode(frame, kSequences525, TDatecodeRec{2026, 3, 1, 12, 34, 56});
        DvSetTimecode(frame, kSequences525, TTimecodeRec{1, 2, 3, 4});
        DvSetWide(frame, kSequences525, true);
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("rewritten.dv"));
    ASSERT_TRUE(testsupport::WriteWholeFile(out, bytes));

    const QStringList probeArgs = {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                   QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                                   QStringLiteral("format_tags=timecode:stream=display_aspect_ratio"),
                                   QStringLiteral("-of"), QStringLiteral("default=nw=1"), out};
    const auto probe = testsupport::Run(QStringLiteral("ffprobe"), probeArgs);
    ASSERT_EQ(probe.exitCode, 0) << probe.err.constData();
    EXPECT_TRUE(probe.out.contains("display_aspect_ratio=16:9")) << probe.out.constData();
    EXPECT_TRUE(probe.out.contains("timecode=01:02:03;04")) << probe.out.constData();  // drop-frame flag kept

    const auto exif =
        testsupport::Run(QStringLiteral("exiftool"), {QStringLiteral("-s3"), QStringLiteral("-DateTimeOriginal"), out});
    ASSERT_EQ(exif.exitCode, 0) << exif.err.constData();
    EXPECT_EQ(exif.out.trimmed(), QByteArray("2026:03:01 12:34:56"));
}
