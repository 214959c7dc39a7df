#include "battle/shells.h"

#include <iterator>

namespace gv::battle {

const ShellTraits& Shell(int kind) {
    // Indexed by the kind. The health crate's entry stands for any kind the game does not know.
    // clang-format off
    static constexpr ShellTraits kShells[] = {
        // contact             crater  hits   loss  hit sound           launch                  crates
        {Contact::Crater,           8, true,    75, effect::DirectHit,  effect::Launch,         0},  // standard
        {Contact::Teleport,         6, false,   75, effect::DirectHit,  effect::Launch,         3},
        {Contact::Crater,          24, true,   250, effect::HeavyBlast, effect::Launch,         4},  // heavy
        {Contact::Pit,             20, false,   75, effect::DirectHit,  effect::Launch,         2},
        {Contact::Mound,           40, false,   75, effect::DirectHit,  effect::Launch,         3},
        {Contact::Leveller,        20, false,   75, effect::DirectHit,  effect::Launch,         1},
        {Contact::Piercing,         6, true,   400, effect::Piercing,   effect::PiercingLaunch, 1},
        {Contact::Drill,            4, true,   150, effect::HeavyBlast, effect::Launch,         1},
        {Contact::Nuke,           100, false,   75, effect::DirectHit,  effect::Launch,         1},
        {Contact::Quake,          150, false,   75, effect::DirectHit,  effect::Launch,         2},
        {Contact::Roll,             4, false,   75, effect::DirectHit,  effect::Launch,         1},  // roller
        {Contact::Roll,             4, false,   75, effect::DirectHit,  effect::Launch,         1},  // climber
        {Contact::Bounce,          15, false,   75, effect::DirectHit,  effect::Launch,         2},
        {Contact::Crater,           8, false,   75, effect::DirectHit,  effect::Launch,         3},  // health
    };
    // clang-format on
    static_assert(std::size(kShells) == weapon::Health + 1, "one entry for every kind");
    static_assert(
        [] {
            int draws = 0;
            for (const ShellTraits& s : kShells) draws += s.crates;
            return draws;
        }() == 25,
        "the crate draws add up to 25");
    return kShells[kind >= 0 && kind < int(std::size(kShells)) ? kind : weapon::Health];
}

}  // namespace gv::battle
