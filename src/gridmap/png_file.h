#pragma once

#include <string>

#include "gridmap/map_render.h"

namespace meldrit::gridmap {

// Whether this build can write PNG files (it needs libpng).
bool png_available();

// Writes the picture as an 8-bit RGB PNG; false when the file cannot be written.
bool write_png(const std::string& path, const Image& image);

}  // namespace meldrit::gridmap
