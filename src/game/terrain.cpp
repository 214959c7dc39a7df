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
#include "game/gauges.h"
#include "game/mainfrm.h"
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

void Mainfrm::SeatTank(Image& tank, int left) {
    // The tank's bottom rests on the highest ground under its middle.
    battle::Place& place = state.tank(&tank == &tank1 ? 1 : 2);
    place = {double(left), battle::TankRestTop(state.Ground, left)};
    tank.move(place.left, place.top, 40, 40);
}

// A new battlefield, phase by phase, yielding to the event loop between frames so the sky and the ground
// appear as they are painted. Each phase that yields gives up when another battle started or the window
// closed meanwhile.
void Mainfrm::GenerateWorld() {
    const std::uint32_t battle = state.BattleNumber;
    ReturnFreeMemory();  // what the last battle left free in the heap
    auto show = [&] {
        loop().refresh();
        return !WorldAbandoned(battle);
    };

    StopLastBattle();
    ShareSeedWithPeer();
    records().RecordBegin();
    bool day = false;
    if (!PaintSky(battle, day) || !show()) return;
    DecorateSky(day);
    if (!show()) return;
    battlefield::ShapeTerrain(state.Ground, random);
    Label8(0).setVisible(false);  // the banner goes as the ground rises
    Label8(1).setVisible(false);
    battlefield::Palette palette = battlefield::Palette::Hell;
    if (!PaintGround(battle, palette)) return;
    PlaceTrees(palette);
    PlaceInSky(day ? sun : moon);
    if (!show()) return;
    if (!WaitForPeerDrawing(battle)) return;
    SeatAndArm();
    state.TurnPlayer = 1;
    gauges().ShowTurnArrow();
    state.ShellDir = True;
    state.WorldBusy = False;
    if (ComputerPlays(1)) aitimer.setEnabled(true);  // two computers: the first begins
    netplay().AfterBattlefieldBuilt();
    records().RecordHandOver();
    recorder_.TurnArmed();
}

// Another battle started, or the window closed, while we were yielding to the event loop.
bool Mainfrm::WorldAbandoned(std::uint32_t battle) { return state.BattleNumber != battle || unloaded(); }

// Nothing of the last battle keeps running while the new one is built.
void Mainfrm::StopLastBattle() {
    // The intro's bursts are over too: one still to come would draw from the battle's generator. Its pen,
    // which the sky is painted with, is back to one pixel.
    startuptimer.setEnabled(false);
    world.setDrawWidth(1);
    state.WorldBusy = True;
    state.PeerDrawn = False;
    state.BattleOver = False;
    state.Exploding1 = state.Exploding2 = False;
    StopBattleTimers();
}

// Over the network both copies draw from the host's seed: the host picks and sends it.
void Mainfrm::ShareSeedWithPeer() {
    if (state.GameMode == mode::Host) {
        state.RandomSeed = records().ClockSeed();
        netplay().SendMessage(netmsg::battle(state.RandomSeed));
    }
    if (Networked()) {
        random.reset();
        random.seed(leadingNumber(state.RandomSeed));
    }
}

// Sky: circles from radius 1500 down to 800 around a centre 841 pixels below the canvas, so it is darkest
// at the top corners and brightest low in the middle. It appears over about 0.7 s, under the banner.
// `day` tells whether the tone makes a day sky.
bool Mainfrm::PaintSky(std::uint32_t battle, bool& day) {
    double P = 0;
    std::vector<Colour> shades;
    if (state.HellMode == True && state.HellVariant == True) {
        world.setPicture(tdd.picture());
    } else if (state.HellMode == True) {
        shades = HellSkyShades();
    } else {
        double R0 = Int(random.Rnd() * 54) + 1;
        double G0 = Int(random.Rnd() * 104) + 1;
        double B0 = Int(random.Rnd() * 154) + 1;
        if (!world.unseen()) shades = DaySkyShades(R0, G0, B0);
        P = R0 * G0 * B0;
    }
    day = DaySky(state.HellMode, P);
    if (world.unseen()) return true;  // left out, frames and all: painting the sky makes no draws
    SkyFill sky(world, std::move(shades));
    for (std::size_t shown = 0; shown < sky.shades();) {
        shown = std::min(sky.shades(), shown + kSkyShadesPerFrame);
        sky.paintTo(shown);
        if (shown == sky.shades()) break;
        loop().refresh();
        if (WorldAbandoned(battle)) return false;
    }
    return true;
}

// Clouds by day (darker puffs in hell), stars by night.
void Mainfrm::DecorateSky(bool day) {
    if (day && state.HellVariant == False) {
        double first = random.Rnd();
        double n = Int(first * 15 + random.Rnd() * 15);
        for (int cloud = 0; cloud <= n; ++cloud) {
            double cx = Int(random.Rnd() * 800), cy = Int(random.Rnd() * 600);
            double s = 0;
            for (int k = 0; k < 5; ++k) s += random.Rnd() * 25;
            double points = Int(s * s) * 2 + 1;
            if (world.unseen()) {
                random.discard(std::uint64_t(points) * 8);  // each point's eight draws
                continue;
            }
            const double d = 4 * s / 5;
            const double w = 4 * simmath::Sqrt(std::fabs(d * d - s * s));
            for (double p = 0; p < points; ++p) {
                double dy = 0;
                for (int k = 0; k < 4; ++k) dy += random.Rnd() * (s / 5);
                const double reach = simmath::Sqrt(std::fabs(dy * dy - s * s));
                double dx = 0;
                for (int k = 0; k < 4; ++k) dx += random.Rnd() * reach;
                // Rounded once here, for the read and the write alike (the canvas would round both).
                const double px = roundHalfEven(cx + dx - w / 2), py = roundHalfEven(cy + dy - d / 2);
                Colour c = world.point(px, py);
                if (c < 0) continue;  // off the canvas
                // Each component k becomes Int((7k + 255) / 8), or Int(7k / 8) in hell: whole, within 0..255.
                const int cr = redOf(c), cg = greenOf(c), cb = blueOf(c);
                if (state.HellMode == True)
                    world.setPixel(px, py, rgb(cr * 7 / 8, cg * 7 / 8, cb * 7 / 8));
                else
                    world.setPixel(px, py, rgb((cr * 7 + 255) / 8, (cg * 7 + 255) / 8, (cb * 7 + 255) / 8));
            }
        }
    } else if (!day && world.unseen()) {
        random.discard(401 * 802);  // one draw for each pixel below
    } else if (!day) {
        for (int y = 0; y <= 400; ++y)
            for (int x = -1; x <= 800; ++x)
                if (const double draw = random.Rnd() * 1000; draw >= 1 && draw < 2) {  // Int(draw) = 1
                    double g = 255 - y / 4.0;
                    world.setPixel(x, y, ComponentsToColour(g, g, g));
                }
    }
}

// The ground palette, then the ground rising from the bottom row, two rows between frames.
bool Mainfrm::PaintGround(std::uint32_t battle, Palette& palette) {
    using battlefield::Palette;
    palette = Palette::Hell;
    groundBase_ = {0, 0, 0};
    if (state.HellMode == False) {
        if (Int(random.Rnd() * 2) == 1) {
            palette = Palette::Grass;
            groundBase_[0] = Int(random.Rnd() * 60);
            groundBase_[1] = Int(random.Rnd() * 80);
            groundBase_[2] = Int(random.Rnd() * 60);
        } else {
            palette = Palette::Snow;
            groundBase_[0] = Int(random.Rnd() * 50);
            groundBase_[1] = Int(random.Rnd() * 50);
            groundBase_[2] = Int(random.Rnd() * 80);
        }
    }
    if (world.unseen()) {
        // Nothing to show as it rises: an unseen ground takes one frame, and its draws are made all the same.
        random.discard(battlefield::GroundDraws(state.Ground, palette == Palette::Hell));
        loop().refresh();
        return !WorldAbandoned(battle);
    }
    battlefield::GroundPaint paint(palette, groundBase_, random);
    auto drawRow = [&](int y) {
        world.paintRow(y, 0, 800, [&](int x) -> Colour {
            double hellDraw = palette == Palette::Hell ? Int(random.Rnd() * 25) : 0;
            return state.Ground(x) <= y ? paint.at(x, state.Ground(x), 600 - y, hellDraw) : -1;
        });
    };
    for (int y = 600; y >= 190; y -= 2) {
        drawRow(y);
        if (y + 5 <= 600) drawRow(y + 5);
        loop().refresh();
        if (WorldAbandoned(battle)) return false;
    }
    return true;
}

// Over the network neither side starts the battle before the other has drawn its battlefield.
bool Mainfrm::WaitForPeerDrawing(std::uint32_t battle) {
    if (Networked()) {
        netplay().SendMessage(netmsg::plain(NetMessage::DrawingOk));
        if (!WaitInBattle([&] { return state.PeerDrawn == True; }, true)) {
            if (!WorldAbandoned(battle)) state.WorldBusy = False;  // the peer left: its handler has shown the menu
            return false;
        }
    }
    return true;
}

// Full health, fresh wind, empty weapon slots, the tanks on the ground and the first turn's controls.
void Mainfrm::SeatAndArm() {
    state.Health1 = 1000;
    state.Health2 = 1000;
    gauges().ShowHealth1();
    gauges().ShowHealth2();
    if (state.GameMode != mode::Joiner) ChangeWind();
    bonuspic.setVisible(false);
    state.BonusActive = False;
    state.Weapon1 = state.Weapon2 = weapon::Standard;
    gauges().ShowSlots();

    sila1.setText("100");
    uhel1.setText("45");
    SeatTank(tank1, 20);
    tank1.setPicture(tankright.picture());
    tank1.setVisible(true);
    sila2.setText("100");
    uhel2.setText("45");
    SeatTank(tank2, 740);
    tank2.setPicture(tankleft.picture());
    tank2.setVisible(true);

    if (ComputerPlays(1)) {
        Frame1.setEnabled(false);
        Command1.setEnabled(false);
    } else if (state.GameMode != mode::Joiner) {
        Frame1.setEnabled(true);
        Command1.setEnabled(true);
    } else {
        Command1.setEnabled(false);
    }
    Command1.setPicture(fbutt1.picture());
    Command2.setPicture(fbutt2.picture());
    Frame2.setEnabled(false);
    Command2.setEnabled(false);
    Frame1.setVisible(true);
    Frame2.setVisible(true);
    world.setEnabled(true);
}

}  // namespace gv
