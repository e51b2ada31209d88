#include "formats/dvinfo.h"

#include "formats/avitestsupport.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

ByteSpan Bytes(const QByteArray &bytes) { return {reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size())}; }

}  // namespace

TEST(DvInfo, TakesTheFirstPacksOfEachHalfOfARealFrame)
{
    REQUIRE_SAMPLE(ntsc, "sony_ntsc_32k12_4ch.dv");
    REQUIRE_SAMPLE(pal, "ffmpeg_pal_16x9_2frames.dv");
    // 525/60, 32 kHz 12-bit, two sound pairs: the second pair's source pack
    // (sequences 5..9) differs from the first's in its channel byte.
    const auto ntscInfo = DvInfoFromFrame(Bytes(avitest::DvFrames(ntsc).at(0)));
    ASSERT_TRUE(ntscInfo);
    EXPECT_EQ(ntscInfo->aauxSrc, 0xd1c030cfu);
    EXPECT_EQ(ntscInfo->aauxCtl, 0xffa0cf03u);
    EXPECT_EQ(ntscInfo->aauxSrc1, 0xd1c03fcfu);
    EXPECT_EQ(ntscInfo->aauxCtl1, 0xffa0ff03u);
    EXPECT_EQ(ntscInfo->vauxSrc, 0xff00ffffu);
    EXPECT_EQ(ntscInfo->vauxCtl, 0xfffc8003u);
    EXPECT_EQ(ntscInfo->reserved[0], 0u);

    // 625/50 without sound: no AAUX pack at all.
    const auto palInfo = DvInfoFromFrame(Bytes(avitest::DvFrames(pal).at(0)));
    ASSERT_TRUE(palInfo);
    EXPECT_EQ(palInfo->aauxSrc, DvInfo::kNoPack);
    EXPECT_EQ(palInfo->aauxCtl1, DvInfo::kNoPack);
    EXPECT_EQ(palInfo->vauxSrc, 0xffe0ffffu);  // bit 5 of PC3: 625/50
    EXPECT_EQ(palInfo->vauxCtl, 0xfffcca3fu);
}

TEST(DvInfo, RoundTripsAndRefusesShortInput)
{
    DvInfo info;
    info.aauxSrc = 0x01020304;
    info.vauxCtl = 0xa0b0c0d0;
    info.reserved[1] = 7;
    uint8_t bytes[DvInfo::kSize];
    WriteDvInfo(info, bytes);
    EXPECT_EQ(bytes[0], 0x04);  // PC1 in the low byte
    EXPECT_EQ(ReadDvInfo(bytes), info);
    EXPECT_FALSE(ReadDvInfo(ByteSpan(bytes, DvInfo::kSize - 1)));

    const QByteArray notAFrame(143999, '\0');
    EXPECT_FALSE(DvInfoFromFrame(Bytes(notAFrame)));
    const QByteArray blank(120000, '\xff');
    EXPECT_EQ(DvInfoFromFrame(Bytes(blank)), DvInfo{});
}
