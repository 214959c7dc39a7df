#pragma once
// Names for the numbers the game passes around: weapon kinds (what a weapon slot or a crate holds, also sent
// to the peer in "B" messages and hashed as numbers) and sound effect ids (the embedded wave files). The
// values are those numbers and must not change. Plain enumerations in their own namespaces, so a kind read
// from a message compares with them directly.

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
constexpr const char* kNames[] = {"practice", "beginner", "normal", "expert"};
}  // namespace level

}  // namespace gv
