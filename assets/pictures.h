#pragma once
// Every picture of the layout, drawn by our own art generator and embedded into the program.
#include <string>
#include <string_view>
#include <vector>

#include "platform/picture.h"

namespace gv::assets {

// The picture the layout knows under `name`, or nullptr when there is none.
// Names: "tankleft", "tankright", "tank1", "tank2", "hmm", "arrow", "bullet",
// "bonusvzor1".."bonusvzor13", "sunn", "sunh", "moon", "tree0", "tree1", "treeb0", "treeb1",
// "snow0", "snow1", "snowb0", "snowb1", "fbutt1", "fbutt2", "spinup", "spindown",
// "Image1".."Image5", "tdd", "icon", "handcursor".
// The same name always returns the same shared picture.
PictureRef picture(std::string_view name);

// All names that picture() knows, in a stable order.
const std::vector<std::string>& pictureNames();

}  // namespace gv::assets
