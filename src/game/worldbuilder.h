#pragma once
// A new battlefield, built phase by phase before the player's eyes: the sky, clouds or stars, the
// ground, trees, the sun or the moon, both tanks and the first turn; and the moon's fall.
#include <array>
#include <cstdint>
#include <string>

#include "battle/kinds.h"
#include "platform/controls.h"
#include "game/windowpart.h"

namespace gv {

class Mainfrm;
namespace battlefield {
enum class Palette;
}

class WorldBuilder : public WindowPart {
public:
    using WindowPart::WindowPart;

    using Palette = battlefield::Palette;
    void GenerateWorld();
    void SeatTank(Image& tank, int left);
    void PlaceTrees(Palette palette);
    void PlaceInSky(Image& body);
    void moonfalltimer_Timer();

private:
    // The phases of `GenerateWorld`; those that yield to the event loop return false when the battle was
    // abandoned meanwhile.
    bool WorldAbandoned(std::uint32_t battle);
    void StopLastBattle();
    void ShareSeedWithPeer();
    bool PaintSky(std::uint32_t battle, bool& day);
    void DecorateSky(bool day);
    bool PaintGround(std::uint32_t battle, Palette& palette);
    bool WaitForPeerDrawing(std::uint32_t battle);
    void SeatAndArm();

    std::array<double, 3> groundBase_{};  // the palette's base colour of this battle
};

}  // namespace gv
