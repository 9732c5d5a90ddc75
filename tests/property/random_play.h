#pragma once
// A random player for whole games: presses on legal and illegal squares and
// off the board with any button, back, forward, first, reseats, the option
// switches and the about box, drawn from a seeded generator, so that a seed
// names a game exactly. After a bound of random steps the game is played
// out with legal presses only.
#include <array>
#include <cstdint>
#include <string>

#include "property/game_watch.h"

namespace korvalo::testing {

// How many steps of each Act a run took.
using ActCounts = std::array<long, static_cast<int>(Act::About) + 1>;

inline constexpr int randomSteps = 400;
inline constexpr int playOutSteps = 300;

// Plays the game the watch watches, from start-up on: the opening seating
// first, then random steps until a game has ended with the ranking. Every
// step is checked by the watch. Returns what went wrong, with the steps that
// led there; empty when the game reached the ranking with every check held.
std::string playRandomGame(GameWatch& watch, uint32_t seed, const Seating& opening, ActCounts* counts = nullptr);

}  // namespace korvalo::testing
