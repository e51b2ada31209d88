#include "writersources.h"

#include "media/filewriter.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

MediaType ByteStream()
{
    MediaType type;
    type.majorType = MajorType::Stream;
    return type;
}

struct Placement {
    const char *name;
    std::vector<TimedBuffer> samples;
    QByteArray file;  // empty: the run fails and no file is left
};

TimedBuffer At(int64_t offset, const char *text)
{
    const Buffer data(text, text + std::strlen(text));
    return {data, MediaTimeRange{offset, offset + static_cast<int64_t>(data.size())}};
}

TimedBuffer Untimed(const char *text) { return {Buffer(text, text + std::strlen(text)), std::nullopt}; }

class FileWriterPlacement : public testing::TestWithParam<Placement> {};

TEST_P(FileWriterPlacement, WritesEachSampleAtItsOffset)
{
    const Placement &c = GetParam();
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("out.bin"));
    FilterGraph graph;
    ListSource source(ByteStream(), c.samples);
    FileWriter writer;
    writer.SetFileName(path);
    graph.AddFilter(source);
    graph.AddFilter(writer);
    ASSERT_TRUE(graph.Connect(source.Output(), writer.Input()));
    const auto completion = RunToCompletion(graph);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, c.file.isEmpty() ? GraphCompletion::Result::Error : GraphCompletion::Result::Complete)
        << completion->message.toStdString();
    EXPECT_EQ(testsupport::ReadWholeFile(path), c.file);
    if (c.file.isEmpty()) {
        EXPECT_TRUE(QDir(dir.path()).isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, FileWriterPlacement,
    testing::Values(Placement{"InOrder", {At(0, "abc"), At(3, "def")}, "abcdef"},
                    Placement{"AfterAGap", {At(4, "data"), At(0, "head")}, "headdata"},
                    Placement{"Overlapping", {At(0, "abcdef"), At(4, "XYZ")}, "abcdXYZ"},
                    Placement{"UntimedFollows", {At(2, "ab"), Untimed("cd")}, QByteArray("\0\0abcd", 6)},
                    Placement{"NegativeOffset", {At(-1, "x")}, {}},
                    Placement{"HugeGap", {At(int64_t{1} << 40, "x")}, {}}),
    [](const testing::TestParamInfo<Placement> &info) { return std::string(info.param.name); });

}  // namespace
