#pragma once
// Names for the numbers the game passes around: weapon kinds (what a weapon slot or a crate holds, also sent
// to the peer in "B" messages and hashed as numbers) and sound effect ids (the embedded wave files). The
// values are those numbers and must not change. Plain enumerations in their own namespaces, so a kind read
// from a message compares with them directly.

#include <string>

namespace gv {

namespace weapon {
// What a player holds in its weapon slot; 0, the standard shell, is an empty slot.
// clang-format off
enum Kind : int {
    Standard = 0, Teleport = 1, Heavy = 2, Pit = 3, Mound = 4, Leveller = 5,
    Piercing = 6,  // armour-piercing
    Drill = 7, Nuke = 8, Quake = 9,
    Roller = 10, Climber = 11, Bouncer = 12,  // their ground contact does not end the shot at once
    Health = 13,                               // a crate kind only: 250 health, never in a slot
};
constexpr int kKinds = Health + 1;  // one past the last kind; each has its entry in the shells' table (shells.cpp)
// clang-format on
}  // namespace weapon

namespace effect {
// The ids `Mainfrm::PlayEffect` plays. 17, 18, 25, 27, 30 and 31 have no sound.
enum Id : int {
    Launch = 10,          // a fired shell starts its flight
    Fire = 11,            // a player fires; the next turn begins
    SunSwallow = 12,      // the sun swallows a shell
    PiercingLaunch = 13,  // flight start of the armour-piercing shell
    Bell = 14,            // the makers' link; a crate is taken
    Explosion = 15,       // a tank explodes (10th frame)
    Debris = 16,          // the explosion's second blast (59th frame)
    DirectHit = 19,       // a standard shell hits a tank
    ShellPop = 20,        // a standard shell explodes
    Teleport = 21,        // a teleport shell lands
    HeavyBlast = 22,      // heavy shell, direct hit by heavy shell or drill, roller or climber explodes
    Dig = 23,             // pit shell or leveller lands
    Mound = 24,           // a mound shell lands
    Piercing = 26,        // armour-piercing shell lands or hits a tank
    Nuke = 28,            // a nuke explodes
    Quake = 29,           // a quake lands
    Boing = 32,           // the intro burst; a bouncer touches the ground
};
}  // namespace effect

namespace mode {
// Who plays a battle: two people at one computer, one against the computer, or a network game's host or
// joiner (`GameState::GameMode`; 0 before the first game).
enum Id : int { HotSeat = 1, Computer = 2, Host = 3, Joiner = 4 };
}  // namespace mode

namespace level {
// Who plays a side against the computer: a person, or the computer at one of its levels (kept in the
// settings and in battle records by name).
enum Id : int { Human = -1, Practice = 0, Beginner = 1, Normal = 2, Expert = 3 };
// Each level by its number: its word in the settings, in battle records and on the command line, and its
// name and what it does in both languages. A new level is an entry here and its play (computer/player.cpp).
struct Level {
    const char *word, *czech, *english, *czechWhat, *englishWhat;
};
constexpr Level kLevels[] = {
    {"practice", "Cvičení", "Practice", "Cíl, který nestřílí. Stopa střel je zapnutá.",
     "A target that never fires. The shot trace is on."},
    {"beginner", "Začátečník", "Beginner", "Míří jako normální soupeř, ale víc chybuje.",
     "Aims like Normal, but misses by more."},
    {"normal", "Normální", "Normal", "Počítač, jak ho hra vždy měla.", "The computer the game has always had."},
    {"expert", "Expert", "Expert", "Počítá přesný let střely a umí zvláštní střely.",
     "Works out the exact flight and uses every special shell."},
};
constexpr int kCount = int(sizeof kLevels / sizeof kLevels[0]);
// The words of all levels for a message: "practice, beginner, normal or expert".
inline std::string Words() {
    std::string s;
    for (int l = 0; l < kCount; ++l) s += std::string(l == 0 ? "" : l + 1 == kCount ? " or " : ", ") + kLevels[l].word;
    return s;
}
// The level a word names; any other word (a person's "human") is a person.
inline int Named(const std::string& word) {
    for (int l = 0; l < kCount; ++l)
        if (word == kLevels[l].word) return l;
    return Human;
}
}  // namespace level

}  // namespace gv
