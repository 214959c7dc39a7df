#pragma once
// The pieces the effects are built from: filtered noise, bursts, tones with overtones, crackles, blasts,
// and mixing a part into the whole.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "effects.h"

namespace soundgen {

using Kind = Biquad::Kind;

// An even number of samples keeps 8-bit data chunks word aligned without a pad byte.
inline std::size_t samplesFor(int rate, double seconds) { return std::size_t(std::lround(rate * seconds / 2)) * 2; }

// White noise through `stages` biquads whose corner follows cutoff(t), shaped by env(t).
// With `keepLevel` a closing low-pass keeps its loudness, so that env alone decides how it fades.
template <class Cutoff, class Env>
Signal filteredNoise(int rate, double seconds, std::uint64_t seed, Kind kind, double q, int stages, Cutoff cutoff, Env env,
                     bool keepLevel = false) {
    Signal out(rate, samplesFor(rate, seconds));
    Rng rng(seed);
    std::vector<Biquad> filters(static_cast<std::size_t>(stages));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = out.time(i);
        const double hz = std::clamp(double(cutoff(t)), 5.0, 0.45 * rate);
        double x = rng.bipolar();
        for (Biquad& f : filters) {
            f.set(kind, hz, q, rate);
            x = f.process(x);
        }
        if (keepLevel) x *= std::sqrt(0.5 * rate / hz);
        out[i] = x * env(t);
    }
    return out;
}

// A short noise burst: fixed filter, linear attack and exponential decay.
inline Signal burst(int rate, std::uint64_t seed, Kind kind, double hz, double q, double attack, double tau) {
    const double length = attack + 6 * tau;
    return filteredNoise(
        rate, length, seed, kind, q, 1, [=](double) { return hz; }, [=](double t) { return attackDecay(t, attack, tau); });
}

// An oscillator with a few harmonics; freq(t) and env(t) may change all the time.
template <class Freq, class Env>
Signal tone(int rate, double seconds, Freq freq, Env env, double h2 = 0, double h3 = 0) {
    Signal out(rate, samplesFor(rate, seconds));
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = out.time(i);
        const double p = kTwoPi * phase;
        out[i] = (std::sin(p) + h2 * std::sin(2 * p) + h3 * std::sin(3 * p)) * env(t);
        phase += freq(t) / rate;
        phase -= std::floor(phase);
    }
    return out;
}

// Struck metal: inharmonic partials, each with its own decay. Partials above the band are left out.
struct Partial {
    double ratio, level, tau;
};
inline Signal ring(int rate, double seconds, double baseHz, std::initializer_list<Partial> partials, std::uint64_t seed,
                   double attack = 0.0005) {
    Signal out(rate, samplesFor(rate, seconds));
    Rng rng(seed);
    for (const Partial& p : partials) {
        const double hz = baseHz * p.ratio;
        const double phase = rng.uniform();
        if (hz >= 0.45 * rate) continue;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double t = out.time(i);
            out[i] += p.level * std::sin(kTwoPi * (hz * t + phase)) * attackDecay(t, attack, p.tau);
        }
    }
    return out;
}

// Random pops, perSecond(t) of them a second on average, each a high-passed flick of noise.
// Most are small and a few are loud, like embers and grit.
template <class Rate>
Signal crackles(int rate, double seconds, std::uint64_t seed, Rate perSecond, double grainTau, double hpHz) {
    Signal out(rate, samplesFor(rate, seconds));
    Rng rng(seed);
    Biquad hp;
    hp.set(Kind::HighPass, hpHz, 0.7, rate);
    const double fall = std::exp(-1.0 / (grainTau * rate));
    double next = rng.waitFor(std::max(double(perSecond(0.0)), 0.01));
    double amp = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = out.time(i);
        while (t >= next) {
            const double u = rng.uniform();
            amp = std::max(amp, 0.1 + 0.9 * u * u);
            next += rng.waitFor(std::max(double(perSecond(t)), 0.01));
        }
        out[i] = hp.process(rng.bipolar() * amp);
        amp *= fall;
    }
    return out;
}

// Mixes a part into the whole at time t, scaled so that the part's own peak is `peak`.
inline void add(Signal& whole, Signal part, double t, double peak) {
    scaleToPeak(part, peak);
    whole.mixIn(part, t);
}

inline Signal blank(const EffectInfo& e) { return Signal(e.rate, samplesFor(e.rate, e.seconds)); }

// The parts every explosion has: a first crack, a noise body whose low-pass closes as it dies away,
// a falling low thump and crackling embers.
struct Blast {
    double crackHz = 6000, crackTau = 0.01, crackPeak = 0.8;
    double openHz = 4000, closedHz = 200, closeTau = 0.2;
    double fastTau = 0.15, slowTau = 0.6, slowShare = 0.35, attack = 0.003;
    double rollHz = 5, rollDepth = 0.3;
    double bodyPeak = 1.0;
    double thumpFrom = 90, thumpTo = 35, thumpTau = 0.25, thumpPeak = 0.6;
    double cracklePerSec = 0, crackleFade = 0.5, crackleHp = 1200, cracklePeak = 0.3;
};

inline void addBlast(Signal& out, const Blast& b, std::uint64_t seed) {
    const int rate = out.rate;
    const double len = out.seconds();
    add(out, burst(rate, seed + 1, Kind::LowPass, b.crackHz, 0.7, 0.0008, b.crackTau), 0, b.crackPeak);

    SmoothNoise roll(seed + 2, b.rollHz);
    Signal body = filteredNoise(
        rate, len, seed + 3, Kind::LowPass, 0.7, 2, [&](double t) { return glide(t, b.openHz, b.closedHz, b.closeTau); },
        [&](double t) {
            const double decay = (1 - b.slowShare) * expDecay(t, b.fastTau) + b.slowShare * expDecay(t, b.slowTau);
            return decay * clamp01(t / b.attack) * (1 + b.rollDepth * roll.next(rate));
        },
        true);
    add(out, std::move(body), 0, b.bodyPeak);

    add(out,
        tone(
            rate, len, [&](double t) { return glide(t, b.thumpFrom, b.thumpTo, b.thumpTau * 0.5); },
            [&](double t) { return attackDecay(t, 0.004, b.thumpTau); }, 0.15),
        0, b.thumpPeak);

    if (b.cracklePerSec > 0)
        add(out,
            crackles(
                rate, len, seed + 4, [&](double t) { return b.cracklePerSec * expDecay(t, b.crackleFade); }, 0.0015, b.crackleHp),
            0, b.cracklePeak);
}

}  // namespace soundgen
