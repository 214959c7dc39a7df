#pragma once
// The battle's record as the window keeps it (what each battle begins with, every shot, message, seed,
// hash and its end) and a recorded battle watched in the window.
#include <string>

#include "battle/kinds.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;
namespace battle {
struct Aim;
}

class Records : public WindowPart {
public:
    using WindowPart::WindowPart;

    std::string ClockSeed();
    void RecordBegin();
    void RecordFire(int player, const battle::Aim& aim);
    void RecordMessage(bool sent, const std::string& text);
    void RecordClock(const std::string& seed);
    // The state hash after a hand-over (or once the battlefield is built), and the end of a finished battle.
    void RecordHandOver();
    void RecordEnd(const char* result);
    // A link whose peer is no socket: a playback stands in for it.
    void OpenStandInLink(bool host);
    void CloseStandInLink();

    // ---- Watching a recorded battle
    void watchlast_Click();
    // Plays the record in the window as it was played; a file that cannot be played is named on the banner.
    bool WatchBattle(const std::string& path);
    void UpdateWatchButton();
    bool WatchKey(int key);
    void WatchFinished();
    void EndWatching();
};

}  // namespace gv
