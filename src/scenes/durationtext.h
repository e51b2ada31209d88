// The duration of a scene as shown in the scene panel and the exports, in the
// three styles of the preference "Format Durée". Pure function; any thread.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The values of "Format Durée".
enum DurationStyle : int {
    kDurationDecimal = 0,  // "h:mm:ss.ff"
    kDurationColons = 1,   // "h:mm:ss:ff"
    kDurationUnits = 2,    // "hhours mminutes sseconds fframes"
};

// The text of frames frames at fps frames per second; "??" when fps is 0 (or not
// a usable rate), nullopt for a style that is none of the three: the caller then
// keeps the text it has.
std::optional<QString> DurationText(int64_t frames, double fps, int style);
