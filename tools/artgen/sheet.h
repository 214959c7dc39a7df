#pragma once
// The contact sheet: every picture at 1x and enlarged, labelled, transparency on a checkerboard.
#include <vector>

#include "art.h"

namespace art {

// With zoom = 0 the full sheet (1x, then 4x, big pictures smaller); otherwise just `pictures` at that zoom.
Canvas contactSheet(const std::vector<Art>& pictures, int zoom = 0);

}  // namespace art
