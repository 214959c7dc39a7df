#pragma once
// A tiny 5x7 capital-letter font for labels on the contact sheet.
#include <string_view>

#include "canvas.h"

namespace art {

// Draws text with its top-left at (x, y); small letters are drawn as capitals. Returns the width used.
int drawText(Canvas& c, int x, int y, std::string_view text, Col colour, int scale = 1);
int textWidth(std::string_view text, int scale = 1);

}  // namespace art
