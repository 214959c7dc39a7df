#include "effects.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "pieces.h"

namespace soundgen {

const std::vector<EffectInfo>& effectTable() {
    static const std::vector<EffectInfo> table = {
        {10, 22050, 16, 0.72, "shell launch whoosh"},
        {11, 11025, 8, 0.90, "cannon thump and breech clank"},
        {12, 11025, 8, 0.99, "shell sizzling in the sun"},
        {13, 22050, 16, 0.75, "armour-piercing launch whistle"},
        {14, 22050, 16, 0.12, "bell ding"},
        {15, 22050, 8, 2.34, "tank explosion"},
        {16, 22050, 8, 1.65, "tank explosion, second blast and debris"},
        {19, 8000, 8, 0.28, "direct hit clang"},
        {20, 8000, 8, 0.10, "shell pop"},
        {21, 11025, 8, 1.01, "teleport warble"},
        {22, 11025, 8, 1.34, "heavy shell blast"},
        {23, 8000, 8, 0.95, "digging scrape"},
        {24, 11025, 8, 0.21, "mound thud"},
        {26, 22050, 16, 0.07, "armour-piercing crack"},
        {28, 11025, 8, 2.25, "nuke boom"},
        {29, 11025, 8, 3.00, "quake rumble"},
        {32, 11025, 8, 0.70, "boing"},
    };
    return table;
}

namespace {

// ---- the effects ----

// 10: a shell leaves the barrel: a puff, then rising air noise with a faint whistle as it speeds away.
Signal launchWhoosh(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    auto rise = [](double t) { return smoothstep(t / 0.55); };
    auto body = [](double t) { return clamp01(t / 0.035) * (t < 0.16 ? 1.0 : expDecay(t - 0.16, 0.2)); };
    add(out,
        filteredNoise(
            r, e.seconds, 101, Kind::BandPass, 2.2, 2, [&](double t) { return 450 * std::pow(7.0, rise(t)); }, body),
        0, 0.8);
    add(out,
        filteredNoise(
            r, e.seconds, 102, Kind::BandPass, 3.0, 1, [&](double t) { return 1000 * std::pow(6.0, rise(t)); }, body),
        0, 0.3);
    add(out,
        tone(
            r, e.seconds, [&](double t) { return 1050 * std::pow(1.8, rise(t)) * (1 + 0.006 * std::sin(kTwoPi * 7 * t)); },
            [&](double t) { return smoothstep((t - 0.03) / 0.15) * body(t); }),
        0, 0.22);
    add(out, burst(r, 103, Kind::LowPass, 700, 0.7, 0.002, 0.03), 0, 0.9);
    finish(out, {.peak = 0.85, .fadeInSec = 0.002, .fadeOutSec = 0.06});
    return out;
}

// 11: the gun fires: a deep thump and blast, the breech rolls back with two clanks and a latch click.
Signal cannonFire(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    add(out,
        filteredNoise(
            r, e.seconds, 111, Kind::LowPass, 0.7, 2, [](double t) { return glide(t, 2200, 160, 0.06); },
            [](double t) { return attackDecay(t, 0.002, 0.09); }, true),
        0, 1.0);
    add(out,
        tone(
            r, e.seconds, [](double t) { return glide(t, 95, 42, 0.08); }, [](double t) { return attackDecay(t, 0.003, 0.14); },
            0.2),
        0, 0.65);
    add(out,
        filteredNoise(
            r, e.seconds, 112, Kind::BandPass, 1.0, 1, [](double) { return 900.0; },
            [](double t) { return attackDecay(t, 0.01, 0.18); }),
        0, 0.12);
    add(out, ring(r, 0.3, 520, {{1, 1, 0.05}, {2.37, 0.7, 0.04}, {3.91, 0.5, 0.03}, {5.63, 0.3, 0.02}}, 113), 0.30, 0.45);
    add(out, burst(r, 114, Kind::HighPass, 2000, 0.7, 0.0003, 0.003), 0.30, 0.3);
    add(out, ring(r, 0.3, 410, {{1, 1, 0.06}, {2.21, 0.6, 0.045}, {4.13, 0.45, 0.03}, {6.02, 0.2, 0.02}}, 115), 0.46, 0.35);
    add(out, burst(r, 116, Kind::HighPass, 2000, 0.7, 0.0003, 0.003), 0.46, 0.25);
    add(out, burst(r, 117, Kind::BandPass, 2600, 4, 0.0003, 0.004), 0.55, 0.2);
    saturateAll(out, 1.5);
    finish(out, {.peak = 0.9, .fadeInSec = 0.002, .fadeOutSec = 0.05});
    return out;
}

// 12: the sun swallows a shell: a soft whoomp and a frying hiss that thins out.
Signal sunSizzle(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    Envelope shape{{0, 0}, {0.02, 1}, {0.25, 0.8}, {0.99, 0.15}};
    SmoothNoise flutter(121, 25);
    add(out,
        filteredNoise(
            r, e.seconds, 122, Kind::HighPass, 0.7, 1, [](double) { return 2200.0; },
            [&](double t) { return shape(t) * (0.7 + 0.3 * flutter.next(r)); }),
        0, 0.45);
    Signal fry = crackles(
        r, e.seconds, 123, [](double t) { return glide(t, 400, 80, 0.4); }, 0.0006, 1800);
    for (std::size_t i = 0; i < fry.size(); ++i) fry[i] *= shape(fry.time(i));
    add(out, std::move(fry), 0, 0.8);
    add(out,
        filteredNoise(
            r, e.seconds, 124, Kind::LowPass, 0.7, 2, [](double) { return 500.0; },
            [](double t) { return attackDecay(t, 0.01, 0.08); }, true),
        0, 0.35);
    finish(out, {.peak = 0.85, .fadeInSec = 0.003, .fadeOutSec = 0.08});
    return out;
}

// 13: an armour-piercing shell: a sharp crack, then a thin high whistle that sags a little as it goes.
Signal piercingWhistle(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    auto pitch = [](double t) {
        return (2300 + 1000 * (1 - std::exp(-t / 0.05)) - 250 * smoothstep((t - 0.2) / 0.55)) *
               (1 + 0.004 * std::sin(kTwoPi * 9 * t));
    };
    auto level = [](double t) { return clamp01(t / 0.008) * (1 - 0.1 * clamp01(t / 0.45)) * (1 - smoothstep((t - 0.4) / 0.35)); };
    add(out, tone(r, e.seconds, pitch, level, 0.12), 0, 0.65);
    add(out, filteredNoise(r, e.seconds, 131, Kind::BandPass, 4, 1, pitch, level), 0, 0.25);
    add(out,
        filteredNoise(
            r, e.seconds, 132, Kind::HighPass, 0.7, 1, [](double) { return 5000.0; }, level),
        0, 0.1);
    add(out, burst(r, 133, Kind::HighPass, 1500, 0.7, 0.0005, 0.006), 0, 0.5);
    finish(out, {.peak = 0.8, .fadeInSec = 0.001, .fadeOutSec = 0.03});
    return out;
}

// 14: a small bright bell.
Signal bellDing(const EffectInfo& e) {
    Signal out = blank(e);
    add(out, ring(e.rate, e.seconds, 1760, {{1, 1, 0.055}, {2.0, 0.3, 0.04}, {2.76, 0.4, 0.03}, {5.40, 0.22, 0.018}}, 141), 0,
        0.9);
    add(out, burst(e.rate, 142, Kind::HighPass, 4000, 0.7, 0.0003, 0.002), 0, 0.2);
    finish(out, {.peak = 0.8, .fadeInSec = 0.001, .fadeOutSec = 0.02});
    return out;
}

// 15: a tank blows up: a big crack and a long, rolling, crackling explosion.
Signal tankExplosion(const EffectInfo& e) {
    Signal out = blank(e);
    Blast b;
    b.crackHz = 7000, b.crackTau = 0.012, b.crackPeak = 0.9;
    b.openHz = 4500, b.closedHz = 170, b.closeTau = 0.3;
    b.fastTau = 0.3, b.slowTau = 1.0, b.slowShare = 0.45, b.attack = 0.004;
    b.rollHz = 5, b.rollDepth = 0.35;
    b.thumpFrom = 85, b.thumpTo = 32, b.thumpTau = 0.35, b.thumpPeak = 0.5;
    b.cracklePerSec = 60, b.crackleFade = 0.7, b.crackleHp = 1200, b.cracklePeak = 0.35;
    addBlast(out, b, 150);
    saturateAll(out, 2.0);
    finish(out, {.peak = 0.92, .fadeInSec = 0.001, .fadeOutSec = 0.25});
    return out;
}

// 16: the second blast: shorter and brighter, with debris raining down, metal tinkling and crackling.
Signal tankDebris(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    Blast b;
    b.crackHz = 6000, b.crackTau = 0.008, b.crackPeak = 0.7;
    b.openHz = 3500, b.closedHz = 350, b.closeTau = 0.15;
    b.fastTau = 0.12, b.slowTau = 0.45, b.slowShare = 0.25;
    b.rollHz = 7, b.rollDepth = 0.3, b.bodyPeak = 0.8;
    b.thumpFrom = 120, b.thumpTo = 50, b.thumpTau = 0.12, b.thumpPeak = 0.45;
    b.cracklePerSec = 140, b.crackleFade = 0.5, b.crackleHp = 1500, b.cracklePeak = 0.6;
    addBlast(out, b, 160);
    Rng rng(161);
    for (int k = 0; k < 14; ++k) {
        const double at = rng.range(0.25, 1.45);
        const double hz = rng.range(2500, 6500);
        add(out, burst(r, 1620 + std::uint64_t(k), Kind::BandPass, hz, 8, 0.0005, rng.range(0.01, 0.03)), at,
            rng.range(0.15, 0.4));
    }
    for (int k = 0; k < 6; ++k) {
        const double at = rng.range(0.3, 1.2);
        add(out, burst(r, 1640 + std::uint64_t(k), Kind::LowPass, 400, 0.7, 0.002, 0.03), at, rng.range(0.2, 0.45));
    }
    saturateAll(out, 1.6);
    finish(out, {.peak = 0.9, .fadeInSec = 0.001, .fadeOutSec = 0.15});
    return out;
}

// 19: a shell hits a tank: a ringing clang of armour over a short boom.
Signal directHit(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    add(out,
        ring(r, e.seconds, 310, {{1, 1, 0.14}, {2.32, 0.8, 0.10}, {3.76, 0.6, 0.07}, {5.41, 0.45, 0.05}, {7.9, 0.3, 0.035}}, 191),
        0, 0.6);
    add(out,
        filteredNoise(
            r, e.seconds, 192, Kind::LowPass, 0.7, 2, [](double t) { return glide(t, 2800, 220, 0.04); },
            [](double t) { return attackDecay(t, 0.001, 0.07); }, true),
        0, 0.9);
    add(out,
        tone(
            r, e.seconds, [](double t) { return glide(t, 120, 45, 0.04); }, [](double t) { return attackDecay(t, 0.002, 0.08); },
            0.2),
        0, 0.7);
    saturateAll(out, 1.8);
    finish(out, {.peak = 0.9, .fadeInSec = 0.001, .fadeOutSec = 0.04});
    return out;
}

// 20: a standard shell goes off: a short pop.
Signal shellPop(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    add(out,
        filteredNoise(
            r, e.seconds, 201, Kind::LowPass, 0.7, 2, [](double t) { return glide(t, 3200, 400, 0.02); },
            [](double t) { return attackDecay(t, 0.0008, 0.022); }, true),
        0, 1.0);
    add(out,
        tone(
            r, e.seconds, [](double t) { return glide(t, 170, 65, 0.02); }, [](double t) { return attackDecay(t, 0.002, 0.03); },
            0.2),
        0, 0.6);
    saturateAll(out, 2.0);
    finish(out, {.peak = 0.88, .fadeInSec = 0.0008, .fadeOutSec = 0.02});
    return out;
}

// 21: a teleport: two voices a fifth apart rising four octaves, warbling faster as they climb.
Signal teleportWarble(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    const double len = e.seconds;
    auto base = [len](double t) { return 220 * std::pow(2.0, 3.2 * clamp01(t / len)); };
    Osc warble;
    auto level = [len](double t) {
        return smoothstep(t / 0.05) * (0.8 + 0.2 * clamp01(t / 0.7)) * (1 - smoothstep((t - (len - 0.3)) / 0.3));
    };
    Signal low = tone(
        r, len, [&](double t) { return base(t) * (1 + 0.05 * warble.sine(6 + 18 * clamp01(t / len), r)); }, level, 0.2);
    Osc warble2(0.25);
    Signal high = tone(
        r, len, [&](double t) { return 1.5 * base(t) * (1 + 0.05 * warble2.sine(6 + 18 * clamp01(t / len), r)); }, level);
    Signal sub = tone(
        r, len, [&](double t) { return 0.5 * base(t); }, level);
    add(out, std::move(low), 0, 0.6);
    add(out, std::move(high), 0, 0.35);
    add(out, std::move(sub), 0, 0.25);
    Osc tremolo;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = out.time(i);
        out[i] *= 1 - 0.3 * (0.5 + 0.5 * tremolo.sine(20 + 20 * t / len, r));
    }
    finish(out, {.peak = 0.85, .fadeInSec = 0.005, .fadeOutSec = 0.05});
    return out;
}

// 22: a heavy shell: a deeper, longer blast than the standard one.
Signal heavyBlast(const EffectInfo& e) {
    Signal out = blank(e);
    Blast b;
    b.crackHz = 5000, b.crackTau = 0.01, b.crackPeak = 0.7;
    b.openHz = 3000, b.closedHz = 140, b.closeTau = 0.2;
    b.fastTau = 0.18, b.slowTau = 0.55, b.slowShare = 0.4, b.attack = 0.003;
    b.rollHz = 4, b.rollDepth = 0.3;
    b.thumpFrom = 75, b.thumpTo = 32, b.thumpTau = 0.28, b.thumpPeak = 0.6;
    b.cracklePerSec = 30, b.crackleFade = 0.4, b.crackleHp = 1000, b.cracklePeak = 0.25;
    addBlast(out, b, 220);
    saturateAll(out, 2.0);
    finish(out, {.peak = 0.92, .fadeInSec = 0.001, .fadeOutSec = 0.2});
    return out;
}

// 23: a pit opens or the ground is levelled: a low rumble with four gritty shovel scrapes.
Signal diggingScrape(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    SmoothNoise roll(231, 8);
    add(out,
        filteredNoise(
            r, e.seconds, 232, Kind::LowPass, 0.7, 2, [](double) { return 220.0; },
            [&](double) { return 0.6 + 0.4 * roll.next(r); }, true),
        0, 0.5);
    Rng rng(233);
    const double starts[] = {0.02, 0.26, 0.5, 0.73};
    for (int k = 0; k < 4; ++k) {
        const double stroke = 0.17;
        SmoothNoise grit(234 + std::uint64_t(k), 120);
        const double from = rng.range(550, 700), to = rng.range(1200, 1500);
        Signal scrape = filteredNoise(
            r, stroke, 240 + std::uint64_t(k), Kind::BandPass, 1.2, 1, [=](double t) { return from + (to - from) * t / stroke; },
            [&](double t) { return std::pow(std::sin(kPi * clamp01(t / stroke)), 0.7) * (0.4 + 0.6 * std::abs(grit.next(r))); });
        add(out, std::move(scrape), starts[k] + rng.range(0, 0.03), rng.range(0.55, 0.75));
    }
    add(out,
        crackles(
            r, e.seconds, 235, [](double) { return 40.0; }, 0.002, 2000),
        0, 0.3);
    finish(out, {.peak = 0.88, .fadeInSec = 0.01, .fadeOutSec = 0.08});
    return out;
}

// 24: a mound lands: a soft, dull thud of earth.
Signal moundThud(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    add(out,
        tone(
            r, e.seconds, [](double t) { return glide(t, 130, 55, 0.04); }, [](double t) { return attackDecay(t, 0.004, 0.06); },
            0.25),
        0, 0.9);
    add(out,
        filteredNoise(
            r, e.seconds, 241, Kind::LowPass, 0.7, 2, [](double t) { return glide(t, 900, 250, 0.03); },
            [](double t) { return attackDecay(t, 0.003, 0.04); }, true),
        0, 0.6);
    add(out, burst(r, 242, Kind::BandPass, 1500, 1, 0.002, 0.025), 0, 0.12);
    finish(out, {.peak = 0.75, .fadeInSec = 0.002, .fadeOutSec = 0.04});
    return out;
}

// 26: an armour-piercing shell strikes: a very short, hard crack with a metallic ping.
Signal piercingCrack(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    add(out, burst(r, 261, Kind::HighPass, 1200, 0.7, 0.0003, 0.005), 0, 1.0);
    add(out, ring(r, e.seconds, 2900, {{1, 1, 0.012}, {1.62, 0.6, 0.01}, {2.9, 0.3, 0.006}}, 262), 0, 0.35);
    add(out, burst(r, 263, Kind::LowPass, 1500, 0.7, 0.0005, 0.015), 0, 0.5);
    saturateAll(out, 1.5);
    finish(out, {.peak = 0.9, .fadeInSec = 0.001, .fadeOutSec = 0.01});
    return out;
}

// 28: a nuke: a deep boom that swells again and rolls on for two seconds.
Signal nukeBoom(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    const double len = e.seconds;
    add(out, burst(r, 281, Kind::LowPass, 3500, 0.7, 0.002, 0.025), 0, 0.6);
    SmoothNoise roll(282, 3);
    add(out,
        filteredNoise(
            r, len, 283, Kind::LowPass, 0.7, 2, [](double t) { return glide(t, 2000, 90, 0.45); },
            [&](double t) {
                const double swell = 0.45 * expDecay(t, 0.35) + 0.55 * smoothstep(t / 0.3) * expDecay(t, 1.1);
                return swell * clamp01(t / 0.006) * (1 + 0.45 * roll.next(r));
            },
            true),
        0, 1.0);
    BrownNoise brown(284);
    Signal sub(r, samplesFor(r, len));
    Biquad s1, s2;
    s1.set(Kind::LowPass, 70, 0.7, r);
    s2.set(Kind::LowPass, 70, 0.7, r);
    for (std::size_t i = 0; i < sub.size(); ++i) {
        const double t = sub.time(i);
        sub[i] = s2.process(s1.process(brown.next())) * smoothstep(t / 0.2) * expDecay(t, 1.0);
    }
    add(out, std::move(sub), 0, 0.6);
    add(out,
        tone(
            r, len, [](double t) { return glide(t, 60, 28, 0.2); }, [](double t) { return attackDecay(t, 0.006, 0.6); }, 0.2),
        0, 0.8);
    add(out,
        crackles(
            r, len, 285, [](double t) { return 12 * expDecay(t, 1.0); }, 0.002, 800),
        0, 0.18);
    saturateAll(out, 2.2);
    finish(out, {.peak = 0.93, .fadeInSec = 0.001, .fadeOutSec = 0.35});
    return out;
}

// 29: a quake: the ground rumbles and grinds for three seconds while rock cracks here and there.
Signal quakeRumble(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    const double len = e.seconds;
    auto shape = [len](double t) { return smoothstep(t / 0.4) * (1 - smoothstep((t - (len - 0.8)) / 0.8)); };
    SmoothNoise drift(291, 1.5), roll(292, 6), groanDrift(293, 0.8), grind(294, 9);
    add(out,
        filteredNoise(
            r, len, 295, Kind::LowPass, 0.7, 2, [&](double) { return 130 + 40 * drift.next(r); },
            [&](double t) { return shape(t) * (0.7 + 0.3 * roll.next(r)); }, true),
        0, 0.8);
    add(out,
        tone(
            r, len, [&](double) { return 52 + 10 * groanDrift.next(r); }, shape, 0.3),
        0, 0.3);
    add(out,
        filteredNoise(
            r, len, 296, Kind::BandPass, 0.8, 1, [](double) { return 350.0; },
            [&](double t) { return shape(t) * (0.5 + 0.5 * grind.next(r)); }),
        0, 0.2);
    Rng rng(297);
    for (int k = 0; k < 11; ++k) {
        const double at = rng.range(0.25, 2.5);
        const double gain = rng.range(0.5, 1.0);
        add(out, burst(r, 2900 + std::uint64_t(k), Kind::HighPass, 900, 0.7, 0.0005, rng.range(0.006, 0.015)), at, gain);
        add(out, burst(r, 2950 + std::uint64_t(k), Kind::LowPass, 300, 0.7, 0.002, 0.04), at, 0.6 * gain);
    }
    saturateAll(out, 1.6);
    finish(out, {.peak = 0.9, .fadeInSec = 0.005, .fadeOutSec = 0.3});
    return out;
}

// 32: a springy boing: a plucked tone whose pitch wobbles like a spring and settles.
Signal springBoing(const EffectInfo& e) {
    Signal out = blank(e);
    const int r = e.rate;
    add(out,
        tone(
            r, e.seconds,
            [](double t) { return 300 * (1 + 0.4 * expDecay(t, 0.25) * std::sin(kTwoPi * 9 * t)) * glide(t, 1.3, 1.0, 0.03); },
            [](double t) { return attackDecay(t, 0.003, 0.24); }, 0.45, 0.2),
        0, 0.9);
    add(out, burst(r, 321, Kind::BandPass, 1200, 1, 0.0005, 0.006), 0, 0.25);
    finish(out, {.peak = 0.85, .fadeInSec = 0.002, .fadeOutSec = 0.06});
    return out;
}

}  // namespace

Signal renderEffect(const EffectInfo& e) {
    switch (e.id) {
        case 10: return launchWhoosh(e);
        case 11: return cannonFire(e);
        case 12: return sunSizzle(e);
        case 13: return piercingWhistle(e);
        case 14: return bellDing(e);
        case 15: return tankExplosion(e);
        case 16: return tankDebris(e);
        case 19: return directHit(e);
        case 20: return shellPop(e);
        case 21: return teleportWarble(e);
        case 22: return heavyBlast(e);
        case 23: return diggingScrape(e);
        case 24: return moundThud(e);
        case 26: return piercingCrack(e);
        case 28: return nukeBoom(e);
        case 29: return quakeRumble(e);
        case 32: return springBoing(e);
    }
    throw std::invalid_argument("no sound effect " + std::to_string(e.id));
}

std::vector<std::uint8_t> effectWave(const EffectInfo& e) { return encodeWave(renderEffect(e), e.bits); }

}  // namespace soundgen
