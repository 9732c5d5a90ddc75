#include <gtest/gtest.h>

#include "rules/seat_dealing.h"

namespace korvalo {
namespace {

constexpr std::array<int, 5> allPersons{0, humanValue, humanValue, humanValue, humanValue};

TEST(SeatDealing, TheHostTakesTheFirstPersonColourAndTheOthersFollowInTurn)
{
    const Seats seats = dealSeats({0, computerValue, humanValue, computerValue, humanValue}, {{}, {}});
    EXPECT_EQ(seats.host, blue);
    EXPECT_EQ(seats.joined, (std::vector<int>{red, 0}));  // no person colour left for the second
}

TEST(SeatDealing, AColourAskedForIsGivenWhenFreeAndAnotherWhenTaken)
{
    // The host holds black; white is asked twice, and the first window takes any.
    const Seats seats = dealSeats(allPersons, {{false, 0, 0}, {false, 0, white}, {false, 0, white}});
    EXPECT_EQ(seats.host, black);
    EXPECT_EQ(seats.joined, (std::vector<int>{blue, white, red}));
}

TEST(SeatDealing, AWindowKeepsItsColourBeforeAnEarlierWindowAsksForIt)
{
    const Seats seats = dealSeats(allPersons, {{false, 0, red}, {false, red, white}});
    EXPECT_EQ(seats.joined, (std::vector<int>{blue, red}));
}

TEST(SeatDealing, WatchersGetNoColourEvenWhenColoursAreFree)
{
    const Seats seats = dealSeats(allPersons, {{true, 0, 0}, {true, blue, blue}, {false, 0, 0}});
    EXPECT_EQ(seats.host, black);
    EXPECT_EQ(seats.joined, (std::vector<int>{0, 0, blue}));
}

TEST(SeatDealing, AColourNoLongerAPersonsIsGivenUp)
{
    // The window kept white and asked for red; neither is a person colour now.
    const Seats seats = dealSeats({0, humanValue, computerValue, computerValue, computerValue}, {{false, white, red}});
    EXPECT_EQ(seats.host, black);
    EXPECT_EQ(seats.joined, std::vector<int>{0});
    EXPECT_EQ(dealSeats({}, {{false, 0, 0}}).host, 0);  // before any seating, nobody plays
}

}  // namespace
}  // namespace korvalo
