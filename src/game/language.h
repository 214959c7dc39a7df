#pragma once
// Which language the interface speaks: Czech when the user's or the system's language, or the keyboard
// layout in use, is Czech or Slovak; English otherwise.
#include "platform/locale.h"

namespace gv {

bool czechInterface(const LanguageSettings& s);

}  // namespace gv
