#include "sheet.h"

#include <algorithm>
#include <string>

#include "pixelfont.h"

namespace art {
namespace {

constexpr int kSheetWidth = 1640;
constexpr int kPad = 14;
constexpr Col kBackground = rgb(58, 62, 70);
constexpr Col kLabel = rgb(232, 232, 210);
constexpr Col kHeading = rgb(150, 230, 120);

struct Item {
    const Art* art;
    int scale;
    int x = 0, y = 0;
    int w() const { return std::max(art->pic.width() * scale, textWidth(label())); }
    int h() const { return art->pic.height() * scale + 12; }
    std::string label() const { return scale == 1 ? art->name : art->name + " " + std::to_string(scale) + "x"; }
};

// Places items left to right, wrapping; returns the height used.
int layout(std::vector<Item>& items, int top) {
    int x = kPad, y = top, rowH = 0;
    for (auto& it : items) {
        if (x + it.w() > kSheetWidth - kPad && x > kPad) {
            x = kPad;
            y += rowH + kPad;
            rowH = 0;
        }
        it.x = x;
        it.y = y;
        x += it.w() + kPad;
        rowH = std::max(rowH, it.h());
    }
    return y + rowH + kPad - top;
}

void drawItem(Canvas& sheet, const Item& it) {
    const Canvas& p = it.art->pic;
    int cell = it.scale >= 4 ? 8 : 4;
    for (int y = 0; y < p.height() * it.scale; ++y)
        for (int x = 0; x < p.width() * it.scale; ++x) {
            bool dark = ((x / cell) + (y / cell)) % 2;
            sheet.set(it.x + x, it.y + y, dark ? rgb(150, 150, 156) : rgb(196, 196, 202));
        }
    sheet.blitScaled(p, it.x, it.y, it.scale);
    drawText(sheet, it.x, it.y + p.height() * it.scale + 3, it.label(), kLabel);
}

}  // namespace

Canvas contactSheet(const std::vector<Art>& pictures, int zoom) {
    struct Section {
        std::string title;
        std::vector<Item> items;
    };
    std::vector<Section> sections;
    if (zoom > 0) {
        Section s{"", {}};
        for (const auto& a : pictures) s.items.push_back({&a, zoom});
        sections.push_back(std::move(s));
    } else {
        Section one{"ALL PICTURES AT 1X", {}}, four{"ENLARGED (4X, PANELS 2X)", {}};
        for (const auto& a : pictures) {
            one.items.push_back({&a, 1});
            int big = std::max(a.pic.width(), a.pic.height());
            if (big <= 80) four.items.push_back({&a, 4});
            else if (big <= 300) four.items.push_back({&a, 2});
        }
        // Small ones first so the big panels do not leave holes between them.
        std::stable_sort(four.items.begin(), four.items.end(), [](const Item& a, const Item& b) {
            return a.art->pic.width() * a.scale < b.art->pic.width() * b.scale;
        });
        sections.push_back(std::move(one));
        sections.push_back(std::move(four));
    }

    int y = kPad;
    std::vector<int> titleY;
    for (auto& s : sections) {
        titleY.push_back(y);
        if (!s.title.empty()) y += 7 * 2 + kPad;
        y += layout(s.items, y);
    }
    Canvas sheet(zoom > 0 ? std::min(kSheetWidth, [&] {
        int right = 0;
        for (auto& it : sections[0].items) right = std::max(right, it.x + it.w());
        return right + kPad;
    }()) : kSheetWidth, y, kBackground);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (!sections[i].title.empty()) drawText(sheet, kPad, titleY[i], sections[i].title, kHeading, 2);
        for (auto& it : sections[i].items) drawItem(sheet, it);
    }
    return sheet;
}

}  // namespace art
