#pragma once
// A small synthesiser for the game's sound effects: noise, oscillators, filters and envelopes over
// plain sample buffers, and the RIFF wave encoder. Everything is deterministic: noise comes from
// seeded generators of our own, never from the standard library's distributions, so every build
// produces the same bytes.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace soundgen {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;

// splitmix64: tiny, fast, and the same sequence on every machine.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    double uniform();  // [0, 1)
    double bipolar() { return 2 * uniform() - 1; }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Exponentially distributed waiting time for events that come `perSecond` times a second.
    double waitFor(double perSecond);

private:
    std::uint64_t state_;
};

// Mono samples, nominally in [-1, 1], at a known rate.
struct Signal {
    int rate;
    std::vector<double> s;

    Signal(int sampleRate, std::size_t samples) : rate(sampleRate), s(samples, 0.0) {}
    std::size_t size() const { return s.size(); }
    double seconds() const { return double(s.size()) / rate; }
    double time(std::size_t i) const { return double(i) / rate; }
    std::size_t index(double t) const;  // sample at time t, clamped into the signal
    double& operator[](std::size_t i) { return s[i]; }
    double operator[](std::size_t i) const { return s[i]; }
    // Adds `other` (same rate) starting at time t, scaled by gain; whatever runs past the end is dropped.
    void mixIn(const Signal& other, double t, double gain = 1.0);
};

// ---- envelopes and shapes ----
double clamp01(double x);
double smoothstep(double x);                              // 0 below 0, 1 above 1, smooth between
double expDecay(double t, double tau);                    // 1 at t = 0, e^-1 at t = tau; 0 before 0
double attackDecay(double t, double attack, double tau);  // linear rise over attack, then decay
// Exponential glide from a to b with time constant tau (a at t = 0, approaching b).
double glide(double t, double a, double b, double tau);
// Soft saturation: tanh(drive x) scaled so that 1 still maps to 1.
double saturate(double x, double drive);

// Piecewise-linear envelope through (time, level) points given in increasing time.
class Envelope {
public:
    struct Point {
        double t, level;
    };
    Envelope(std::initializer_list<Point> points) : points_(points) {}
    double operator()(double t) const;

private:
    std::vector<Point> points_;
};

// ---- filters ----

// One-pole low-pass or high-pass, cheap and gentle (6 dB per octave).
class OnePole {
public:
    void lowPass(double hz, int rate);
    void highPass(double hz, int rate);
    double process(double x);

private:
    double a_ = 1, y_ = 0, x1_ = 0;
    bool high_ = false;
};

// RBJ biquad (12 dB per octave). Cutoff may be changed every sample for sweeps; the state carries over.
class Biquad {
public:
    enum class Kind { LowPass, HighPass, BandPass };
    void set(Kind kind, double hz, double q, int rate);
    double process(double x);

private:
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// ---- sources ----

// Sine oscillator with a free-running phase, so its frequency may change every sample without clicks.
class Osc {
public:
    explicit Osc(double phase = 0) : phase_(phase) {}
    double sine(double hz, int rate);
    double phase() const { return phase_; }

private:
    double phase_;  // in cycles, [0, 1)
};

// Random values at `hz` new points a second, smoothly interpolated: slow wobbles and rolls, in [-1, 1].
class SmoothNoise {
public:
    SmoothNoise(std::uint64_t seed, double hz) : rng_(seed), hz_(hz) {
        a_ = rng_.bipolar();
        b_ = rng_.bipolar();
    }
    double next(int rate);

private:
    Rng rng_;
    double hz_;
    double pos_ = 0, a_, b_;
};

// Brown-ish noise: leaky integrated white noise, roughly in [-1, 1], strong in the lows.
class BrownNoise {
public:
    explicit BrownNoise(std::uint64_t seed) : rng_(seed) {}
    double next();

private:
    Rng rng_;
    double y_ = 0;
};

// ---- finishing and encoding ----

// Scales the signal so that its loudest sample is `peak` (a silent signal stays silent).
void scaleToPeak(Signal& sig, double peak);
// saturate() applied to every sample.
void saturateAll(Signal& sig, double drive);

struct FinishOptions {
    double peak = 0.9;         // the loudest sample after normalising
    double fadeInSec = 0.002;  // short raised-cosine fades so the sound neither starts nor stops with a click
    double fadeOutSec = 0.015;
    double dcCutHz = 15;  // high-pass that removes DC and sub-sonic drift
};
// Removes DC, normalises to the peak and applies the fades.
void finish(Signal& sig, const FinishOptions& options = {});

// Rounds to 8-bit unsigned or 16-bit signed little-endian PCM and wraps the samples into a complete
// RIFF WAVE file (PCM, one channel). No dither: at 8 bits it would be a constant hiss, while plain
// rounding lets the quiet ends of a sound fall to true silence.
std::vector<std::uint8_t> encodeWave(const Signal& sig, int bits);

}  // namespace soundgen
