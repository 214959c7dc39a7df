// The pictures as the game asks for them: unpacked once, on first use, then shared.
#include <cstdio>
#include <map>
#include <string>

#include "assets/pictures.h"
#include "codec.h"
#include "picture_data.h"

namespace gv::assets {
namespace {

struct Library {
    std::vector<std::string> names;
    std::map<std::string, PictureRef, std::less<>> byName;
};

const Library& library() {
    static const Library lib = [] {
        Library l;
        for (std::size_t i = 0; i < packed::kBlobCount; ++i) {
            const packed::Blob& b = packed::kBlobs[i];
            auto decoded = artcodec::decode(reinterpret_cast<const std::uint8_t*>(b.data), b.size);
            if (!decoded) {
                // Only a broken build gets here; the picture is then simply missing.
                std::fprintf(stderr, "gorvath: picture %s is damaged\n", b.name);
                continue;
            }
            auto pic = std::make_shared<Picture>();
            pic->width = decoded->width;
            pic->height = decoded->height;
            pic->pixels = std::move(decoded->pixels);
            l.names.emplace_back(b.name);
            l.byName.emplace(b.name, std::move(pic));
        }
        return l;
    }();
    return lib;
}

}  // namespace

PictureRef picture(std::string_view name) {
    const auto& byName = library().byName;
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : it->second;
}

const std::vector<std::string>& pictureNames() { return library().names; }

}  // namespace gv::assets
