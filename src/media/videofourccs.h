// The video codecs of libavcodec that AVI files name by a four-character code
// (the stream's subtype): a table as data, looked up without regard to case, as
// AVI writers spell the same code in either. Pure functions, any thread.
#pragma once

#include "formats/bytes.h"

#include <optional>

// The AVCodecID of a code, or nullopt for a code the table does not know.
std::optional<int> VideoCodecForFourCC(FourCC code);
