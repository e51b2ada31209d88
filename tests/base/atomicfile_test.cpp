#include "base/atomicfile.h"

#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>


using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

namespace {

// Bytes that differ from their neighbours, so a block written out of place shows.
std::vector<uint8_t> Pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + seed + i / 4093);
    return bytes;
}

}  // namespace

// Several buffers' worth of appends, one larger than a buffer, and patches into the
// part already written, the block on its way and the buffer: the file holds every
// byte where it belongs, and only once committed.
TEST(AtomicFile, AppendsAndPatchesLandInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.bin"));
    QString error;
    auto file = AtomicFile::Create(path, &error);
    ASSERT_TRUE(file) << qPrintable(error);
    std::vector<uint8_t> expected;
    const auto append = [&](const std::vector<uint8_t> &bytes) {
        ASSERT_TRUE(file->Append(bytes));
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    };
    const auto patch = [&](uint64_t at, const std::vector<uint8_t> &bytes) {
        ASSERT_TRUE(file->Patch(at, bytes));
        std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
    };
    for (uint8_t n = 0; n < 9; ++n)
        append(Pattern(1'000'003, n));
    append(Pattern(AtomicFile::kBufferSize + 17, 99));
    append(Pattern(3'000'000, 7));
    patch(10, Pattern(100, 1));                                   // long on disk
    patch(AtomicFile::kBufferSize * 2 - 50, Pattern(100, 2));      // across two blocks
    patch(expected.size() - 20, Pattern(20, 3));                  // still in the buffer
    patch(expected.size() - 3'000'010, Pattern(30, 4));           // across the last block and the buffer
    ASSERT_TRUE(file->AppendZeros(5));
    expected.insert(expected.end(), 5, 0);
    EXPECT_EQ(file->Position(), expected.size());
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(file->Commit()) << qPrintable(file->Error());
    const QByteArray written = ReadWholeFile(path);
    ASSERT_EQ(static_cast<size_t>(written.size()), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reinterpret_cast<const uint8_t *>(written.constData())));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.bin")});
}

// A block that cannot be written (the file size limit stands for a full disk) fails
// a later call with the reason; the old file stays as it was and no temporary is left.
TEST(AtomicFile, AFailedBlockWriteFailsTheFileAndKeepsTheOld)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.bin"));
    ASSERT_TRUE(WriteWholeFile(path, "old"));
    QString error;
    std::unique_ptr<AtomicFile> file;
    bool committed = false;
    {
        const testsupport::ScopedFileSizeLimit limit(AtomicFile::kBufferSize + AtomicFile::kBufferSize / 2);
        file = AtomicFile::Create(path, &error);
        bool appended = true;
        for (int n = 0; n < 4 && appended && file; ++n)
            appended = file->Append(Pattern(AtomicFile::kBufferSize - 1, static_cast<uint8_t>(n)));
        committed = file && appended && file->Commit();
    }

    ASSERT_TRUE(file) << qPrintable(error);
    EXPECT_FALSE(committed);
    EXPECT_TRUE(file->Failed());
    EXPECT_TRUE(file->Error().startsWith(QStringLiteral("Cannot write"))) << qPrintable(file->Error());
    file.reset();
    EXPECT_EQ(ReadWholeFile(path), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.bin")});
}
