#include "base/textfile.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

namespace {

QByteArray Bytes(const char *text, qsizetype size)
{
    return QByteArray(text, size);
}

}  // namespace

TEST(TextFile, DecodesMarksUtf8AndWindows1252)
{
    struct Case {
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {Bytes("\xEF\xBB\xBF" "caf\xC3\xA9", 8), QStringLiteral("caf\u00e9")},
        {Bytes("\xFF\xFE" "A\0\xE9\0\xAC\x20", 8), QStringLiteral("A\u00e9\u20ac")},
        {Bytes("\xFE\xFF" "\0A\0\xE9\x20\xAC", 8), QStringLiteral("A\u00e9\u20ac")},
        {Bytes("\xFF\xFE" "A\0B", 5), QStringLiteral("A\ufffd")},  // half a code unit at the end
        {QByteArray("caf\xC3\xA9"), QStringLiteral("caf\u00e9")},
        {QByteArray("\xF0\x9F\x98\x80"), QString::fromUcs4(U"\U0001F600")},
        {QByteArray("caf\xE9 \x80"), QStringLiteral("caf\u00e9 \u20ac")},
        {QByteArray("\x81\x8D\x8F\x90\x9D"), QStringLiteral("\u0081\u008d\u008f\u0090\u009d")},
        {QByteArray("\x8A\x9F\xFF"), QStringLiteral("\u0160\u0178\u00ff")},
        {QByteArray("\xC3\xA9 \xE9"), QStringLiteral("\u00e9 \u00e9")},        // mixed lines
        {QByteArray("\xE2\x82"), QStringLiteral("\u00e2\u201a")},               // cut sequence
        {QByteArray("\xC0\xAF"), QStringLiteral("\u00c0\u00af")},               // overlong form
        {QByteArray("\xED\xA0\x80"), QStringLiteral("\u00ed\u00a0\u20ac")},     // encoded surrogate
        {QByteArray("\xF4\x90\x80\x80"), QStringLiteral("\u00f4\u0090\u20ac\u20ac")},  // above U+10FFFF
        {QByteArray(), QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DecodeText(c.bytes), c.expected) << c.bytes.toHex().constData();
}

TEST(TextFile, SplitsLines)
{
    struct Case {
        const char *text;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\n", {"a"}},
        {"a\n\n", {"a", ""}},
        {"\r\n", {""}},
        {"a\r\r\nb", {"a", "", "b"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SplitLines(QString::fromUtf8(c.text)), c.lines) << c.text;
}

TEST(TextFile, WritesUtf16AndSystemTextWithCrLf)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.txt"));

    ASSERT_TRUE(WriteTextFileUtf16(path, QStringList{QStringLiteral("a"), QStringLiteral("\u00e9")}).ok);
    EXPECT_EQ(ReadWholeFile(path), Bytes("\xFF\xFE" "a\0\r\0\n\0\xE9\0\r\0\n\0", 14));

    ASSERT_TRUE(WriteTextFileSystem(path, QStringLiteral("\u00e9\nx\ry\r\nz")).ok);
    EXPECT_EQ(ReadWholeFile(path), QByteArray("\xC3\xA9\r\nx\r\ny\r\nz"));

    ASSERT_TRUE(WriteTextFileSystem(path, QStringList()).ok);
    EXPECT_EQ(ReadWholeFile(path), QByteArray());
}

TEST(TextFile, RoundTripsThroughUtf16AndUtf8)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList lines = {QStringLiteral("\u00c9t\u00e9 \u20ac"), QString(), QString::fromUcs4(U"\U0001F600 x"),
                               QStringLiteral("\u0160")};
    const QString utf16 = dir.filePath(QStringLiteral("u16.txt"));
    const QString utf8 = dir.filePath(QStringLiteral("u8.txt"));
    ASSERT_TRUE(WriteTextFileUtf16(utf16, lines).ok);
    ASSERT_TRUE(WriteTextFileSystem(utf8, lines).ok);
    for (const QString &path : {utf16, utf8}) {
        const TextFileRead read = ReadTextFile(path);
        ASSERT_TRUE(read.text) << qPrintable(read.error);
        EXPECT_EQ(SplitLines(*read.text), lines) << qPrintable(path);
    }
}

TEST(TextFile, ReadFailuresAreReported)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    const TextFileRead read = ReadTextFile(missing);
    EXPECT_FALSE(read.text);
    EXPECT_TRUE(read.error.contains(missing)) << qPrintable(read.error);

    // A sparse file just over the limit: refused without being read.
    const QString huge = dir.filePath(QStringLiteral("huge.txt"));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(kMaxTextFileBytes + 1));
    file.close();
    const TextFileRead big = ReadTextFile(huge);
    EXPECT_FALSE(big.text);
    EXPECT_FALSE(big.error.isEmpty());
}

TEST(TextFile, FailedWritesLeaveTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/out.txt"));
    const TextFileWrite intoNothing = WriteTextFileSystem(nowhere, QStringLiteral("x"));
    EXPECT_FALSE(intoNothing.ok);
    EXPECT_TRUE(intoNothing.error.contains(nowhere)) << qPrintable(intoNothing.error);
    EXPECT_FALSE(QFile::exists(nowhere));

    // The disk "fills" part-way through the write: the file-size limit makes it fail
    // after 4 KiB, which would leave a truncated file had the old one been overwritten.
    const QString path = dir.filePath(QStringLiteral("playlist.txt"));
    ASSERT_TRUE(WriteWholeFile(path, "old contents\r\n"));
    TextFileWrite result;
    {
        const testsupport::ScopedFileSizeLimit limit(4096);
        result = WriteTextFileUtf16(path, QString(100000, QLatin1Char('x')));
    }

    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(ReadWholeFile(path), QByteArray("old contents\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("playlist.txt")});  // no temporary left
}
