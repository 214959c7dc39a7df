#include "art.h"

#include <map>
#include <stdexcept>
#include <string_view>

namespace art {

void bevel(Canvas& c, const Mask& m, Col light, Col dark, int width) {
    Mask inner = m;
    for (int i = 0; i < width; ++i) {
        Mask lit = inner.rim(-1, 0) | inner.rim(0, -1);
        Mask shade = inner.rim(1, 0) | inner.rim(0, 1);
        c.fill(lit - shade, light);
        c.fill(shade, dark);
        inner = inner.shrunk();
    }
}

void shadeBall(Canvas& c, const Mask& m, const Ramp& ramp, double cx, double cy, double r, double bias) {
    c.fill(m, [&](int x, int y) { return ramp.at(sphereLight(x, y, cx, cy, r) + bias, x, y); });
}

Canvas fromRows(const std::vector<std::string>& rows, const std::vector<std::pair<char, Col>>& legend) {
    std::size_t w = 0;
    for (const auto& r : rows) w = std::max(w, r.size());
    Canvas c(int(w), int(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x) {
            char ch = rows[y][x];
            if (ch == '.' || ch == ' ') continue;
            bool found = false;
            for (const auto& [key, col] : legend)
                if (key == ch) {
                    c.set(int(x), int(y), col);
                    found = true;
                }
            if (!found) throw std::runtime_error(std::string("no colour for '") + ch + "'");
        }
    return c;
}

std::vector<Art> drawAll() {
    static const char* const kOrder[] = {"tankleft", "tankright", "tank1",  "tank2",  "hmm",    "arrow",  "bullet",    "crates",
                                         "sunn",     "sunh",      "moon",   "tree0",  "tree1",  "treeb0", "treeb1",    "snow0",
                                         "snow1",    "snowb0",    "snowb1", "fbutt1", "fbutt2", "spinup", "spindown",  "Image1",
                                         "Image2",   "Image3",    "Image4", "Image5", "tdd",    "icon",   "handcursor"};
    std::map<std::string, Canvas> drawn;
    std::vector<std::string> crates;  // "crates" in the order: every crate, as drawCrates drew them
    for (auto family : {drawTanks, drawMarkers, drawCrates, drawSkies, drawTrees, drawPanels})
        for (auto& a : family()) {
            if (family == drawCrates) crates.push_back(a.name);
            drawn[a.name] = std::move(a.pic);
        }
    std::vector<std::string> order;
    for (const char* name : kOrder) {
        if (name != std::string_view("crates")) order.push_back(name);
        if (name == std::string_view("crates")) order.insert(order.end(), crates.begin(), crates.end());
    }
    std::vector<Art> all;
    for (const std::string& name : order) {
        auto it = drawn.find(name);
        if (it == drawn.end()) throw std::runtime_error(std::string("nobody drew ") + name);
        all.push_back({name, std::move(it->second)});
        drawn.erase(it);
    }
    if (!drawn.empty()) throw std::runtime_error("drawn but not listed: " + drawn.begin()->first);
    return all;
}

}  // namespace art
