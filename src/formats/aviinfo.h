// What the RIFF structure of an AVI file says: whether it is a well-formed AVI,
// its main and OpenDML headers, its stream headers and formats, and the codec of
// its video stream. The walker reads the file once, in its constructor, with plain
// bounded reads, and keeps no file open afterwards. The object belongs to its
// creator; it has no shared state, so any thread may build one.
#pragma once

#include "formats/bytes.h"

#include <QIODevice>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// One "strl" list: the stream header, the stream format and the head of the
// OpenDML index, each cut to its area.
struct TAvistream {
    std::array<uint8_t, 56> header{};   // "strh": type code at bytes 0..3, handler at 4..7
    std::array<uint8_t, 84> format{};   // "strf"
    std::array<uint8_t, 88> index{};    // first bytes of the "indx" data (its header and first entry)
    int64_t indexPosition = 0;          // file position of the first index entry, 0 without "indx"

    FourCC Type() const { return ReadLE32(header.data()); }
    FourCC Handler() const { return ReadLE32(header.data() + 4); }
};

class TAviParam {
public:
    // Streams beyond this many are walked over and not recorded.
    static constexpr int kMaxStreams = 64;

    bool valid = false;       // at least one top-level RIFF "AVI"/"AVIX" chunk was walked without error
    bool openDml = false;     // an "odml" list was met
    std::array<uint8_t, 64> mainHeader{};      // "avih" (56 bytes in practice)
    std::array<uint8_t, 248> openDmlHeader{};  // "dmlh"
    std::vector<TAvistream> streams;           // in file order
    int audioStream = -1;     // index in streams of the first "auds" stream
    int videoStream = -1;     // index in streams of the first "vids" or "iavs" stream
    int64_t idx1Position = 0; // data position of "idx1", 0 = none
    int64_t moviPosition = 0; // just after the list type of the last "movi" list

    // The handler code of the video stream as text; "####" without video stream.
    QString GetCodec() const;
    // The video stream record, or nullptr.
    const TAvistream *VideoStream() const;
};

class TFriendlyAviParam : public TAviParam {
public:
    // Walks the file; a file that cannot be opened leaves the object not valid.
    explicit TFriendlyAviParam(const QString &fileName);
    // Walks an open random-access device from its current position to its end.
    explicit TFriendlyAviParam(QIODevice &device);
};
