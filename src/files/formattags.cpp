#include "files/formattags.h"

#include <algorithm>
#include <array>

namespace {

struct FormatTagRow {
    uint16_t tag;
    const char *name;
};

// In ascending tag order.
constexpr std::array<FormatTagRow, 64> kFormatTags = {{
    {1, "PCM"}, {2, "ADPCM"}, {3, "IEEE_FLOAT"}, {5, "IBM_CVSD"}, {6, "ALAW"}, {7, "MULAW"},
    {16, "OKI_ADPCM"}, {17, "DVI_ADPCM"}, {18, "MEDIASPACE_ADPCM"}, {19, "SIERRA_ADPCM"}, {20, "G723_ADPCM"},
    {21, "DIGISTD"}, {22, "DIGIFIX"}, {23, "DIALOGIC_OKI_ADPCM"}, {24, "MEDIAVISION_ADPCM"},
    {32, "YAMAHA_ADPCM"}, {33, "SONARC"}, {34, "DSPGROUP_TRUESPEECH"}, {35, "ECHOSC1"},
    {36, "AUDIOFILE_AF36"}, {37, "APTX"}, {38, "AUDIOFILE_AF10"}, {48, "DOLBY_AC2"}, {49, "GSM610"},
    {50, "MSNAUDIO"}, {51, "ANTEX_ADPCME"}, {52, "CONTROL_RES_VQLPC"}, {53, "DIGIREAL"}, {54, "DIGIADPCM"},
    {55, "CONTROL_RES_CR10"}, {56, "NMS_VBXADPCM"}, {57, "CS_IMAADPCM"}, {58, "ECHOSC3"},
    {59, "ROCKWELL_ADPCM"}, {60, "ROCKWELL_DIGITALK"}, {61, "XEBEC"}, {64, "G721_ADPCM"}, {65, "G728_CELP"},
    {80, "MPEG"}, {85, "MP3"}, {96, "CIRRUS"}, {97, "ESPCM"}, {98, "VOXWARE"}, {99, "CANOPUS_ATRAC"},
    {100, "G726_ADPCM"}, {101, "G722_ADPCM"}, {102, "DSAT"}, {103, "DSAT_DISPLAY"}, {117, "VOXWARE"},
    {128, "SOFTSOUND"}, {256, "RHETOREX_ADPCM"}, {512, "CREATIVE_ADPCM"}, {514, "CREATIVE_FASTSPEECH8"},
    {515, "CREATIVE_FASTSPEECH10"}, {544, "QUARTERDECK"}, {768, "FM_TOWNS_SND"}, {1024, "BTV_DIGITAL"},
    {4096, "OLIGSM"}, {4097, "OLIADPCM"}, {4098, "OLICELP"}, {4099, "OLISBC"}, {4100, "OLIOPR"},
    {4352, "LH_CODEC"}, {5120, "NORRIS"},
}};

static_assert(std::is_sorted(kFormatTags.begin(), kFormatTags.end(),
                             [](const FormatTagRow &a, const FormatTagRow &b) { return a.tag < b.tag; }));

}  // namespace

QString FormatTagName(uint16_t tag)
{
    const auto found = std::lower_bound(kFormatTags.begin(), kFormatTags.end(), tag,
                                        [](const FormatTagRow &row, uint16_t value) { return row.tag < value; });
    if (found == kFormatTags.end() || found->tag != tag)
        return QStringLiteral("Inconnu");
    return QString::fromLatin1(found->name);
}
