// Names of the audio format tags of a wave format, as the audio format registry
// names them without their prefix. Constant data, any thread.
#pragma once

#include <QString>

#include <cstdint>

// "PCM" for 1, "VOXWARE" for 98 and 117, ...; "Inconnu" for a tag not in the table.
QString FormatTagName(uint16_t tag);
