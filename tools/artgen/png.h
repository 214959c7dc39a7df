#pragma once
// Writes a canvas as an RGBA PNG file.
#include <string>

#include "canvas.h"

namespace art {

bool writePng(const Canvas& c, const std::string& path);

}  // namespace art
