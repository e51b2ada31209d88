#include "support/riffbuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace testsupport {

QByteArray FourBytes(const char *code)
{
    QByteArray bytes(4, '\0');
    std::memcpy(bytes.data(), code, std::min<size_t>(4, std::strlen(code)));
    return bytes;
}

QByteArray LE16(uint16_t value)
{
    QByteArray bytes(2, '\0');
    bytes[0] = static_cast<char>(value);
    bytes[1] = static_cast<char>(value >> 8);
    return bytes;
}

QByteArray LE32(uint32_t value)
{
    QByteArray bytes(4, '\0');
    PutLE32(bytes, 0, value);
    return bytes;
}

void PutLE32(QByteArray &bytes, qsizetype offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

RiffBuilder &RiffBuilder::Begin(const char *id, const char *listType)
{
    open_.push_back(bytes_.size());
    bytes_ += FourBytes(id) + LE32(0) + FourBytes(listType);
    return *this;
}

RiffBuilder &RiffBuilder::End()
{
    EXPECT_FALSE(open_.empty()) << "End() without an open list";
    if (open_.empty())
        return *this;
    const qsizetype start = open_.back();
    open_.pop_back();
    PutLE32(bytes_, start + 4, static_cast<uint32_t>(bytes_.size() - start - 8));
    if (bytes_.size() % 2)
        bytes_ += '\0';
    return *this;
}

RiffBuilder &RiffBuilder::Chunk(const char *id, const QByteArray &data)
{
    ChunkDeclaring(id, static_cast<uint32_t>(data.size()), data);
    if (data.size() % 2)
        bytes_ += '\0';
    return *this;
}

RiffBuilder &RiffBuilder::ChunkDeclaring(const char *id, uint32_t declaredSize, const QByteArray &data)
{
    bytes_ += FourBytes(id) + LE32(declaredSize) + data;
    return *this;
}

RiffBuilder &RiffBuilder::Raw(const QByteArray &bytes)
{
    bytes_ += bytes;
    return *this;
}

QByteArray RiffBuilder::Bytes() const
{
    EXPECT_TRUE(open_.empty()) << open_.size() << " list(s) left open";
    return bytes_;
}

}  // namespace testsupport
