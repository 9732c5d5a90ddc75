// The waits and limits of network play that README.md and the manual page
// state are the program's own.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "log/log.h"
#include "net/host_limits.h"
#include "net/join.h"
#include "net/join_code.h"
#include "net/port_mapping.h"
#include "net/protocol.h"

namespace korvalo {
namespace {

// A document of the source tree, its lines joined by blanks.
std::string document(const std::string& name)
{
    std::ifstream file(std::string(KORVALO_SOURCE_DIR) + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return std::regex_replace(text.str(), std::regex("\\s*\n\\s*"), " ");
}

// The number (in figures or as a word) that pattern's group finds in text.
long stated(const std::string& text, const std::string& pattern)
{
    std::smatch found;
    if (!std::regex_search(text, found, std::regex(pattern))) {
        ADD_FAILURE() << "not stated: " << pattern;
        return -1;
    }
    const std::string words[] = {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten"};
    for (long n = 0; n <= 10; ++n)
        if (found[1] == words[n])
            return n;
    std::string figures = found[1];
    std::erase(figures, ',');
    return std::stol(figures);
}

TEST(StatedNumbers, TheDocumentsGiveTheProgramsWaitsAndLimits)
{
    for (const char* name : {"README.md", "packaging/man/korvalo.6"}) {
        SCOPED_TRACE(name);
        const std::string text = document(name);
        EXPECT_EQ(stated(text, R"(TCP port (\d+))"), net::defaultPort);
        EXPECT_EQ(stated(text, R"(cannot be reached within (\w+) seconds)"), net::joinMilliseconds / 1000);
        EXPECT_EQ(stated(text, R"(silent for (\w+) seconds, or without a welcome)"), net::silenceMilliseconds / 1000);
        EXPECT_EQ(stated(text, R"(not greeted within (\d+) s)"), net::limits::greetingTime.count());
        // The rate of code checks, a generated code's bits and the expected
        // time to guess it at that rate (half the codes tried), within 1 %.
        const int rate = net::limits::maxChecksPerSecond;
        EXPECT_EQ(stated(text, R"(at most (\d+) code checks a second in all)"), rate);
        EXPECT_EQ(stated(text, R"(generated code has (\d+) bits)"), std::lround(net::randomCodeBits()));
        const double years = std::exp2(net::randomCodeBits()) / 2 / rate / (365.25 * 24 * 3600);
        EXPECT_NEAR(stated(text, R"(takes about ([\d,]+) years on average)"), years, years / 100);
        EXPECT_EQ(stated(text, R"(weaker than (\d+) bits)"), net::weakCodeBits);
        EXPECT_EQ(stated(text, R"((\d+) from one address)"), net::limits::maxWaitingPerAddress);
        EXPECT_EQ(stated(text, R"(at most (\w+) windows take part)"), net::maxPlayers);
        EXPECT_EQ(stated(text, R"(log: at most (\d+) lines a second)"), log::linesPerSecond);
        // The router is asked within the seconds stated, and a mapping left by a crash lasts an hour.
        const long asking = stated(text, R"(within (\w+) seconds, (?:its hosting notice|the notice) saying)") * 1000;
        EXPECT_TRUE(asking >= net::mappingAttemptLimit.count() && asking - net::mappingAttemptLimit.count() < 1000);
        EXPECT_TRUE(std::regex_search(text, std::regex("an hour at most|at most an hour")));
        EXPECT_EQ(net::mappingLeaseSeconds, 3600);
    }
    EXPECT_EQ(stated(document("README.md"), R"(been silent for (\w+) seconds)"), net::silenceMilliseconds / 1000);
}

}  // namespace
}  // namespace korvalo
