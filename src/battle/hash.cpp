#include "battle/hash.h"

#include <cstddef>
#include <string>

namespace gv::battle {

namespace {

// A 64-bit FNV-1a hash over the bytes of the values given to it.
struct Fnv {
    std::uint64_t h = 1469598103934665603ULL;
    void bytes(const void* p, std::size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ULL;
    }
    void number(double v) {
        if (v == 0) v = 0;  // -0 and 0 are the same place
        bytes(&v, sizeof v);
    }
    void text(const std::string& s) {
        bytes(s.data(), s.size());
        bytes("", 1);  // "1" + "23" is not "12" + "3"
    }
};

}  // namespace

std::uint64_t Hash(const State& s, float shotWind) {
    Fnv h;
    for (std::int16_t row : s.Ground.rows()) h.bytes(&row, sizeof row);
    h.number(s.Health1);
    h.number(s.Health2);
    // An exploding tank moves on each machine's clock; once a battle is over its place no longer matters.
    if (s.BattleOver == False)
        for (const Place* t : {&s.Tank1, &s.Tank2}) {
            h.number(t->left);
            h.number(t->top);
        }
    // The slots and the crate's kind as the numbers they are, written out.
    h.text(std::to_string(s.Weapon1));
    h.text(std::to_string(s.Weapon2));
    h.number(s.BonusActive);
    if (s.BonusActive == True) {
        h.text(std::to_string(s.CrateKind));
        h.number(s.CrateLeft);
        h.number(s.BonusShotsLeft);
    }
    h.number(shotWind);
    return h.h;
}

}  // namespace gv::battle
