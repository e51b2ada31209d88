// Four-character codes as the text the user sees and types. Pure functions, any thread.
#pragma once

#include "formats/bytes.h"

#include <QString>

// The four bytes in file order (low byte first), each one character.
QString FourCCToText(FourCC code);

// The first four characters of the text; missing bytes are 0, characters outside
// Latin-1 become '?'.
FourCC TextToFourCC(const QString &text);
