#include "battle/shells.h"

#include <iterator>

namespace gv::battle {

const ShellTraits& Shell(int kind) {
    // Indexed by the kind. The health crate's entry stands for any kind the game does not know.
    // clang-format off
    static constexpr ShellTraits kShells[] = {
        // contact             crater  hits   loss  hit sound           launch                  crates  worth
        {Contact::Crater,           8, true,    75, effect::DirectHit,  effect::Launch,         0,      0,  // standard
         "", "", "", ""},
        {Contact::Teleport,         6, false,   75, effect::DirectHit,  effect::Launch,         3,     10,
         "Teleport", "Teleport", "váš tank skočí tam, kam střela dopadne.", "your tank jumps to where the shell lands."},
        {Contact::Crater,          24, true,   250, effect::HeavyBlast, effect::Launch,         4,    120,
         "Těžká střela", "Heavy shell", "třikrát větší kráter.", "a crater three times as wide."},
        {Contact::Pit,             20, false,   75, effect::DirectHit,  effect::Launch,         2,     70,
         "Jáma", "Pit", "vyhloubí široký hluboký příkop.", "digs a wide, deep trench."},
        {Contact::Mound,           40, false,   75, effect::DirectHit,  effect::Launch,         3,     60,
         "Kopec", "Mound", "nahrne zeminu do vysokého kopce.", "heaps the earth into a tall hill."},
        {Contact::Leveller,        20, false,   75, effect::DirectHit,  effect::Launch,         1,     40,
         "Srovnávač", "Leveller", "srovná zem do obou stran na výšku dopadu.",
         "cuts the ground flat to both sides at the height it lands."},
        {Contact::Piercing,         6, true,   400, effect::Piercing,   effect::PiercingLaunch, 1,    150,
         "Průbojná", "Piercing", "při přímém zásahu bere nejvíc zdraví.", "takes the most health with a direct hit."},
        {Contact::Drill,            4, true,   150, effect::HeavyBlast, effect::Launch,         1,     80,
         "Vrták", "Drill", "provrtá se zemí a letí dál.", "bores through the ground and flies on."},
        {Contact::Nuke,           100, false,   75, effect::DirectHit,  effect::Launch,         1,    150,
         "Atomovka", "Nuke", "obrovský kráter a výbuch daleko do okolí.", "a huge crater and a blast that reaches far."},
        {Contact::Quake,          150, false,   75, effect::DirectHit,  effect::Launch,         2,     60,
         "Zemětřesení", "Quake", "otřese zemí a tanky se propadnou.", "shakes the ground, and the tanks sink."},
        {Contact::Roll,             4, false,   75, effect::DirectHit,  effect::Launch,         1,     70,
         "Koulička", "Roller", "po dopadu se valí z kopce.", "rolls downhill after it lands."},
        {Contact::Roll,             4, false,   75, effect::DirectHit,  effect::Launch,         1,     70,
         "Šplhač", "Climber", "po dopadu šplhá do kopce.", "climbs uphill after it lands."},
        {Contact::Bounce,          15, false,   75, effect::DirectHit,  effect::Launch,         2,     40,
         "Skákací", "Bouncer", "odráží se od země.", "bounces off the ground."},
        // The health crate: worth to the expert what it heals (see expert.cpp), never in a slot.
        {Contact::Crater,           8, false,   75, effect::DirectHit,  effect::Launch,         3,      0,
         "", "", "", ""},
    };
    // clang-format on
    static_assert(std::size(kShells) == weapon::kKinds, "one entry for every kind");
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
