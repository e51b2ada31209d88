// The pictures of generated samples: colour bars whose hues differ from one
// recording to the next, the frame number in large digits and as a machine
// readable cell code (framecode.h).
#pragma once

#include <cstdint>

struct AVFrame;

// Fills a yuv420p or yuv411p picture (planes allocated by the caller).
void FillTestPattern(AVFrame *picture, int recording, int frameNumber);
