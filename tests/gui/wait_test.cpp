// The pause: at least its length, close to it, and without burning a
// processor. These tests take real time.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/main_window.h"
#include "app/pause.h"

namespace korvalo {
namespace {

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TEST(Wait, LastsAtLeastItsTimeWhileUsingLittleProcessor)
{
    MainWindow window(nullptr);
    window.show();
    const double cpuBefore = processSeconds();
    const double wallBefore = wallSeconds();
    const double clockBefore = window.platform().clock();
    window.platform().wait(0.3);
    const double wall = wallSeconds() - wallBefore;
    const double cpu = processSeconds() - cpuBefore;
    EXPECT_GE(wall, 0.3);
    EXPECT_LT(wall, 0.3 + 0.05);
    EXPECT_GE(window.platform().clock() - clockBefore, 0.3);
    EXPECT_LT(cpu, 0.03);
}

TEST(Wait, ShortPausesEndWithinAFewMillisecondsOfTheirLength)
{
    std::vector<double> overshoot;
    for (double seconds : {0.05, 0.1, 0.05, 0.2, 0.05}) {
        const double before = wallSeconds();
        pauseWithoutInput(seconds);
        const double late = wallSeconds() - before - seconds;
        EXPECT_GE(late, 0.0) << seconds;
        overshoot.push_back(late);
    }
    std::sort(overshoot.begin(), overshoot.end());
    EXPECT_LT(overshoot[overshoot.size() / 2], 0.005);
}

TEST(Wait, NothingOrLessReturnsAtOnce)
{
    const double before = wallSeconds();
    pauseWithoutInput(0);
    pauseWithoutInput(-1);
    EXPECT_LT(wallSeconds() - before, 0.001);
}

}  // namespace
}  // namespace korvalo
