#include "codec.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace gv::artcodec {
namespace {

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kShortMatchMax = 129;  // lengths up to this fit the token byte
constexpr std::size_t kMaxLiteral = 128;
constexpr std::size_t kWindow = 1 << 20;
constexpr int kChainDepth = 48;
// Pictures larger than this are refused when reading: nothing in the game comes near it.
constexpr std::uint64_t kMaxPixels = 1u << 24;

void putVarint(std::vector<std::uint8_t>& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.push_back(std::uint8_t(v | 0x80));
        v >>= 7;
    }
    out.push_back(std::uint8_t(v));
}

struct Reader {
    const std::uint8_t* p;
    const std::uint8_t* end;
    bool ok = true;

    std::uint8_t byte() {
        if (p == end) {
            ok = false;
            return 0;
        }
        return *p++;
    }
    std::uint64_t varint() {
        std::uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            std::uint8_t b = byte();
            if (!ok) return 0;
            v |= std::uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        ok = false;
        return 0;
    }
};

void compress(const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out) {
    const std::size_t n = in.size();
    std::vector<std::int64_t> prev(n, -1);
    std::unordered_map<std::uint32_t, std::int64_t> head;
    auto key = [&](std::size_t i) {
        return std::uint32_t(in[i]) | std::uint32_t(in[i + 1]) << 8 | std::uint32_t(in[i + 2]) << 16;
    };
    auto insert = [&](std::size_t i) {
        if (i + kMinMatch > n) return;
        auto [it, fresh] = head.try_emplace(key(i), std::int64_t(i));
        if (!fresh) {
            prev[i] = it->second;
            it->second = std::int64_t(i);
        }
    };

    std::size_t litStart = 0;
    auto flushLiterals = [&](std::size_t upto) {
        while (litStart < upto) {
            std::size_t len = std::min(kMaxLiteral, upto - litStart);
            out.push_back(std::uint8_t(len - 1));
            out.insert(out.end(), in.begin() + std::ptrdiff_t(litStart), in.begin() + std::ptrdiff_t(litStart + len));
            litStart += len;
        }
    };

    std::size_t i = 0;
    while (i < n) {
        std::size_t bestLen = 0, bestDist = 0;
        if (i + kMinMatch <= n) {
            // Runs of one value: distance 1 is always worth a look, even before the hash chain knows it.
            if (i > 0) {
                std::size_t len = 0;
                while (i + len < n && in[i + len] == in[i - 1 + len]) ++len;
                if (len >= kMinMatch) {
                    bestLen = len;
                    bestDist = 1;
                }
            }
            auto it = head.find(key(i));
            std::int64_t cand = it == head.end() ? -1 : it->second;
            for (int depth = 0; cand >= 0 && depth < kChainDepth; ++depth, cand = prev[std::size_t(cand)]) {
                std::size_t c = std::size_t(cand);
                if (i - c > kWindow) break;
                std::size_t len = 0;
                while (i + len < n && in[c + len] == in[i + len]) ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestDist = i - c;
                }
            }
        }
        if (bestLen >= kMinMatch) {
            flushLiterals(i);
            if (bestLen <= kShortMatchMax) {
                out.push_back(std::uint8_t(0x80 | (bestLen - kMinMatch)));
            } else {
                out.push_back(0xFF);
                putVarint(out, bestLen - (kShortMatchMax + 1));
            }
            putVarint(out, bestDist - 1);
            for (std::size_t k = 0; k < bestLen; ++k) insert(i + k);
            i += bestLen;
            litStart = i;
        } else {
            insert(i);
            ++i;
        }
    }
    flushLiterals(n);
}

}  // namespace

std::vector<std::uint8_t> encode(int width, int height, const std::vector<std::uint32_t>& pixels) {
    // Every fully transparent pixel is the same colour, whatever its red, green and blue were.
    std::vector<std::uint32_t> px(pixels);
    for (auto& v : px)
        if ((v >> 24) == 0) v = 0;

    std::map<std::uint32_t, std::size_t> counts;
    for (auto v : px) ++counts[v];
    std::vector<std::uint32_t> palette;
    for (auto& [colour, count] : counts) palette.push_back(colour);
    std::stable_sort(palette.begin(), palette.end(), [&](std::uint32_t a, std::uint32_t b) { return counts[a] > counts[b]; });
    std::unordered_map<std::uint32_t, std::size_t> index;
    for (std::size_t k = 0; k < palette.size(); ++k) index[palette[k]] = k;
    const bool wide = palette.size() > 256;

    std::vector<std::uint8_t> indices;
    indices.reserve(px.size() * (wide ? 2 : 1));
    for (auto v : px) {
        std::size_t k = index[v];
        indices.push_back(std::uint8_t(k & 255));
        if (wide) indices.push_back(std::uint8_t(k >> 8));
    }

    std::vector<std::uint8_t> out;
    putVarint(out, std::uint64_t(width));
    putVarint(out, std::uint64_t(height));
    putVarint(out, palette.size());
    for (auto c : palette)
        for (int s = 0; s < 32; s += 8) out.push_back(std::uint8_t(c >> s));
    compress(indices, out);
    return out;
}

std::optional<Decoded> measure(const std::uint8_t* data, std::size_t size) {
    Reader r{data, data + size};
    std::uint64_t w = r.varint(), h = r.varint();
    if (!r.ok || w == 0 || h == 0 || w > kMaxPixels || h > kMaxPixels || w * h > kMaxPixels) return std::nullopt;
    return Decoded{int(w), int(h), {}};
}

std::optional<Decoded> decode(const std::uint8_t* data, std::size_t size) {
    Reader r{data, data + size};
    std::uint64_t w = r.varint(), h = r.varint(), colours = r.varint();
    if (!r.ok || w == 0 || h == 0 || w > kMaxPixels || h > kMaxPixels || w * h > kMaxPixels || colours == 0 || colours > 65536)
        return std::nullopt;
    std::vector<std::uint32_t> palette(colours);
    for (auto& c : palette) {
        std::uint32_t v = 0;
        for (int s = 0; s < 32; s += 8) v |= std::uint32_t(r.byte()) << s;
        c = v;
    }
    if (!r.ok) return std::nullopt;

    const bool wide = colours > 256;
    const std::size_t total = std::size_t(w * h) * (wide ? 2 : 1);
    std::vector<std::uint8_t> indices;
    indices.reserve(total);
    while (indices.size() < total) {
        std::uint8_t t = r.byte();
        if (!r.ok) return std::nullopt;
        if (!(t & 0x80)) {
            std::size_t len = std::size_t(t) + 1;
            if (indices.size() + len > total || std::size_t(r.end - r.p) < len) return std::nullopt;
            indices.insert(indices.end(), r.p, r.p + len);
            r.p += len;
        } else {
            std::uint64_t len = (t & 0x7F) + kMinMatch;
            if ((t & 0x7F) == 0x7F) len = kShortMatchMax + 1 + r.varint();
            std::uint64_t dist = r.varint() + 1;
            if (!r.ok || dist > indices.size() || len > total - indices.size()) return std::nullopt;
            std::size_t from = indices.size() - std::size_t(dist);
            for (std::uint64_t k = 0; k < len; ++k) indices.push_back(indices[from + k]);
        }
    }

    Decoded out;
    out.width = int(w);
    out.height = int(h);
    out.pixels.resize(std::size_t(w * h));
    for (std::size_t k = 0; k < out.pixels.size(); ++k) {
        std::size_t idx = wide ? std::size_t(indices[2 * k]) | std::size_t(indices[2 * k + 1]) << 8 : indices[k];
        if (idx >= palette.size()) return std::nullopt;
        out.pixels[k] = palette[idx];
    }
    return out;
}

}  // namespace gv::artcodec
