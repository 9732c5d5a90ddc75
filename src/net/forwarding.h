#pragma once
// What a host passes on of the inputs of its game, and what each window keeps
// to itself.
#include <string_view>

#include "input/input.h"

namespace korvalo::net {

// The commands each window keeps for itself and sends nobody: the options
// and the about box.
bool isWindowsOwn(const Input& input);

// Whether a host sends this input to joined windows: from is "host" or the
// colour whose window gave it. The host's window keeps its options, its
// about box and its leaving (Esc, close, 終了) to itself, and a joined
// window's person gives only presses and releases on the board; anything
// else from a host is no game's.
bool hostMaySend(std::string_view from, const Input& input);

}  // namespace korvalo::net
