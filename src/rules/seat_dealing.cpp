#include "rules/seat_dealing.h"

namespace korvalo {

Seats dealSeats(const std::array<int, 5>& playerKind, const std::vector<SeatWish>& windows)
{
    std::vector<int> free;
    for (int c = black; c <= red; ++c)
        if (playerKind[c] == humanValue)
            free.push_back(c);
    // The colour asked for if it is free, or the first free one for 0.
    auto take = [&free](int colour) {
        for (auto it = free.begin(); it != free.end(); ++it)
            if (*it == colour || colour == 0) {
                const int taken = *it;
                free.erase(it);
                return taken;
            }
        return 0;
    };
    Seats seats;
    seats.host = take(0);
    seats.joined.assign(windows.size(), 0);
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (!windows[i].watching && windows[i].kept != 0)
            seats.joined[i] = take(windows[i].kept);
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (!windows[i].watching && seats.joined[i] == 0 && windows[i].asked != 0)
            seats.joined[i] = take(windows[i].asked);
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (!windows[i].watching && seats.joined[i] == 0)
            seats.joined[i] = take(0);
    return seats;
}

}  // namespace korvalo
