#pragma once
// The packed pictures that artgen writes into the build (see codec.h for how each one is packed).
#include <cstddef>

namespace gv::assets::packed {

struct Blob {
    const char* name;
    const char* data;
    std::size_t size;
};

extern const Blob kBlobs[];
extern const std::size_t kBlobCount;

}  // namespace gv::assets::packed
