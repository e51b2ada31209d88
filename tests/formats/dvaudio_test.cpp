#include "formats/dvaudio.h"
#include "formats/dvlayout.h"
#include "support/testsupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace {

using Pcm = std::vector<int16_t>;
using Frame = std::vector<uint8_t>;

constexpr size_t kAudioBlockCount = 9;

size_t AudioBlockStart(int sequence, int block)
{
    return static_cast<size_t>(sequence) * dvlayout::kSequenceSize + dvlayout::AudioBlockOffset(block);
}

int SequencesOf(const Frame &frame) { return dvlayout::SequencesForFrameSize(frame.size()); }

// A frame of bytes that look like nothing in particular, with every AAUX pack slot empty.
Frame PatternFrame(bool ntsc)
{
    Frame frame(ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i * 131 + i / 977 + 7);
    for (int s = 0; s < SequencesOf(frame); ++s)
        for (size_t k = 0; k < kAudioBlockCount; ++k)
            std::fill_n(frame.begin() + static_cast<ptrdiff_t>(AudioBlockStart(s, static_cast<int>(k)) + 3), 5, 0xFF);
    return frame;
}

// Full-range noise that includes both extremes.
Pcm Noise(size_t values, uint32_t seed)
{
    Pcm pcm(values);
    for (auto &v : pcm) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<int16_t>(seed >> 16);
    }
    if (values >= 4) {
        pcm[0] = -32768;
        pcm[1] = 32767;
        pcm[2] = 0;
        pcm[3] = -1;
    }
    return pcm;
}

// What 16-bit DV keeps of a value: the lowest one is the lost-sample code.
Pcm Recordable16(Pcm pcm)
{
    for (auto &v : pcm)
        v = std::max<int16_t>(v, -32767);
    return pcm;
}

Pcm Through12Bit(Pcm pcm)
{
    for (auto &v : pcm)
        v = DvExpand12(DvCompress12(v));
    return pcm;
}

// Step of the 12-bit scale around a 16-bit value.
int Step12(int value)
{
    const int magnitude = value < 0 ? -value - 1 : value;
    return magnitude < 512 ? 1 : 1 << (std::bit_width(static_cast<unsigned>(magnitude)) - 9);
}

Pcm S16le(const QByteArray &bytes)
{
    Pcm pcm(static_cast<size_t>(bytes.size()) / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[int(2 * i)]) | static_cast<uint8_t>(bytes[int(2 * i + 1)]) << 8);
    return pcm;
}

// One DV frame of a grey ramp from FFmpeg's own encoder: real header, subcode, VAUX and
// video blocks, and audio blocks without any sound.
Frame EncodeDvFrame(bool ntsc)
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec)
        return {};
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext *)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext *c) { avcodec_free_context(&c); });
    context->width = 720;
    context->height = ntsc ? 480 : 576;
    context->pix_fmt = ntsc ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
    context->time_base = ntsc ? AVRational{1001, 30000} : AVRational{1, 25};
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return {};

    std::unique_ptr<AVFrame, void (*)(AVFrame *)> picture(av_frame_alloc(), [](AVFrame *f) { av_frame_free(&f); });
    picture->width = context->width;
    picture->height = context->height;
    picture->format = context->pix_fmt;
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        return {};
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 || ntsc ? context->height : context->height / 2;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < picture->linesize[plane]; ++x)
                picture->data[plane][y * picture->linesize[plane] + x] = static_cast<uint8_t>(plane == 0 ? 16 + (x + y) % 200 : 128);
    }

    std::unique_ptr<AVPacket, void (*)(AVPacket *)> packet(av_packet_alloc(), [](AVPacket *p) { av_packet_free(&p); });
    if (avcodec_send_frame(context.get(), picture.get()) < 0 || avcodec_receive_packet(context.get(), packet.get()) < 0)
        return {};
    return Frame(packet->data, packet->data + packet->size);
}

// Sets the AAUX source pack of the frame's first sequence (audio block 3).
void SetSourcePack(Frame &frame, uint8_t pc1, uint8_t pc2, uint8_t pc3, uint8_t pc4)
{
    uint8_t *pack = frame.data() + AudioBlockStart(0, 3) + 3;
    pack[0] = 0x50;
    pack[1] = pc1;
    pack[2] = pc2;
    pack[3] = pc3;
    pack[4] = pc4;
}

struct SoundCase {
    bool ntsc;
    int rate;
    int bits;
    int pairs;
};

std::string Describe(const SoundCase &c)
{
    return std::string(c.ntsc ? "525/60 " : "625/50 ") + std::to_string(c.rate) + " Hz " + std::to_string(c.bits)
         + " bit " + std::to_string(c.pairs) + " pair(s)";
}

}  // namespace

TEST(DvAudio, TwelveBitScaleMatchesTheStandardCurve)
{
    const struct { int code; int value; } known[] = {
        {0, 0},       {511, 511},      {512, 512},      {767, 1022},      {768, 1024},   {1024, 2048},
        {2047, 32704}, {-1, -1},       {-512, -512},    {-513, -513},     {-768, -1023}, {-2047, -32641},
        {-2048, -32705},
    };
    for (const auto &k : known)
        EXPECT_EQ(DvExpand12(k.code), k.value) << "code " << k.code;

    // Every recordable code comes back, and the scale rises strictly.
    for (int code = -2047; code <= 2047; ++code) {
        ASSERT_EQ(DvCompress12(DvExpand12(code)), code);
        if (code > -2047) {
            ASSERT_LT(DvExpand12(code - 1), DvExpand12(code));
        }
    }
    // Every 16-bit value lands on the nearest step, or on the end of the scale beyond it.
    for (int value = -32768; value <= 32767; ++value) {
        const int code = DvCompress12(static_cast<int16_t>(value));
        ASSERT_GE(code, -2047) << value;
        ASSERT_LE(code, 2047) << value;
        const int back = DvExpand12(code);
        if (value > DvExpand12(2047)) {
            ASSERT_EQ(code, 2047) << value;
        } else if (value < DvExpand12(-2047)) {
            ASSERT_EQ(code, -2047) << value;
        } else {
            ASSERT_LE(std::abs(back - value), Step12(value) / 2) << value;
        }
    }
}

TEST(DvAudio, SamplesPerFrameFollowTheLockedCycles)
{
    const struct { bool ntsc; int rate; int first[5]; } cycles[] = {
        {true, 48000, {1600, 1602, 1602, 1602, 1602}},
        {true, 32000, {1068, 1067, 1068, 1068, 1068}},
        {true, 44100, {1471, 1472, 1471, 1472, 1471}},
        {false, 48000, {1920, 1920, 1920, 1920, 1920}},
        {false, 44100, {1764, 1764, 1764, 1764, 1764}},
        {false, 32000, {1280, 1280, 1280, 1280, 1280}},
    };
    for (const auto &c : cycles)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(DvAudioSamplesForFrame(c.ntsc, c.rate, i), c.first[i]) << c.rate << " frame " << i;

    // Over a whole cycle the 525/60 counts give the exact rate: rate x 1001 / 30000 per frame.
    const struct { int rate; int frames; int64_t samples; } sums[] = {
        {48000, 5, 8008}, {32000, 15, 16016}, {44100, 100, 147147}};
    for (const auto &s : sums) {
        for (int64_t start : {int64_t{0}, int64_t{7} * s.frames, int64_t{1} << 40}) {
            int64_t total = 0;
            for (int i = 0; i < s.frames; ++i)
                total += DvAudioSamplesForFrame(true, s.rate, start + i);
            EXPECT_EQ(total, s.samples) << s.rate << " from frame " << start;
        }
    }
    EXPECT_EQ(DvAudioSamplesForFrame(true, 48000, -1), 1602);  // the cycle continues backwards
    EXPECT_EQ(DvAudioSamplesForFrame(true, 22050, 0), 0);
    EXPECT_EQ(DvAudioSamplesForFrame(false, 0, 0), 0);
}

TEST(DvAudio, SixteenBitRoundTripIsExact)
{
    for (bool ntsc : {true, false})
        for (int rate : {48000, 44100, 32000})
            for (int64_t index : {0, 1, 4, 13}) {
                SCOPED_TRACE(Describe({ntsc, rate, 16, 1}) + " frame " + std::to_string(index));
                Frame frame = PatternFrame(ntsc);
                const Pcm in = Noise(2 * kDvMaxAudioSamples, static_cast<uint32_t>(rate + index));
                const auto written = DvInsertAudio(frame, rate, 16, index, in);
                ASSERT_TRUE(written);
                ASSERT_EQ(*written, DvAudioSamplesForFrame(ntsc, rate, index));

                const auto info = DvGetAudioInfo(frame);
                ASSERT_TRUE(info);
                EXPECT_EQ(*info, (DvAudioInfo{rate, 16, 1, *written, true}));

                Pcm out(2 * kDvMaxAudioSamples, 0x5555);
                ASSERT_EQ(DvExtractAudio(frame, DvAudioPairs::First, out), written);
                const Pcm expected = Recordable16(Pcm(in.begin(), in.begin() + 2 * *written));
                EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
                EXPECT_EQ(out[size_t(2 * *written)], 0x5555) << "wrote past the frame's samples";

                EXPECT_FALSE(DvExtractAudio(frame, DvAudioPairs::Second, out)) << "16-bit sound has one pair";
                EXPECT_FALSE(DvExtractAudio(frame, DvAudioPairs::Both, out));
            }
}

TEST(DvAudio, TwelveBitRoundTripKeepsWhatTheScaleHolds)
{
    for (bool ntsc : {true, false})
        for (int pairs : {1, 2}) {
            SCOPED_TRACE(Describe({ntsc, 32000, 12, pairs}));
            const int count = DvAudioSamplesForFrame(ntsc, 32000, 2);
            // Values the scale holds exactly, and values it does not.
            Pcm exact(size_t(2 * count));
            for (size_t i = 0; i < exact.size(); ++i)
                exact[i] = DvExpand12(static_cast<int>((i * 2731) % 4095) - 2047);
            const Pcm noise = Noise(size_t(2 * count), 99);

            Frame frame = PatternFrame(ntsc);
            const auto written = DvInsertAudio(frame, 32000, 12, 2, exact, pairs == 2 ? noise : Pcm{});
            ASSERT_EQ(written, count);
            EXPECT_EQ(DvGetAudioInfo(frame), (DvAudioInfo{32000, 12, pairs, count, true}));

            Pcm first(2 * kDvMaxAudioSamples), second(2 * kDvMaxAudioSamples), both(4 * kDvMaxAudioSamples);
            ASSERT_EQ(DvExtractAudio(frame, DvAudioPairs::First, first), count);
            ASSERT_EQ(DvExtractAudio(frame, DvAudioPairs::Second, second), count);
            ASSERT_EQ(DvExtractAudio(frame, DvAudioPairs::Both, both), count);
            EXPECT_TRUE(std::equal(exact.begin(), exact.end(), first.begin()));
            const Pcm expectedSecond = pairs == 2 ? Through12Bit(noise) : Pcm(size_t(2 * count), 0);
            EXPECT_TRUE(std::equal(expectedSecond.begin(), expectedSecond.end(), second.begin()));
            for (size_t n = 0; n < size_t(count); ++n) {
                ASSERT_EQ(both[4 * n], first[2 * n]);
                ASSERT_EQ(both[4 * n + 1], first[2 * n + 1]);
                ASSERT_EQ(both[4 * n + 2], second[2 * n]);
                ASSERT_EQ(both[4 * n + 3], second[2 * n + 1]);
            }
        }
}

TEST(DvAudio, InsertChangesOnlyThePacksAndSamplesOfAudioBlocks)
{
    for (const SoundCase &c : {SoundCase{true, 48000, 16, 1}, SoundCase{false, 48000, 16, 1},
                               SoundCase{true, 32000, 12, 2}, SoundCase{false, 32000, 12, 1}}) {
        SCOPED_TRACE(Describe(c));
        Frame frame = PatternFrame(c.ntsc);
        // A recording-date pack of the sound and a stray source pack in a slot of their own.
        uint8_t *date = frame.data() + AudioBlockStart(0, 5) + 3;
        const uint8_t datePack[5] = {0x52, 0xFF, 0xC8, 0xE7, 0x24};
        std::copy(datePack, datePack + 5, date);
        frame[AudioBlockStart(1, 7) + 3] = 0x50;
        const Frame before = frame;

        const Pcm pcm = Noise(2 * kDvMaxAudioSamples, 5);
        ASSERT_TRUE(DvInsertAudio(frame, c.rate, c.bits, 0, pcm, c.pairs == 2 ? pcm : Pcm{}));

        size_t changedInAudio = 0;
        for (size_t i = 0; i < frame.size(); ++i) {
            const size_t inSequence = i % dvlayout::kSequenceSize;
            const size_t block = inSequence / dvlayout::kBlockSize;
            const bool audioBlock = block >= 6 && (block - 6) % 16 == 0;
            const bool writable = audioBlock && inSequence % dvlayout::kBlockSize >= 3;
            if (!writable)
                ASSERT_EQ(frame[i], before[i]) << "byte " << i << " outside the audio packs and samples changed";
            else
                changedInAudio += frame[i] != before[i];
        }
        EXPECT_GT(changedInAudio, size_t(2 * DvAudioSamplesForFrame(c.ntsc, c.rate, 0)));
        EXPECT_TRUE(std::equal(datePack, datePack + 5, date)) << "the sound's date pack was lost";
        EXPECT_EQ(frame[AudioBlockStart(1, 7) + 3], 0xFF) << "a stray source pack survived";
        EXPECT_EQ(frame[AudioBlockStart(0, 3) + 3], 0x50);
        EXPECT_EQ(frame[AudioBlockStart(0, 4) + 3], 0x51);
        EXPECT_EQ(frame[AudioBlockStart(1, 0) + 3], 0x50);
        EXPECT_EQ(frame[AudioBlockStart(1, 1) + 3], 0x51);
    }
}

TEST(DvAudio, RefusesWhatItCannotWriteAndLeavesTheFrameAlone)
{
    const Pcm pcm = Noise(2 * kDvMaxAudioSamples, 1);
    const Pcm shortPcm(2 * 1067 - 1);  // short of any 525/60 frame at 48 or 32 kHz
    const struct { const char *what; int rate; int bits; const Pcm &pair1; const Pcm &pair2; } cases[] = {
        {"12 bit at 48 kHz", 48000, 12, pcm, pcm},
        {"12 bit at 44.1 kHz", 44100, 12, pcm, Pcm{}},
        {"a second pair of 16-bit sound", 48000, 16, pcm, pcm},
        {"a rate DV has no place for", 22050, 16, pcm, Pcm{}},
        {"20-bit sound", 48000, 20, pcm, Pcm{}},
        {"too few samples", 48000, 16, shortPcm, Pcm{}},
        {"too few samples in the second pair", 32000, 12, pcm, shortPcm},
    };
    for (const auto &c : cases) {
        Frame frame = PatternFrame(true);
        const Frame before = frame;
        EXPECT_FALSE(DvInsertAudio(frame, c.rate, c.bits, 0, c.pair1, c.pair2)) << c.what;
        EXPECT_EQ(frame, before) << c.what;
    }
    Frame notDv(120000 - 1);
    EXPECT_FALSE(DvInsertAudio(notDv, 48000, 16, 0, pcm));
}

TEST(DvAudio, FrameWithoutSourcePackHasNoSound)
{
    Pcm out(4 * kDvMaxAudioSamples);
    for (bool ntsc : {true, false}) {
        const Frame pattern = PatternFrame(ntsc);
        EXPECT_FALSE(DvGetAudioInfo(pattern));
        EXPECT_FALSE(DvExtractAudio(pattern, DvAudioPairs::First, out));

        const Frame encoded = EncodeDvFrame(ntsc);
        ASSERT_EQ(encoded.size(), ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
        EXPECT_FALSE(DvGetAudioInfo(encoded)) << "FFmpeg's encoder writes no sound";
    }
    Frame cut = PatternFrame(false);
    SetSourcePack(cut, 0xC0, 0x00, 0xE0, 0xC0);
    cut.resize(4400);  // a source pack in a buffer that is no whole frame
    EXPECT_FALSE(DvGetAudioInfo(cut));
    EXPECT_FALSE(DvExtractAudio(cut, DvAudioPairs::First, out));
}

TEST(DvAudio, HostileSourcePacksAreBounded)
{
    const struct { const char *what; bool ntsc; uint8_t pc1; uint8_t pc4; std::optional<int> samples; bool locked; } cases[] = {
        {"48 kHz, the largest size field", true, 0x7F, 0xC0, 1620, true},
        {"48 kHz 625/50, the largest size field", false, 0x7F, 0xC0, 1944, true},
        {"44.1 kHz 625/50, the largest size field", false, 0xFF, 0xC8, 1786, false},
        {"32 kHz 12 bit, the largest size field", true, 0xFF, 0xD1, 1080, false},
        {"12 bit at 48 kHz: no more than 12-bit blocks hold", false, 0x7F, 0xC1, 1296, true},
        {"a Sony frame", true, 0xCF, 0xD1, 1068, false},
        {"rate code 3", true, 0x40, 0xD8, std::nullopt, true},
        {"rate code 7", true, 0x40, 0xF8, std::nullopt, true},
        {"20-bit samples", false, 0x40, 0xC2, std::nullopt, true},
        {"sample size code 7", false, 0x40, 0xC7, std::nullopt, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Frame frame = PatternFrame(c.ntsc);
        SetSourcePack(frame, c.pc1, 0x00, c.ntsc ? 0xC0 : 0xE0, c.pc4);
        const auto info = DvGetAudioInfo(frame);
        Pcm out(2 * kDvMaxAudioSamples);
        if (!c.samples) {
            EXPECT_FALSE(info);
            EXPECT_FALSE(DvExtractAudio(frame, DvAudioPairs::First, out));
            continue;
        }
        ASSERT_TRUE(info);
        EXPECT_EQ(info->samples, *c.samples);
        EXPECT_EQ(info->locked, c.locked);
        EXPECT_EQ(DvExtractAudio(frame, DvAudioPairs::First, out), c.samples);
        Pcm tooSmall(size_t(2 * *c.samples - 1));
        EXPECT_FALSE(DvExtractAudio(frame, DvAudioPairs::First, tooSmall));
    }
}

TEST(DvAudioPeers, SonyTwelveBitSoundMatchesFfmpeg)
{
    REQUIRE_SAMPLE(path, "sony_ntsc_32k12_4ch.dv");
    REQUIRE_TOOL("ffmpeg");
    const QByteArray file = testsupport::ReadWholeFile(path);
    ASSERT_EQ(file.size(), 5 * 120000);

    Pcm ours[2];
    for (int f = 0; f < 5; ++f) {
        const ByteSpan frame(reinterpret_cast<const uint8_t *>(file.constData()) + f * 120000, 120000);
        const auto info = DvGetAudioInfo(frame);
        ASSERT_TRUE(info) << "frame " << f;
        // The camera records the first pair only, unlocked, 1067 or 1068 samples a frame.
        EXPECT_EQ(info->rate, 32000);
        EXPECT_EQ(info->bits, 12);
        EXPECT_EQ(info->pairs, 1);
        EXPECT_FALSE(info->locked);
        EXPECT_TRUE(info->samples == 1067 || info->samples == 1068) << info->samples;

        Pcm both(4 * kDvMaxAudioSamples);
        ASSERT_EQ(DvExtractAudio(frame, DvAudioPairs::Both, both), info->samples);
        for (int pair = 0; pair < 2; ++pair) {
            Pcm one(2 * kDvMaxAudioSamples);
            ASSERT_EQ(DvExtractAudio(frame, pair == 0 ? DvAudioPairs::First : DvAudioPairs::Second, one), info->samples);
            for (int n = 0; n < info->samples; ++n) {
                ASSERT_EQ(both[size_t(4 * n + 2 * pair)], one[size_t(2 * n)]);
                ASSERT_EQ(both[size_t(4 * n + 2 * pair + 1)], one[size_t(2 * n + 1)]);
            }
            ours[pair].insert(ours[pair].end(), one.begin(), one.begin() + 2 * info->samples);
        }
    }

    // FFmpeg shows the two pairs as two stereo streams.
    const auto probe = testsupport::Run("ffprobe", {"-v", "error", "-select_streams", "a", "-show_entries",
                                                    "stream=sample_rate,channels", "-of", "csv=p=0", path});
    ASSERT_EQ(probe.exitCode, 0) << probe.err.constData();
    EXPECT_EQ(probe.out.trimmed(), QByteArray("32000,2\n32000,2"));

    for (int pair = 0; pair < 2; ++pair) {
        const auto run = testsupport::Run("ffmpeg", {"-v", "error", "-i", path, "-map", QString("0:a:%1").arg(pair),
                                                     "-f", "s16le", "-"});
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        const Pcm theirs = S16le(run.out);
        ASSERT_EQ(theirs.size(), ours[pair].size()) << "pair " << pair + 1;
        EXPECT_TRUE(theirs == ours[pair]) << "pair " << pair + 1 << " differs from FFmpeg's";
        if (pair == 0) {
            EXPECT_TRUE(std::any_of(theirs.begin(), theirs.end(), [](int16_t v) { return std::abs(v) > 256; }))
                << "the first pair should carry real sound";
        }
    }
}

TEST(DvAudioPeers, FfmpegHearsWhatWeInsert)
{
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const SoundCase cases[] = {
        {false, 48000, 16, 1}, {true, 48000, 16, 1}, {true, 32000, 16, 1},
        {true, 44100, 16, 1},  {true, 32000, 12, 2}, {false, 32000, 12, 2},
    };
    constexpr int kFrames = 6;
    for (const SoundCase &c : cases) {
        SCOPED_TRACE(Describe(c));
        const Frame video = EncodeDvFrame(c.ntsc);
        ASSERT_FALSE(video.empty());

        QByteArray stream;
        Pcm expected[2];
        for (int f = 0; f < kFrames; ++f) {
            const int count = DvAudioSamplesForFrame(c.ntsc, c.rate, f);
            const Pcm pair1 = Noise(size_t(2 * count), uint32_t(17 * f + 1));
            const Pcm pair2 = c.pairs == 2 ? Noise(size_t(2 * count), uint32_t(31 * f + 2)) : Pcm{};
            Frame frame = video;
            ASSERT_EQ(DvInsertAudio(frame, c.rate, c.bits, f, pair1, pair2), count);
            stream.append(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
            for (int p = 0; p < c.pairs; ++p) {
                const Pcm &in = p == 0 ? pair1 : pair2;
                const Pcm kept = c.bits == 16 ? Recordable16(in) : Through12Bit(in);
                expected[p].insert(expected[p].end(), kept.begin(), kept.end());
            }
        }
        const QString raw = dir.filePath(QString("sound_%1.dv").arg(&c - cases));
        ASSERT_TRUE(testsupport::WriteWholeFile(raw, stream));

        const auto probe = testsupport::Run("ffprobe", {"-v", "error", "-select_streams", "a", "-show_entries",
                                                        "stream=sample_rate", "-of", "csv=p=0", raw});
        ASSERT_EQ(probe.exitCode, 0) << probe.err.constData();
        const QString rate = QString::number(c.rate);
        EXPECT_EQ(QString::fromLatin1(probe.out).trimmed(), c.bits == 12 ? rate + "\n" + rate : rate);

        for (int p = 0; p < c.pairs; ++p) {
            const auto run = testsupport::Run("ffmpeg", {"-v", "error", "-f", "dv", "-i", raw, "-map",
                                                         QString("0:a:%1").arg(p), "-f", "s16le", "-"});
            ASSERT_EQ(run.exitCode, 0) << run.err.constData();
            const Pcm heard = S16le(run.out);
            ASSERT_EQ(heard.size(), expected[p].size()) << "pair " << p + 1;
            EXPECT_TRUE(heard == expected[p]) << "pair " << p + 1 << " is not what we wrote";
        }
    }
}

// The information block that a DV muxer derives from a frame announces the frame's sound.
TEST(DvAudio, InformationBlockAnnouncesTheSoundOfItsFrame)
{
    for (const SoundCase &c : {SoundCase{true, 48000, 16, 1}, SoundCase{false, 44100, 16, 1},
                               SoundCase{true, 32000, 12, 2}, SoundCase{false, 32000, 12, 1}}) {
        SCOPED_TRACE(Describe(c));
        Frame frame = PatternFrame(c.ntsc);
        const Pcm pcm = Noise(2 * kDvMaxAudioSamples, 3);
        ASSERT_TRUE(DvInsertAudio(frame, c.rate, c.bits, 1, pcm, c.pairs == 2 ? pcm : Pcm{}));
        const auto info = DvInfoFromFrame(frame);
        ASSERT_TRUE(info);
        EXPECT_EQ(DvAudioInfoFromDvInfo(*info), DvGetAudioInfo(frame));
    }
    EXPECT_FALSE(DvAudioInfoFromDvInfo(DvInfo{}));
}
