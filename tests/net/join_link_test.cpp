// Join links read back what was written, whatever the code's bytes and the
// address's family; malformed links are refused, by the driver too; the
// outside addresses a mapping cannot reach the internet from are known by
// their edges.
#include <gtest/gtest.h>

#include <QProcess>

#include "net/port_mapping.h"
#include "script/join_link.h"

namespace korvalo::testing {
namespace {

TEST(JoinLink, ReadsBackWhatWasWrittenAndRefusesMalformedLinks)
{
    struct Case { std::string address; int port; std::string code; };
    for (const Case& c : {Case{"11.45.0.2", 47119, "tesuto"}, Case{"2001:db8::2", 1, "a/%?#\xe6\x97\xa5+"},
                          Case{"example.org", 65535, "%41"}}) {
        const std::string link = joinLink(c.address, c.port, c.code);
        std::string host, code, error;
        int port = 0;
        ASSERT_TRUE(readJoinLink(link, 47119, &host, &port, &code, &error)) << link << ": " << error;
        EXPECT_EQ(host, c.address);
        EXPECT_EQ(port, c.port);
        EXPECT_EQ(code, c.code) << link;
    }
    EXPECT_EQ(joinLink("2001:db8::2", 47119, "a/b"), "korvalo://[2001:db8::2]:47119/a%2Fb");
    std::string host, code, error;
    int port = 0;
    ASSERT_TRUE(readJoinLink("KORVALO://host/x", 47119, &host, &port, &code, &error));
    EXPECT_EQ(port, 47119);
    for (const char* wrong : {"korvalo://", "korvalo:host/x", "korvalo://host:1/", "korvalo://host:1/a/b",
                              "korvalo://host:0/x", "korvalo://host:70000/x", "korvalo://u@host:1/x",
                              "korvalo://host:1/x?y", "korvalo://host:1/a%00b", "korvalo://host:1/a%20b",
                              "korvalo://[::1:1/x", "http://host:1/x"})
        EXPECT_FALSE(readJoinLink(wrong, 47119, &host, &port, &code, &error)) << wrong;

    QProcess driver;
    driver.start(KORVALO_SCRIPT, {"--join", "korvalo://host:1/a/b"});
    ASSERT_TRUE(driver.waitForFinished(10000));
    EXPECT_EQ(driver.exitCode(), 2);
    EXPECT_TRUE(driver.readAllStandardError().contains("not a join link"));
}

TEST(PortMapping, KnowsTheOutsideAddressesTheInternetCannotReach)
{
    for (const char* shared : {"10.0.0.1", "172.16.0.0", "172.31.255.255", "192.168.0.1", "100.64.0.0",
                               "100.127.255.255"})
        EXPECT_TRUE(net::isSharedAddress(shared)) << shared;
    for (const char* reachable : {"11.45.0.2", "172.15.255.255", "172.32.0.0", "192.169.0.1", "100.63.255.255",
                                  "100.128.0.0", "9.255.255.255", "2001:db8::2", ""})
        EXPECT_FALSE(net::isSharedAddress(reachable)) << reachable;
}

}  // namespace
}  // namespace korvalo::testing
