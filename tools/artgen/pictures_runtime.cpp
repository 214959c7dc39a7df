// The pictures as the game asks for them: each one shared, and unpacked only while its pixels are held.
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
            const auto* data = reinterpret_cast<const std::uint8_t*>(b.data);
            const auto size = artcodec::measure(data, b.size);
            if (!size) {
                // Only a broken build gets here; the picture is then simply missing.
                std::fprintf(stderr, "gorvath: picture %s is damaged\n", b.name);
                continue;
            }
            const int w = size->width, h = size->height;
            auto unpack = [&b, data, w, h] {
                auto decoded = artcodec::decode(data, b.size);
                if (decoded && decoded->width == w && decoded->height == h) return std::move(decoded->pixels);
                std::fprintf(stderr, "gorvath: picture %s is damaged\n", b.name);
                return Picture::Pixels(std::size_t(w) * std::size_t(h), 0);  // see-through
            };
            l.names.emplace_back(b.name);
            l.byName.emplace(b.name, std::make_shared<const Picture>(w, h, std::move(unpack)));
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
