// "Change the codec" and "Fix the video framerate": the header bytes they write,
// judged byte for byte and by ffprobe, and the files they leave alone.
#include "formats/codecchoice.h"
#include "formats/fpsunit.h"
#include "formats/frameratechoice.h"
#include "tablefixture.h"

#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// The offsets at which the two contents differ.
std::vector<int64_t> DifferingOffsets(const QByteArray &a, const QByteArray &b)
{
    std::vector<int64_t> offsets;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            offsets.push_back(i);
    return offsets;
}

std::vector<int64_t> Range(int64_t from, int length)
{
    std::vector<int64_t> offsets;
    for (int i = 0; i < length; ++i)
        offsets.push_back(from + i);
    return offsets;
}

QString Probe(const QString &path, const char *entry)
{
    const auto probe = testsupport::Run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                                    QStringLiteral("stream=") + entry, "-of", "csv=p=0", path});
    EXPECT_EQ(probe.exitCode, 0) << probe.err.constData();
    return QString::fromUtf8(probe.out).trimmed();
}

uint32_t Le32(const QByteArray &bytes, int64_t offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes.at(static_cast<qsizetype>(offset + i)));
    return value;
}

const QFileDevice::Permissions kReadOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

class HeaderPatches : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL("ffprobe");
        ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi")).isEmpty());
        ASSERT_FALSE(f.MakeDv(QStringLiteral("ro.avi")).isEmpty());
        ASSERT_FALSE(f.MakeDv(QStringLiteral("t1.avi"), {.type = 1}).isEmpty());
        ASSERT_FALSE(f.MakeDv(QStringLiteral("other.avi")).isEmpty());
        ASSERT_TRUE(QFile::setPermissions(f.Path("ro.avi"), kReadOnly));
        f.Open({"a.avi", "other.avi", "ro.avi", "t1.avi"});
        positions = FindHeaderPositions(f.Path("a.avi"));
        ASSERT_GE(positions.handler, 0);
        ASSERT_GE(positions.compression, 0);
        ASSERT_GE(positions.rate, 0);
        ASSERT_EQ(FindHeaderPositions(f.Path("ro.avi")).handler, positions.handler) << "the same layout";
    }
    void TearDown() override { QFile::setPermissions(f.Path("ro.avi"), kReadOnly | QFileDevice::WriteOwner); }

    TableFixture f;
    AviHeaderPositions positions;
};

}  // namespace

TEST_F(HeaderPatches, ChangeTheCodecWritesTheFourCharactersOnly)
{
    f.Select({"a.avi", "ro.avi"});
    f.user.answers = {kAnswerYesToAll};
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("ModifierCodec"), {"CDVC"});

    EXPECT_EQ(f.user.questions, QStringList(CodecChangeQuestion("dvsd", "a.avi", "CDVC") + kSeveralFilesLine));
    EXPECT_EQ(f.user.questions[0], "Do you want to change the codec \"dvsd\" from a.avi to \"CDVC\" ?" + kSeveralFilesLine);
    const auto after = f.Snapshot();
    EXPECT_EQ(Names(TableFixture::Changed(before, after)), "a.avi ro.avi");
    std::vector<int64_t> expected = Range(positions.handler, 4);
    const std::vector<int64_t> compression = Range(positions.compression, 4);
    expected.insert(expected.end(), compression.begin(), compression.end());
    for (const char *name : {"a.avi", "ro.avi"}) {
        SCOPED_TRACE(name);
        const QByteArray &patched = after.at(name).content;
        ASSERT_EQ(patched.size(), before.at(name).content.size());
        EXPECT_EQ(DifferingOffsets(before.at(name).content, patched), expected);
        EXPECT_EQ(patched.mid(positions.handler, 4), "CDVC");
        EXPECT_EQ(patched.mid(positions.compression, 4), "CDVC");
        EXPECT_EQ(Probe(f.Path(name), "codec_tag_string"), QStringLiteral("CDVC"));
        EXPECT_EQ(f.Item(name)->codec, QStringLiteral("CDVC")) << "the item was read again";
    }
    EXPECT_FALSE(QFileInfo(f.Path("ro.avi")).permissions() & QFileDevice::WriteOwner);
    EXPECT_EQ(after.at("ro.avi").permissions, before.at("ro.avi").permissions) << "read-only it stays";
    EXPECT_EQ(f.released, QStringList({f.Path("a.avi"), f.Path("ro.avi")}));
}

TEST_F(HeaderPatches, AShortCodecIsPaddedAndNoneChangesNothing)
{
    f.Select({"a.avi"});
    f.Run(QStringLiteral("ModifierCodec"), {"ab"});
    EXPECT_EQ(testsupport::ReadWholeFile(f.Path("a.avi")).mid(positions.handler, 4), "ab  ");

    f.Select({"a.avi"});
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("ModifierCodec"), {});
    EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty());
}

TEST_F(HeaderPatches, FixTheFrameRateWritesScaleAndRate)
{
    f.Select({"a.avi", "t1.avi", "ro.avi"});
    f.user.answers = {kAnswerYes, kAnswerNo};
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("FrequenceVideo"), {"30"});

    EXPECT_EQ(f.user.questions, QStringList({FrameRateChangeQuestion(25, "a.avi", "30") + kSeveralFilesLine,
                                             FrameRateChangeQuestion(25, "ro.avi", "30") + kSeveralFilesLine}))
        << "the type 1 file is not offered";
    EXPECT_EQ(f.user.questions[0], "Do you want to change the frequency 25 from  a.avi to 30 ?" + kSeveralFilesLine);
    const auto after = f.Snapshot();
    EXPECT_EQ(Names(TableFixture::Changed(before, after)), "a.avi");
    const QByteArray &patched = after.at("a.avi").content;
    for (int64_t offset : DifferingOffsets(before.at("a.avi").content, patched)) {
        EXPECT_GE(offset, positions.rate);
        EXPECT_LT(offset, positions.rate + 8);
    }
    EXPECT_EQ(Le32(patched, positions.rate), 33333u);
    EXPECT_EQ(Le32(patched, positions.rate + 4), 1000000u);
    EXPECT_EQ(Probe(f.Path("a.avi"), "time_base"), QStringLiteral("33333/1000000"));
    EXPECT_NEAR(f.Item("a.avi")->fps, 30.0, 0.01) << "the item was read again";
    EXPECT_EQ(f.released, QStringList(f.Path("a.avi"))) << "only the file that is patched";

    f.Select({"a.avi"});
    const auto unchanged = f.Snapshot();
    f.Run(QStringLiteral("FrequenceVideo"), {"fast"});
    EXPECT_TRUE(TableFixture::Changed(unchanged, f.Snapshot()).isEmpty()) << "no number, no patch";
}
