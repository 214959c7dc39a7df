#include "synth.h"

#include <algorithm>
#include <cmath>

namespace soundgen {

std::uint64_t Rng::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

double Rng::waitFor(double perSecond) { return -std::log(1.0 - uniform()) / perSecond; }

std::size_t Signal::index(double t) const {
    if (t <= 0 || s.empty()) return 0;
    return std::min(s.size() - 1, std::size_t(std::lround(t * rate)));
}

void Signal::mixIn(const Signal& other, double t, double gain) {
    const std::size_t start = t <= 0 ? 0 : std::size_t(std::lround(t * rate));
    for (std::size_t i = 0; i < other.size() && start + i < s.size(); ++i) s[start + i] += gain * other.s[i];
}

double clamp01(double x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

double smoothstep(double x) {
    x = clamp01(x);
    return x * x * (3 - 2 * x);
}

double expDecay(double t, double tau) { return t < 0 ? 0 : std::exp(-t / tau); }

double attackDecay(double t, double attack, double tau) {
    if (t < 0) return 0;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / tau);
}

double glide(double t, double a, double b, double tau) { return b + (a - b) * std::exp(-std::max(t, 0.0) / tau); }

double saturate(double x, double drive) { return std::tanh(drive * x) / std::tanh(drive); }

double Envelope::operator()(double t) const {
    if (points_.empty()) return 0;
    if (t <= points_.front().t) return points_.front().level;
    for (std::size_t i = 1; i < points_.size(); ++i) {
        const Point& p = points_[i - 1];
        const Point& q = points_[i];
        if (t < q.t) return p.level + (q.level - p.level) * (t - p.t) / (q.t - p.t);
    }
    return points_.back().level;
}

void OnePole::lowPass(double hz, int rate) {
    high_ = false;
    a_ = 1 - std::exp(-kTwoPi * hz / rate);
}

void OnePole::highPass(double hz, int rate) {
    high_ = true;
    a_ = std::exp(-kTwoPi * hz / rate);
}

double OnePole::process(double x) {
    if (high_) {
        y_ = a_ * (y_ + x - x1_);
        x1_ = x;
    } else {
        y_ += a_ * (x - y_);
    }
    return y_;
}

void Biquad::set(Kind kind, double hz, double q, int rate) {
    hz = std::clamp(hz, 5.0, 0.45 * rate);
    const double w0 = kTwoPi * hz / rate;
    const double c = std::cos(w0);
    const double alpha = std::sin(w0) / (2 * q);
    double b0, b1, b2;
    switch (kind) {
        case Kind::LowPass: b0 = (1 - c) / 2, b1 = 1 - c, b2 = (1 - c) / 2; break;
        case Kind::HighPass: b0 = (1 + c) / 2, b1 = -(1 + c), b2 = (1 + c) / 2; break;
        default:  // band-pass with 0 dB at the centre
            b0 = alpha, b1 = 0, b2 = -alpha;
            break;
    }
    const double a0 = 1 + alpha;
    b0_ = b0 / a0, b1_ = b1 / a0, b2_ = b2 / a0;
    a1_ = -2 * c / a0, a2_ = (1 - alpha) / a0;
}

double Biquad::process(double x) {
    const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_, x1_ = x;
    y2_ = y1_, y1_ = y;
    return y;
}

double Osc::sine(double hz, int rate) {
    const double v = std::sin(kTwoPi * phase_);
    phase_ += hz / rate;
    phase_ -= std::floor(phase_);
    return v;
}

double SmoothNoise::next(int rate) {
    pos_ += hz_ / rate;
    while (pos_ >= 1) {
        pos_ -= 1;
        a_ = b_;
        b_ = rng_.bipolar();
    }
    return a_ + (b_ - a_) * smoothstep(pos_);
}

double BrownNoise::next() {
    y_ = 0.99 * y_ + 0.1 * rng_.bipolar();
    return y_;
}

void scaleToPeak(Signal& sig, double peak) {
    double loudest = 0;
    for (double x : sig.s) loudest = std::max(loudest, std::abs(x));
    if (loudest > 0)
        for (double& x : sig.s) x *= peak / loudest;
}

void saturateAll(Signal& sig, double drive) {
    for (double& x : sig.s) x = saturate(x, drive);
}

void finish(Signal& sig, const FinishOptions& o) {
    if (sig.s.empty()) return;
    OnePole dc;
    dc.highPass(o.dcCutHz, sig.rate);
    for (double& x : sig.s) x = dc.process(x);

    double mean = 0;
    for (double x : sig.s) mean += x;
    mean /= double(sig.size());
    for (double& x : sig.s) x -= mean;

    const std::size_t n = sig.size();
    const std::size_t in = std::min(n, std::size_t(o.fadeInSec * sig.rate) + 1);
    const std::size_t out = std::min(n, std::size_t(o.fadeOutSec * sig.rate) + 1);
    for (std::size_t i = 0; i < in; ++i) sig.s[i] *= 0.5 - 0.5 * std::cos(kPi * double(i) / double(in));
    for (std::size_t i = 0; i < out; ++i) sig.s[n - 1 - i] *= 0.5 - 0.5 * std::cos(kPi * double(i) / double(out));

    scaleToPeak(sig, o.peak);
}

namespace {
void putU16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(std::uint8_t(v & 0xFF));
    b.push_back(std::uint8_t((v >> 8) & 0xFF));
}
void putU32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    putU16(b, v & 0xFFFF);
    putU16(b, v >> 16);
}
void putTag(std::vector<std::uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(tag[i]));
}
}  // namespace

std::vector<std::uint8_t> encodeWave(const Signal& sig, int bits) {
    const unsigned bytesPerSample = bits == 16 ? 2 : 1;
    const std::uint32_t dataSize = std::uint32_t(sig.size() * bytesPerSample);
    const std::uint32_t pad = dataSize & 1;  // chunks are word aligned
    std::vector<std::uint8_t> b;
    b.reserve(44 + dataSize + pad);
    putTag(b, "RIFF");
    putU32(b, 4 + (8 + 16) + (8 + dataSize + pad));
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    putU32(b, 16);
    putU16(b, 1);  // PCM
    putU16(b, 1);  // mono
    putU32(b, std::uint32_t(sig.rate));
    putU32(b, std::uint32_t(sig.rate) * bytesPerSample);
    putU16(b, bytesPerSample);
    putU16(b, unsigned(bits));
    putTag(b, "data");
    putU32(b, dataSize);

    for (double x : sig.s) {
        if (bits == 16) {
            const long v = std::clamp(std::lround(x * 32767.0), -32768L, 32767L);
            putU16(b, unsigned(v) & 0xFFFF);
        } else {
            const long v = std::clamp(std::lround(x * 127.0) + 128, 0L, 255L);
            b.push_back(std::uint8_t(v));
        }
    }
    if (pad) b.push_back(bits == 16 ? 0 : 128);
    return b;
}

}  // namespace soundgen
