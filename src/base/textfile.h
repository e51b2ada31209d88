// Reading and writing whole text files. Reading recognises a UTF-16LE, UTF-16BE
// or UTF-8 byte-order mark; after a UTF-8 mark or without any, the bytes are
// UTF-8, and each byte that does not begin a valid UTF-8 sequence is read as
// Windows-1252, so files mixing both still read whole. Writing is
// atomic: the text goes to a temporary file that replaces the old one only when
// complete. Failures are returned as values with a message for the user.
// Pure functions of their arguments and the file system; any thread.
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

// Larger files are refused rather than read into memory.
inline constexpr qint64 kMaxTextFileBytes = 64 * 1024 * 1024;

struct TextFileRead {
    std::optional<QString> text;  // none when the file could not be read
    QString error;                // why, when there is no text
};

struct TextFileWrite {
    bool ok = false;
    QString error;  // why, when not ok
};

TextFileRead ReadTextFile(const QString &path);

// Bytes of a text file decoded as ReadTextFile does; a byte-order mark is not part of the text.
QString DecodeText(const QByteArray &bytes);

// Lines split at CR LF, LF or CR; a break at the very end starts no further line.
QStringList SplitLines(const QString &text);

// UTF-16LE with a byte-order mark. Every line break of text becomes CR LF; each
// of lines is written followed by CR LF.
TextFileWrite WriteTextFileUtf16(const QString &path, const QString &text);
TextFileWrite WriteTextFileUtf16(const QString &path, const QStringList &lines);

// The system code page, UTF-8 without a byte-order mark, with CR LF line breaks as above.
TextFileWrite WriteTextFileSystem(const QString &path, const QString &text);
TextFileWrite WriteTextFileSystem(const QString &path, const QStringList &lines);
