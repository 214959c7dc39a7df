#pragma once
// The Liberation fonts, compiled into the program (Mono stands in for "Courier New", Sans for "MS Sans Serif").
#include <cstddef>

namespace gv::fonts {
extern const unsigned char LiberationMono_Regular[];
extern const std::size_t LiberationMono_Regular_size;
extern const unsigned char LiberationMono_Bold[];
extern const std::size_t LiberationMono_Bold_size;
extern const unsigned char LiberationMono_Italic[];
extern const std::size_t LiberationMono_Italic_size;
extern const unsigned char LiberationMono_BoldItalic[];
extern const std::size_t LiberationMono_BoldItalic_size;
extern const unsigned char LiberationSans_Regular[];
extern const std::size_t LiberationSans_Regular_size;
extern const unsigned char LiberationSans_Bold[];
extern const std::size_t LiberationSans_Bold_size;
}  // namespace gv::fonts
