// The converter factory of pictures, for FilterGraph::AddConverterFactory: the
// filter that turns a compressed or uncompressed video stream into the 24-bit
// RGB pictures the program's filters and renderers take. Any thread; the caller
// owns what it makes.
#pragma once

#include "media/filter.h"

#include <memory>

// DvDecoder for DV ('dvsd' video, 'iavs'), VideoDecoder for another codec known by
// its code, ColorConverter for the uncompressed layouts it reads; nullptr otherwise
// (24-bit RGB needs no converter).
std::unique_ptr<Filter> MakePictureConverter(const MediaType &type);
