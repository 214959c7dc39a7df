#include "sheet.h"

#include <algorithm>
#include <cmath>
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

const Canvas* find(const std::vector<Art>& pictures, const std::string& name) {
    for (const auto& a : pictures)
        if (a.name == name) return &a.pic;
    return nullptr;
}

// The sprites put together as the game shows them, over a day sky and a night sky, at 2x.
Canvas battlefieldPreview(const std::vector<Art>& pictures) {
    const int W = 400, H = 150, ground = 120;
    Canvas scene(2 * W, H);
    for (int half = 0; half < 2; ++half) {
        Col top = half ? rgb(10, 14, 40) : rgb(70, 130, 220), bottom = half ? rgb(40, 50, 90) : rgb(180, 214, 250);
        Col earth = half ? rgb(200, 210, 230) : rgb(70, 140, 40);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                int g = ground + int(6 * std::sin((x + half * 90) / 37.0));
                scene.set(half * W + x, y,
                          y >= g ? (y - g < 2 ? scaled(earth, 1.2) : scaled(earth, 0.8)) : mix(top, bottom, y / double(ground)));
            }
    }
    auto put = [&](const char* name, int x, int groundLine) {
        if (const Canvas* p = find(pictures, name)) scene.blit(*p, x, groundLine - p->height());
    };
    auto groundAt = [&](int x) { return ground + int(6 * std::sin((x % W + (x >= W) * 90) / 37.0)); };
    const char* dayTrees[] = {"tree0", "tree1", "treeb0", "treeb1"};
    const char* nightTrees[] = {"snow0", "snow1", "snowb0", "snowb1"};
    for (int i = 0; i < 4; ++i) {
        put(dayTrees[i], 150 + i * 26, groundAt(158 + i * 26) + 2);
        put(nightTrees[i], W + 150 + i * 26, groundAt(W + 158 + i * 26) + 2);
    }
    put("sunn", 300, 80);
    put("moon", W + 250, 76);
    put("tank1", 30, groundAt(50) + 1);
    put("tank2", 320 - 0, groundAt(340) + 1);
    put("tankright", W + 30, groundAt(W + 50) + 1);
    put("tankleft", W + 320, groundAt(W + 340) + 1);
    put("arrow", 34, groundAt(50) - 44);
    put("hmm", W + 320, groundAt(W + 340) - 46);
    put("bullet", 120, 40);
    put("bonusvzor8", 250, 60);
    put("bonusvzor13", W + 230, 50);
    put("handcursor", W + 200, 30);
    Canvas big(scene.width() * 2, scene.height() * 2);
    big.blitScaled(scene, 0, 0, 2);
    return big;
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
            if (big <= 80)
                four.items.push_back({&a, 4});
            else if (big <= 300)
                four.items.push_back({&a, 2});
        }
        // Small ones first so the big panels do not leave holes between them.
        std::stable_sort(four.items.begin(), four.items.end(), [](const Item& a, const Item& b) {
            return a.art->pic.width() * a.scale < b.art->pic.width() * b.scale;
        });
        sections.push_back(std::move(one));
        sections.push_back(std::move(four));
    }

    Canvas preview;
    if (zoom == 0) preview = battlefieldPreview(pictures);

    int y = kPad;
    std::vector<int> titleY;
    for (auto& s : sections) {
        titleY.push_back(y);
        if (!s.title.empty()) y += 7 * 2 + kPad;
        y += layout(s.items, y);
    }
    int previewY = y + 7 * 2 + kPad;
    if (zoom == 0) y = previewY + preview.height() + kPad;
    Canvas sheet(zoom > 0 ? std::min(kSheetWidth,
                                     [&] {
                                         int right = 0;
                                         for (auto& it : sections[0].items) right = std::max(right, it.x + it.w());
                                         return right + kPad;
                                     }())
                          : kSheetWidth,
                 y, kBackground);
    if (zoom == 0) {
        drawText(sheet, kPad, previewY - 7 * 2 - kPad / 2, "ON THE BATTLEFIELD (2X)", kHeading, 2);
        sheet.blit(preview, kPad, previewY);
    }
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (!sections[i].title.empty()) drawText(sheet, kPad, titleY[i], sections[i].title, kHeading, 2);
        for (auto& it : sections[i].items) drawItem(sheet, it);
    }
    return sheet;
}

}  // namespace art
