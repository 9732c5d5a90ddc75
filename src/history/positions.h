#pragma once
// Stepping through the stored positions of the game: one move back (戻) and
// one move forward (進), each drawing the position it shows. Going back to
// the first position (最初) is the reset of the game flow.
#include "display/board_display.h"
#include "platform/platform.h"
#include "rules/game_state.h"
#include "sound/game_sounds.h"

namespace korvalo {

class Positions {
public:
    Positions(Platform& ui, GameState& state, BoardDisplay& display, GameSounds& sounds)
        : ui_(ui), s(state), display_(display), sounds_(sounds)
    {
    }

    void MODORU_Click();  // 戻: one move back, refused at the first position
    void SUSUMU_Click();  // 進: one move forward, refused at the last one stored

private:
    Platform& ui_;
    GameState& s;
    BoardDisplay& display_;
    GameSounds& sounds_;
};

}  // namespace korvalo
