#pragma once
// Every picture of the game, drawn from code. Each art_*.cpp draws one family of pictures.
#include <string>
#include <vector>

#include "canvas.h"

namespace art {

struct Art {
    std::string name;
    Canvas pic;
};

// All pictures in the order the game lists them.
std::vector<Art> drawAll();

std::vector<Art> drawTanks();    // tankleft, tankright, tank1, tank2, bullet, icon
std::vector<Art> drawMarkers();  // hmm, arrow, handcursor
std::vector<Art> drawCrates();   // bonusvzor1..13
std::vector<Art> drawSkies();    // sunn, sunh, moon, tdd
std::vector<Art> drawTrees();    // tree0, tree1, treeb0, treeb1, snow0, snow1, snowb0, snowb1
std::vector<Art> drawPanels();
// The window icon at size x size pixels, for the desktop's icon theme.
Canvas drawIconAt(int size);  // fbutt1, fbutt2, spinup, spindown, Image1..5

// Shared by the families.
// Light and dark rims on a shape: the edge facing the upper left gets `light`, the lower right `dark`.
void bevel(Canvas& c, const Mask& m, Col light, Col dark, int width = 1);
// Paints a shape with a ramp, lit like a ball of radius r at (cx, cy).
void shadeBall(Canvas& c, const Mask& m, const Ramp& ramp, double cx, double cy, double r, double bias = 0);
// A picture drawn from rows of characters, each character looked up in `legend` ('.' is transparent).
Canvas fromRows(const std::vector<std::string>& rows, const std::vector<std::pair<char, Col>>& legend);

}  // namespace art
