#include "media/dv_dvheader.h"

#include "base/datetimeformat.h"
#include "support/testsupport.h"
#include "syntheticdv.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace syntheticdv;
using namespace dvlayout;

namespace {

FrameSpec Recorded(TDateTime datecode, bool is525 = false)
{
    FrameSpec frameSpec;
    frameSpec.is525 = is525;
    frameSpec.datecode = datecode;
    frameSpec.timecode = TTimecodeRec{0, 12, 34, 5};
    return frameSpec;
}

std::optional<TDateTime> DatecodeOf(const Frame &frame)
{
    const auto datecode = DvGetDatecode(frame, Sequences(frame));
    return datecode ? DatecodeToDateTime(*datecode) : std::nullopt;
}

bool SameTime(TDateTime a, TDateTime b) { return DateTimeToMilliseconds(a) == DateTimeToMilliseconds(b); }

// Offsets (within their sequence) of every pack slot, subcode and VAUX.
std::vector<size_t> PackSlots()
{
    std::vector<size_t> slots;
    for (int block = kFirstSubcodeBlock; block < kFirstSubcodeBlock + kSubcodeBlocks; ++block)
        for (int k = 0; k < static_cast<int>(kSubcodePacksPerBlock); ++k)
            slots.push_back(SubcodePackOffset(block, k));
    for (int block = kFirstVauxBlock; block < kFirstVauxBlock + kVauxBlocks; ++block)
        for (int k = 0; k < static_cast<int>(kVauxPacksPerBlock); ++k)
            slots.push_back(VauxPackOffset(block, k));
    return slots;
}

// Every byte where the frames differ must be a payload byte of a pack with one of these ids.
::testing::AssertionResult OnlyPayloadsOf(const Frame &before, const Frame &after, std::vector<uint8_t> ids)
{
    if (before.size() != after.size())
        return ::testing::AssertionFailure() << "sizes differ";
    std::vector<bool> allowed(before.size(), false);
    for (int s = 0; s < Sequences(after); ++s) {
        for (const size_t slot : PackSlots()) {
            const size_t at = kSequenceSize * static_cast<size_t>(s) + slot;
            if (std::find(ids.begin(), ids.end(), after[at]) == ids.end() || before[at] != after[at])
                continue;
            for (size_t b = 1; b < kPackSize; ++b)
                allowed[at + b] = true;
        }
    }
    int changed = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i] == after[i])
            continue;
        ++changed;
        if (!allowed[i])
            return ::testing::AssertionFailure() << "byte " << i << " changed outside the packs";
    }
    if (changed == 0)
        return ::testing::AssertionFailure() << "no byte changed";
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(DvHeader, TimeDifferenceShiftsTheDatecodeByCalendarArithmetic)
{
    struct Case {
        const char *what;
        TDateTime datecode;
        double difference;
        TDateTime expected;
    } cases[] = {
        {"into the new year", At(2003, 12, 31, 23, 59, 50), Seconds(15), At(2004, 1, 1, 0, 0, 5)},
        {"back 23 hours", At(2003, 12, 31, 23, 59, 50), -23.0 / 24, At(2003, 12, 31, 0, 59, 50)},
        {"back across midnight", At(2004, 3, 1, 0, 0, 10), Seconds(-20), At(2004, 2, 29, 23, 59, 50)},
        {"a fraction of a second is cut", At(2003, 7, 14, 10, 0, 0), Seconds(1.6), At(2003, 7, 14, 10, 0, 1)},
    };
    for (const Case &c : cases) {
        for (const bool is525 : {false, true}) {
            SceneDetectCore detector;
            DvHeaderCore header(detector);
            header.SetRestoreHeaders(false);
            header.SetTimeDifference(c.difference);
            const Frame before = MakeFrame(Recorded(c.datecode, is525));
            Frame after = before;
            header.ProcessFrame(after);
            const auto read = DatecodeOf(after);
            ASSERT_TRUE(read) << c.what;
            EXPECT_TRUE(SameTime(*read, c.expected)) << c.what << ": " << qPrintable(FormatDateTime("yyyy-mm-dd hh:nn:ss", *read));
            EXPECT_TRUE(OnlyPayloadsOf(before, after, {kPackRecordingDate, kPackRecordingTime})) << c.what;
        }
    }
}

TEST(DvHeader, FramesWithoutAShiftableDatecodeStayAsTheyWere)
{
    Frame invalid = MakeFrame(Recorded(At(2003, 1, 1, 0, 0, 0)));
    DvSetDatecode(invalid, Sequences(invalid), TDatecodeRec{2003, 2, 31, 10, 0, 0});
    const Frame frames[] = {invalid, MakeFrame(FrameSpec()), std::vector<uint8_t>(1000, 0x62)};
    for (const double difference : {0.0, 1.0, Seconds(-5)}) {
        for (const Frame &before : frames) {
            SceneDetectCore detector;
            DvHeaderCore header(detector);
            header.SetRestoreHeaders(false);
            header.SetTimeDifference(difference);
            Frame after = before;
            header.ProcessFrame(after);
            EXPECT_EQ(after, before) << "difference " << difference;
        }
    }
    // A shift past the calendar keeps the datecode.
    SceneDetectCore detector;
    DvHeaderCore header(detector);
    header.SetRestoreHeaders(false);
    header.SetTimeDifference(1e9);
    const Frame before = MakeFrame(Recorded(At(2003, 1, 1, 0, 0, 0)));
    Frame after = before;
    header.ProcessFrame(after);
    EXPECT_EQ(after, before);
}

TEST(DvHeader, OverwrittenDatecodesRunByExactFrameDurations)
{
    struct Case {
        bool is525;
        int frame;
        int second;  // of 12:00:ss
    } cases[] = {
        {false, 0, 0}, {false, 24, 0}, {false, 25, 1}, {false, 90000, 3600},
        {true, 29, 0}, {true, 30, 1}, {true, 29970, 999}, {true, 29971, 1000},
    };
    const TDateTime start = At(2005, 6, 1, 12, 0, 0);
    for (const bool is525 : {false, true}) {
        SceneDetectCore detector;
        DvHeaderCore header(detector);
        header.SetRestoreHeaders(false);
        header.SetOverwriteDatecode(true);
        header.SetStartDatecode(start);
        header.SetTimeDifference(Seconds(3600));  // the overwrite wins
        Frame frame = MakeFrame(Recorded(At(1999, 1, 1, 0, 0, 0), is525));
        int next = 0;
        for (const Case &c : cases) {
            if (c.is525 != is525)
                continue;
            for (; next <= c.frame; ++next)
                header.ProcessFrame(frame);
            const auto read = DatecodeOf(frame);
            ASSERT_TRUE(read);
            EXPECT_TRUE(SameTime(*read, start + Seconds(c.second)))
                << (is525 ? "525/60" : "625/50") << " frame " << c.frame << ": "
                << qPrintable(FormatDateTime("yyyy-mm-dd hh:nn:ss", *read));
        }
    }
}

TEST(DvHeader, OverwriteThenShiftAfterAReset)
{
    SceneDetectCore detector;
    DvHeaderCore header(detector);
    header.SetRestoreHeaders(false);
    header.SetOverwriteDatecode(true);
    header.SetStartDatecode(At(2005, 6, 1, 12, 0, 0));
    Frame frame = MakeFrame(Recorded(At(2003, 1, 1, 0, 0, 0)));
    header.ProcessFrame(frame);

    header.Reset();
    EXPECT_TRUE(header.RestoreHeaders());
    EXPECT_FALSE(header.OverwriteDatecode() || header.SetsAspect());
    EXPECT_EQ(header.TimeDifference(), 0);
    header.SetRestoreHeaders(false);
    header.SetTimeDifference(Seconds(10));
    const Frame source = MakeFrame(Recorded(At(2003, 1, 1, 0, 0, 0)));
    frame = source;
    header.ProcessFrame(frame);
    EXPECT_TRUE(SameTime(*DatecodeOf(frame), At(2003, 1, 1, 0, 0, 10)));
}

TEST(DvHeader, AspectIsWrittenIntoEveryVideoControlPack)
{
    for (const bool wide : {true, false}) {
        SceneDetectCore detector;
        DvHeaderCore header(detector);
        header.SetRestoreHeaders(false);
        header.SetAspect(true, wide);
        FrameSpec frameSpec = Recorded(At(2003, 1, 1, 0, 0, 0));
        frameSpec.wide = !wide;
        const Frame before = MakeFrame(frameSpec);
        Frame after = before;
        header.ProcessFrame(after);
        EXPECT_EQ(DvGetWide(after, Sequences(after)), wide);
        const int disp = after[kVideoControlSlot + 2] & 7;
        for (int s = 1; s < Sequences(after); ++s)
            EXPECT_EQ(after[kSequenceSize * s + kVideoControlSlot + 2] & 7, disp) << "sequence " << s;
        EXPECT_TRUE(OnlyPayloadsOf(before, after, {kPackVideoControl}));
    }
}

TEST(DvHeader, RestoresTheSourceFramesMetadataBlocks)
{
    SceneDetectCore detector;
    DvHeaderCore header(detector);
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);

    // Before the detector saw a frame there is nothing to restore.
    const Frame reencoded = MakeFrame(FrameSpec());
    Frame frame = reencoded;
    header.ProcessFrame(frame);
    EXPECT_EQ(frame, reencoded);

    FrameSpec frameSpec = Recorded(At(2003, 7, 14, 10, 0, 0));
    frameSpec.wide = true;
    const Frame source = MakeFrame(frameSpec);
    detector.ProcessSample(source);
    header.ProcessFrame(frame);
    for (int s = 0; s < Sequences(frame); ++s) {
        const auto offset = static_cast<std::ptrdiff_t>(kSequenceSize * s);
        EXPECT_TRUE(std::equal(frame.begin() + offset, frame.begin() + offset + 480, source.begin() + offset));
        EXPECT_TRUE(std::equal(frame.begin() + offset + 480, frame.begin() + offset + static_cast<std::ptrdiff_t>(kSequenceSize),
                               reencoded.begin() + offset + 480));
    }
    EXPECT_TRUE(SameTime(*DatecodeOf(frame), At(2003, 7, 14, 10, 0, 0)));
    EXPECT_EQ(DvGetWide(frame, Sequences(frame)), true);
}

TEST(DvHeader, RestoringAcrossTvSystemsKeepsTheFramesOwnSystem)
{
    for (const bool sourceIs525 : {true, false}) {
        SceneDetectCore detector;
        DvHeaderCore header(detector);
        detector.StartStreaming(std::nullopt);
        const Frame source = MakeFrame(Recorded(At(2003, 7, 14, 10, 0, 0), sourceIs525));
        detector.ProcessSample(source);

        FrameSpec target;
        target.is525 = !sourceIs525;
        Frame frame = MakeFrame(target);
        const Frame reencoded = frame;
        header.ProcessFrame(frame);

        const int sequences = Sequences(frame);
        // The sequences the source lacks keep the encoder's bytes but the recording date.
        Frame lacking = reencoded;
        DvSetDatecode(lacking, sequences, *DvGetDatecode(frame, Sequences(source)));
        EXPECT_EQ(DvIs525(frame), !sourceIs525);
        EXPECT_TRUE(SameTime(*DatecodeOf(frame), At(2003, 7, 14, 10, 0, 0)));
        EXPECT_EQ(DvGetTimecode(frame, sequences), (TTimecodeRec{0, 12, 34, 5}));
        for (int s = 0; s < sequences; ++s) {
            const size_t base = kSequenceSize * static_cast<size_t>(s);
            EXPECT_TRUE(std::equal(frame.begin() + base, frame.begin() + base + kBlockSize, reencoded.begin() + base))
                << "header block of sequence " << s;
            EXPECT_EQ(frame[base + kVideoSourceSlot + 3] & 0x20, sourceIs525 ? 0x20 : 0x00) << "sequence " << s;
            if (s < Sequences(source))
                EXPECT_TRUE(std::equal(frame.begin() + base + 80, frame.begin() + base + 240, source.begin() + base + 80))
                    << "subcode of sequence " << s;
            else
                EXPECT_TRUE(std::equal(frame.begin() + base, frame.begin() + base + kSequenceSize, lacking.begin() + base))
                    << "sequence " << s << " that the source did not have";
        }
    }
}

TEST(DvHeader, OverwriteInfoText)
{
    const TDateTime now = At(2024, 5, 6, 7, 8, 9);
    EXPECT_EQ(DatecodeOverwrittenText(now),
              QStringLiteral("Datecode overwritten with Morvik by Quenlor at ") + FormatDateTime(QStringLiteral("ddddd tt"), now));
    EXPECT_EQ(kOverwriteInfoId, MakeFourCC("IQNR"));
}

// Passes frames through the detector and the header filter into a raw DV stream and
// asks ExifTool for tags of it, the values joined by " | ".
std::string ExifToolOf(const std::function<void(DvHeaderCore &)> &configure, const FrameSpec &source,
                       const std::optional<FrameSpec> &reencoded, const QStringList &tags)
{
    SceneDetectCore detector;
    DvHeaderCore header(detector);
    configure(header);
    detector.StartStreaming(std::nullopt);
    QByteArray stream;
    for (int i = 0; i < 10; ++i) {
        const Frame frame = MakeFrame(source);
        detector.ProcessSample(frame);
        Frame passed = reencoded ? MakeFrame(*reencoded) : frame;
        header.ProcessFrame(passed);
        stream.append(reinterpret_cast<const char *>(passed.data()), static_cast<qsizetype>(passed.size()));
    }
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("rewritten.dv"));
    if (!testsupport::WriteWholeFile(path, stream))
        return "cannot write " + path.toStdString();
    QStringList args;
    for (const QString &tag : tags)
        args << QLatin1Char('-') + tag;
    const auto result = testsupport::Run(QStringLiteral("exiftool"), args << QStringLiteral("-s3") << path);
    return QString::fromUtf8(result.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QStringLiteral(" | ")).toStdString();
}

TEST(DvHeader, ExifToolReadsTheRewrittenFrames)
{
    REQUIRE_TOOL("exiftool");
    const FrameSpec recorded = Recorded(At(2003, 12, 31, 23, 59, 50));
    EXPECT_EQ(ExifToolOf([](DvHeaderCore &h) { h.SetTimeDifference(Seconds(15)); }, recorded, std::nullopt,
                         {QStringLiteral("DateTimeOriginal")}),
              "2004:01:01 00:00:05");
    EXPECT_EQ(ExifToolOf([](DvHeaderCore &h) { h.SetAspect(true, true); }, recorded, std::nullopt,
                         {QStringLiteral("AspectRatio")}),
              "16:9");

    // An NTSC recording re-encoded as PAL: the restored metadata must not make it NTSC again.
    FrameSpec ntsc = recorded;
    ntsc.is525 = true;
    FrameSpec pal;
    pal.is525 = false;
    EXPECT_EQ(ExifToolOf([](DvHeaderCore &) {}, ntsc, pal, {QStringLiteral("VideoFormat"), QStringLiteral("DateTimeOriginal")}),
              "IEC 61834 - 625/50 (PAL) | 2003:12:31 23:59:50");
}
