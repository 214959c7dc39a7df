#pragma once
// The game's random generator: the same numbers on every platform and compiler, so two copies of a
// network game that seed it alike draw alike. Every random draw of a game goes through its one instance.
#include <bit>
#include <cstdint>

namespace gv {

class Random {
public:
    static constexpr std::uint64_t kStart = 0x4A6F7276617468ULL;  // the fixed start state

    Random() = default;
    // Back to the fixed start state.
    void reset() { state_ = kStart; }
    // Mixes a number into the state. After reset(), the same number always gives the same sequence.
    void seed(double value) {
        std::uint64_t bits = std::bit_cast<std::uint64_t>(value == 0 ? 0.0 : value);  // -0 seeds as 0
        state_ ^= bits * 0x9E3779B97F4A7C15ULL;
        next();
    }
    // The raw 64-bit draw (SplitMix64).
    std::uint64_t next() {
        std::uint64_t z = (state_ += kGamma);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // One uniform draw in [0, 1): the top 53 bits as a fraction, exact in a double.
    double Rnd() { return double(next() >> 11) * 0x1.0p-53; }
    // Moves on as `count` draws would, without making them: the state only counts its draws.
    void discard(std::uint64_t count) { state_ += count * kGamma; }

    std::uint64_t state() const { return state_; }
    // Puts the generator where state() was read (a recorded battle begins where its own did).
    void setState(std::uint64_t s) { state_ = s; }

private:
    static constexpr std::uint64_t kGamma = 0x9E3779B97F4A7C15ULL;  // what each draw adds to the state
    std::uint64_t state_ = kStart;
};

}  // namespace gv
