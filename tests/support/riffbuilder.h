// Builds RIFF byte fixtures for tests: chunks with their true size and pad byte,
// lists whose size is written when they are closed, and chunks that lie about
// their size. One builder per fixture, used by one thread.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace testsupport {

class RiffBuilder {
public:
    // Opens a "RIFF" or "LIST" chunk with its form or list type.
    RiffBuilder &Begin(const char *id, const char *listType);
    RiffBuilder &Riff(const char *form) { return Begin("RIFF", form); }
    RiffBuilder &List(const char *listType) { return Begin("LIST", listType); }
    // Closes the innermost open list: writes its size and pads it to even.
    RiffBuilder &End();
    // A chunk with its true size, followed by a pad byte when the size is odd.
    RiffBuilder &Chunk(const char *id, const QByteArray &data);
    // A chunk that declares declaredSize whatever data follows; no pad byte is added.
    RiffBuilder &ChunkDeclaring(const char *id, uint32_t declaredSize, const QByteArray &data);
    RiffBuilder &Raw(const QByteArray &bytes);

    // Bytes written so far: the position where the next chunk header goes.
    qsizetype Size() const { return bytes_.size(); }
    // The fixture; every list must have been closed.
    QByteArray Bytes() const;

private:
    QByteArray bytes_;
    std::vector<qsizetype> open_;  // positions of the open lists' headers
};

// Four bytes of a code, "ab" giving 'a' 'b' 0 0.
QByteArray FourBytes(const char *code);
QByteArray LE16(uint16_t value);
QByteArray LE32(uint32_t value);
// Overwrites four bytes of bytes at offset with a little-endian value.
void PutLE32(QByteArray &bytes, qsizetype offset, uint32_t value);

}  // namespace testsupport
