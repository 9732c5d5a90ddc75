#pragma once
// Who plays which colour in a game played from several windows: the host's
// window and each joined window, given the colours a person plays in the
// seating and what each window plays now and asked for.
#include <array>
#include <vector>

#include "rules/game_state.h"

namespace korvalo {

// A joined window as the dealing sees it.
struct SeatWish {
    bool watching = false;  // it asked only to watch
    int kept = 0;           // the colour it plays now; 0: none
    int asked = 0;          // the colour it asked for; 0: any
};

struct Seats {
    int host = 0;            // the host window's colour; 0: none left
    std::vector<int> joined;  // each joined window's colour, in the order given; 0: watching
};

// Deals the person colours of playerKind (by colour 1..4) among the host's
// window and the joined windows, given in the order they joined. The host
// takes the first person colour; then each window keeps the colour it plays
// while that is still a person colour, then a window that asked for a free
// colour gets it, and the others take the colours left in turn. A window
// that asked only to watch, and any beyond the colours, watch.
Seats dealSeats(const std::array<int, 5>& playerKind, const std::vector<SeatWish>& windows);

}  // namespace korvalo
