#pragma once
// What the window shows of a shot as the rules play it: sounds, flashes, the ground's earth darkened or
// raised, the sprites of tanks, trees and crate where the battle has them, the health bars and the slots.
// It also gives the rules what only the window has: the quake's seed from the peer, and whether the battle
// was left while they waited.
#include <cstdint>

#include "battle/shot.h"

namespace gv {

class Mainfrm;

class BattleView final : public battle::ShotView {
public:
    explicit BattleView(Mainfrm& game);
    void Sound(int effect) override;
    void Flash(double x, double y, double radius) override;
    void ShellHidden() override;
    void Dug(double c, double before, double after) override;
    void Marked(double x, double y, double q) override;
    void Raised(double c, double y, const battle::Earth& colour) override;
    void TreesChanged() override;
    void TankJumped(int player) override;
    void Settled() override;
    void MoonStruck() override;
    void CrateTaken(int kind) override;
    void ShotOver(battle::ShotEnd why) override;
    void BattleMayEnd() override;
    void Cutting() override;
    bool QuakeSeeded() override;
    bool Left() override;

private:
    Mainfrm& g_;
    std::uint32_t battle_;  // the battle the view was made in
};

}  // namespace gv
