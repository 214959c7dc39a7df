// Building a battlefield: sky, clouds or stars, the terrain profile, the coloured ground, trees, sun or
// moon, both tanks and the first turn. The draws come in a fixed order, so one seed fixes the whole field.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "battle/effects.h"
#include "battle/simmath.h"
#include "battlefield/ground.h"
#include "battlefield/sky.h"
#include "battlefield/world.h"
#include "game/gauges.h"
#include "game/mainfrm.h"
#include "game/worldbuilder.h"
#include "game/records.h"
#include "game/netplay.h"
#include "platform/numtext.h"
#include "net/protocol.h"
#include "platform/program.h"

namespace gv {

using simmath::Int;

namespace {

// The sky's shades painted between two frames: its 1401 shades take 42 frames, about 0.7 s.
constexpr std::size_t kSkyShadesPerFrame = 34;

}  // namespace

// A tank set down at `left`: its bottom rests on the highest ground under its middle.
void WorldBuilder::SeatTank(Image& tank, int left) {
    battle::Place& place = g_.state.tank(&tank == &g_.tank1 ? 1 : 2);
    place = {double(left), battle::TankRestTop(g_.state.Ground, left)};
    tank.move(place.left, place.top, 40, 40);
}

// A new battlefield, phase by phase, yielding to the event loop between frames so the sky and the ground
// appear as they are painted. Each phase that yields gives up when another battle started or the window
// closed meanwhile.
void WorldBuilder::GenerateWorld() {
    const std::uint32_t battle = g_.state.BattleNumber;
    ReturnFreeMemory();  // what the last battle left free in the heap
    auto show = [&] {
        g_.loop().refresh();
        return !WorldAbandoned(battle);
    };

    StopLastBattle();
    ShareSeedWithPeer();
    g_.records().RecordBegin();
    bool day = false;
    if (!PaintSky(battle, day) || !show()) return;
    DecorateSky(day);
    if (!show()) return;
    battlefield::ShapeTerrain(g_.state.Ground, g_.random);
    g_.Label8(0).setVisible(false);  // the banner goes as the ground rises
    g_.Label8(1).setVisible(false);
    battlefield::Palette palette = battlefield::Palette::Hell;
    if (!PaintGround(battle, palette)) return;
    PlaceTrees(palette);
    PlaceInSky(day ? g_.sun : g_.moon);
    if (!show()) return;
    if (!WaitForPeerDrawing(battle)) return;
    SeatAndArm();
    g_.gauges().ShowTurnArrow();
    g_.state.WorldBusy = False;
    if (g_.ComputerPlays(1)) g_.aitimer.setEnabled(true);  // two computers: the first begins
    g_.netplay().AfterBattlefieldBuilt();
    g_.records().RecordHandOver();
    g_.recorder_.TurnArmed();
}

// Another battle started, or the window closed, while we were yielding to the event loop.
bool WorldBuilder::WorldAbandoned(std::uint32_t battle) { return g_.state.BattleNumber != battle || g_.unloaded(); }

// Nothing of the last battle keeps running while the new one is built.
void WorldBuilder::StopLastBattle() {
    // The intro's bursts are over too: one still to come would draw from the battle's generator. Its pen,
    // which the sky is painted with, is back to one pixel.
    g_.startuptimer.setEnabled(false);
    g_.world.setDrawWidth(1);
    g_.state.WorldBusy = True;
    g_.state.PeerDrawn = False;
    g_.state.BattleOver = False;
    g_.state.Exploding1 = g_.state.Exploding2 = False;
    g_.StopBattleTimers();
}

// Over the network both copies draw from the host's seed: the host picks and sends it.
void WorldBuilder::ShareSeedWithPeer() {
    if (g_.state.GameMode == mode::Host) {
        g_.state.RandomSeed = g_.records().ClockSeed();
        g_.netplay().SendMessage(netmsg::battle(g_.state.RandomSeed));
    }
    if (g_.Networked()) {
        g_.random.reset();
        g_.random.seed(leadingNumber(g_.state.RandomSeed));
    }
}

// Sky: circles from radius 1500 down to 800 around a centre 841 pixels below the canvas, so it is darkest
// at the top corners and brightest low in the middle. It appears over about 0.7 s, under the banner.
// `day` tells whether the tone makes a day sky.
bool WorldBuilder::PaintSky(std::uint32_t battle, bool& day) {
    std::vector<Colour> shades;
    if (g_.state.HellMode == True && g_.state.HellVariant == True) {
        g_.world.setPicture(g_.tdd.picture());
    } else if (g_.state.HellMode == True) {
        shades = HellSkyShades();
    }
    const battlefield::SkyTone tone = battlefield::DrawSkyTone(g_.state, g_.random);
    if (g_.state.HellMode == False && !g_.world.unseen()) shades = DaySkyShades(tone.red, tone.green, tone.blue);
    day = tone.day;
    if (g_.world.unseen()) return true;  // left out, frames and all: painting the sky makes no draws
    SkyFill sky(g_.world, std::move(shades));
    for (std::size_t shown = 0; shown < sky.shades();) {
        shown = std::min(sky.shades(), shown + kSkyShadesPerFrame);
        sky.paintTo(shown);
        if (shown == sky.shades()) break;
        g_.loop().refresh();
        if (WorldAbandoned(battle)) return false;
    }
    return true;
}

// Clouds by day (darker puffs in hell), stars by night.
void WorldBuilder::DecorateSky(bool day) {
    if (g_.world.unseen()) return battlefield::SkipSkyPainting(g_.state, g_.random, day);
    if (day && g_.state.HellVariant == False) {
        const double n = battlefield::DrawCloudCount(g_.random);
        for (int i = 0; i <= n; ++i) {
            const battlefield::Cloud cloud = battlefield::DrawCloud(g_.random);
            const double cx = cloud.x, cy = cloud.y, s = cloud.size, points = cloud.points;
            const double d = 4 * s / 5;
            const double w = 4 * simmath::Sqrt(std::fabs(d * d - s * s));
            for (double p = 0; p < points; ++p) {
                double dy = 0;
                for (int k = 0; k < 4; ++k) dy += g_.random.Rnd() * (s / 5);
                const double reach = simmath::Sqrt(std::fabs(dy * dy - s * s));
                double dx = 0;
                for (int k = 0; k < 4; ++k) dx += g_.random.Rnd() * reach;
                // Rounded once here, for the read and the write alike (the canvas would round both).
                const double px = roundHalfEven(cx + dx - w / 2), py = roundHalfEven(cy + dy - d / 2);
                Colour c = g_.world.point(px, py);
                if (c < 0) continue;  // off the canvas
                // Each component k becomes Int((7k + 255) / 8), or Int(7k / 8) in hell: whole, within 0..255.
                const int cr = redOf(c), cg = greenOf(c), cb = blueOf(c);
                if (g_.state.HellMode == True)
                    g_.world.setPixel(px, py, rgb(cr * 7 / 8, cg * 7 / 8, cb * 7 / 8));
                else
                    g_.world.setPixel(px, py, rgb((cr * 7 + 255) / 8, (cg * 7 + 255) / 8, (cb * 7 + 255) / 8));
            }
        }
    } else if (!day) {
        for (int y = 0; y < battlefield::kStarRows; ++y)
            for (int x = -1; x < battlefield::kStarColumns - 1; ++x)
                if (const double draw = g_.random.Rnd() * 1000; draw >= 1 && draw < 2) {  // Int(draw) = 1
                    double g = 255 - y / 4.0;
                    g_.world.setPixel(x, y, ComponentsToColour(g, g, g));
                }
    }
}

// The ground palette, then the ground rising from the bottom row, two rows between frames.
bool WorldBuilder::PaintGround(std::uint32_t battle, Palette& palette) {
    using battlefield::Palette;
    const battlefield::GroundLook look = battlefield::DrawGroundLook(g_.state, g_.random);
    palette = look.palette;
    groundBase_ = look.base;
    if (g_.world.unseen()) {
        // Nothing to show as it rises: an unseen ground takes one frame, and its draws are made all the same.
        battlefield::SkipGroundPainting(g_.state, g_.random);
        g_.loop().refresh();
        return !WorldAbandoned(battle);
    }
    battlefield::GroundPaint paint(palette, groundBase_, g_.random);
    auto drawRow = [&](int y) {
        g_.world.paintRow(y, 0, 800, [&](int x) -> Colour {
            double hellDraw = palette == Palette::Hell ? Int(g_.random.Rnd() * 25) : 0;
            return g_.state.Ground(x) <= y ? paint.at(x, g_.state.Ground(x), 600 - y, hellDraw) : -1;
        });
    };
    for (int y = 600; y >= 190; y -= 2) {
        drawRow(y);
        if (y + 5 <= 600) drawRow(y + 5);
        g_.loop().refresh();
        if (WorldAbandoned(battle)) return false;
    }
    return true;
}

// Over the network neither side starts the battle before the other has drawn its battlefield.
bool WorldBuilder::WaitForPeerDrawing(std::uint32_t battle) {
    if (g_.Networked()) {
        g_.netplay().SendMessage(netmsg::plain(NetMessage::DrawingOk));
        if (!g_.WaitInBattle([&] { return g_.state.PeerDrawn == True; }, true)) {
            if (!WorldAbandoned(battle)) g_.state.WorldBusy = False;  // the peer left: its handler has shown the menu
            return false;
        }
    }
    return true;
}

// Full health, fresh wind, empty weapon slots, the tanks on the ground and the first turn's controls.
void WorldBuilder::SeatAndArm() {
    if (g_.state.GameMode != mode::Joiner) g_.ChangeWind();
    battlefield::SeatAndArm(g_.state);
    g_.gauges().ShowHealth1();
    g_.gauges().ShowHealth2();
    g_.bonuspic.setVisible(false);
    g_.gauges().ShowSlots();

    g_.sila1.setText("100");
    g_.uhel1.setText("45");
    g_.tank1.move(g_.state.Tank1.left, g_.state.Tank1.top, 40, 40);
    g_.tank1.setPicture(g_.tankright.picture());
    g_.tank1.setVisible(true);
    g_.sila2.setText("100");
    g_.uhel2.setText("45");
    g_.tank2.move(g_.state.Tank2.left, g_.state.Tank2.top, 40, 40);
    g_.tank2.setPicture(g_.tankleft.picture());
    g_.tank2.setVisible(true);

    if (g_.ComputerPlays(1)) {
        g_.Frame1.setEnabled(false);
        g_.Command1.setEnabled(false);
    } else if (g_.state.GameMode != mode::Joiner) {
        g_.Frame1.setEnabled(true);
        g_.Command1.setEnabled(true);
    } else {
        g_.Command1.setEnabled(false);
    }
    g_.Command1.setPicture(g_.fbutt1.picture());
    g_.Command2.setPicture(g_.fbutt2.picture());
    g_.Frame2.setEnabled(false);
    g_.Command2.setEnabled(false);
    g_.Frame1.setVisible(true);
    g_.Frame2.setVisible(true);
    g_.world.setEnabled(true);
}

}  // namespace gv
