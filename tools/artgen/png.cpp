#include "png.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

namespace art {
namespace {

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(v >> s));
}

void chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& body) {
    put32(out, std::uint32_t(body.size()));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    uLong crc = crc32(0, out.data() + start, uInt(out.size() - start));
    put32(out, std::uint32_t(crc));
}

}  // namespace

bool writePng(const Canvas& c, const std::string& path) {
    std::vector<unsigned char> raw;
    raw.reserve(std::size_t(c.width() * 4 + 1) * std::size_t(c.height()));
    for (int y = 0; y < c.height(); ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < c.width(); ++x) {
            Col p = c.get(x, y);
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9) != Z_OK) return false;
    packed.resize(packedSize);

    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    put32(header, std::uint32_t(c.width()));
    put32(header, std::uint32_t(c.height()));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", {});

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace art
