// Join links read back what was written, whatever the code's characters and the
// address's family; malformed links are refused, by the driver too; the
// outside addresses a mapping cannot reach the internet from are known by
// their edges; what a router answers over HTTP is read only within its
// bounds, and a router that does not answer is left at the deadline.
#include <gtest/gtest.h>

#include <QProcess>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/port_mapping.h"
#include "net/router_answers.h"
#include "net/router_http.h"
#include "script/join_link.h"
#include "script/session_options.h"

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
    // A host in letters beyond ASCII is taken in its ASCII form, as shown.
    ASSERT_TRUE(readJoinLink("korvalo://ex\xc3\xa4mple.org:1/x", 47119, &host, &port, &code, &error)) << error;
    EXPECT_EQ(host, "xn--exmple-cua.org");
    // Each malformed link with what the window tells the person about it.
    using enum JoinLinkProblem;
    const std::pair<const char*, JoinLinkProblem> wrongs[] = {
        {"korvalo://", NoHost}, {"korvalo:host/x", NoHost}, {"korvalo://:1/x", NoHost},
        {"korvalo://host:1/", NoCode}, {"korvalo://host:1", NoCode}, {"korvalo://host:1/a/b", MoreThanOneCode},
        {"korvalo://host:0/x", PortOutOfRange}, {"korvalo://host:70000/x", PortOutOfRange},
        {"korvalo://127.0.0.1:99999/ab", PortOutOfRange}, {"korvalo://[::1]:123456/x", PortOutOfRange},
        {"korvalo://host:x/ab", PortNotANumber}, {"korvalo://host:-1/ab", PortNotANumber},
        {"korvalo://u@host:1/x", MoreThanItsParts}, {"korvalo://host:1/x?y", MoreThanItsParts},
        {"korvalo://host:1/x?a b", MoreThanItsParts}, {"korvalo://host:1/a%00b", BadCode},
        {"korvalo://host:1/a%20b", BadCode}, {"korvalo://host:1/a b", BadCode}, {"korvalo://host:1/dcba%E2%80%AEexe", BadCode},
        {"korvalo://host:1/a%E2%80%A8b", BadCode}, {"korvalo://host:1/a%1B%5D0%07", BadCode}, {"korvalo://host:1/a%C2%85b", BadCode},
        {"korvalo://host:1/a%FFb", BadCode}, {"korvalo://host:1/a%09b", BadCode}, {"korvalo://[::1:1/x", BadHost},
        {"korvalo://ho st:1/x", BadHost}, {"korvalo://host:1:2/x", BadHost}, {"korvalo://[zz]:1/x", BadHost},
        {"http://host:1/x", NotALink}};
    for (const auto& [wrong, expected] : wrongs) {
        JoinLinkProblem problem = None;
        EXPECT_FALSE(readJoinLink(wrong, 47119, &host, &port, &code, &error, &problem)) << wrong;
        EXPECT_EQ(problem, expected) << wrong << ": " << error;
    }

    QProcess driver;
    driver.start(KORVALO_SCRIPT, {"--join", "korvalo://host:1/a/b"});
    ASSERT_TRUE(driver.waitForFinished(10000));
    EXPECT_EQ(driver.exitCode(), 2);
    EXPECT_TRUE(driver.readAllStandardError().contains("not a join link"));
}

// The one reader of the options both programs share, as each program sets it
// up: the same verdict and the same words for each, but where the window may
// ask the person (a code, or games on the local network).
TEST(SessionCommandLine, BothProgramsGiveTheSameVerdictOnEachSharedOption)
{
    struct Row {
        QStringList arguments;
        std::string error;
        int port = 0;
        int seat = 0;
        std::string window = "same";
        int level = 2;
    };
    const Row rows[] = {
        {{"--host", "--port", "0"}, "", 0},
        {{"--host", "--port", "1"}, "", 1},
        {{"--host", "--port", "65535"}, "", 65535},
        {{"--host", "--port", "65536"}, "--port needs a port number"},
        {{"--host", "--port", "-1"}, "--port needs a port number"},
        {{"--host", "--port", "x"}, "--port needs a port number"},
        {{"--host"}, "", 47119},
        {{"--host", "--code", "Tesuto-Kodo"}, "", 47119},
        {{"--host", "--code", "abc"}, "--code needs at least 4 characters"},
        {{"--host", "--code", "ab\x1b" "cd"}, "--code may not hold a control or format character"},
        {{"--host", "--code", "ab cd"}, "--code may not hold a blank"},
        {{"--join", "127.0.0.1:5000", "--code", "tesuto", "--seat", "blue"}, "", 5000, 2},
        {{"--join", "::1", "--code", "tesuto", "--seat", "watch"}, "", 47119, SessionOptions::watchOnly},
        {{"--join", "[::1]:1", "--code", "tesuto", "--seat", "red"}, "", 1, 4},
        {{"--join", "host", "--code", "tesuto", "--seat", "any"}, "--seat takes black, blue, white, red or watch"},
        {{"--join", "host:65536", "--code", "tesuto"}, "--join needs HOST, HOST:PORT or a korvalo:// link",
         0, 0, "--join needs HOST, HOST:PORT, - or a korvalo:// link"},
        {{"--join", "host/x", "--code", "tesuto"}, "--join needs HOST, HOST:PORT or a korvalo:// link",
         0, 0, "--join needs HOST, HOST:PORT, - or a korvalo:// link"},
        {{"--join", "host"}, "--join needs the game's --code", 47119, 0, ""},
        {{"--join", "korvalo://10.0.0.2:6000/tesuto", "--seat", "black"}, "", 6000, 1},
        {{"--join", "korvalo://10.0.0.2:6000/tesuto", "--code", "tesuto"},
         "a join link holds the code: --code does not go with it"},
        {{"--join", "korvalo://host:1/a/b"}, "not a join link (korvalo://HOST:PORT/CODE): no code, or more than one"},
        {{"--host", "--join", "host"}, "--host and --join do not go together"},
        {{"--computer", "strong"}, "", 0, 0, "same", 5},
        {{"--computer", "standard"}, "", 0, 0, "same", 2},
        {{"--computer", "1"}, "", 0, 0, "same", 1},
        {{"--computer", "4"}, "", 0, 0, "same", 4},
        {{"--host", "--computer", "3"}, "", 47119, 0, "same", 3},
        {{"--computer", "0"}, "--computer takes a level from 1 to 5, standard or strong"},
        {{"--computer", "6"}, "--computer takes a level from 1 to 5, standard or strong"},
        {{"--computer", "05"}, "--computer takes a level from 1 to 5, standard or strong"},
        {{"--computer", "fast"}, "--computer takes a level from 1 to 5, standard or strong"},
        {{"--port-mapping"}, "--port-mapping goes with --host"},
        {{"--no-port-mapping"}, "--no-port-mapping goes with --host"},
        {{"--keyboard"}, "--keyboard plays in the window; a script has no keyboard", 0, 0, ""},
    };
    for (const Row& row : rows) {
        // The window (asking the router and the person), then korvalo-script.
        for (const SessionDefaults defaults :
             {SessionDefaults{47119, true, true, true}, SessionDefaults{47119, false, false, false}}) {
            QCommandLineParser parser;
            const SessionCommandLine session(parser, defaults);
            ASSERT_TRUE(parser.parse(QStringList{"program"} + row.arguments)) << parser.errorText().toStdString();
            SessionOptions options;
            std::string error;
            const bool read = session.read(parser, {}, &options, &error);
            const std::string expected = defaults.asksThePerson && row.window != "same" ? row.window : row.error;
            const std::string said = row.arguments.join(' ').toStdString();
            EXPECT_EQ(error, expected) << said;
            EXPECT_EQ(read, expected.empty()) << said;
            if (read && options.role != SessionOptions::Role::None) {
                EXPECT_EQ(options.port, row.port) << said;
                EXPECT_EQ(options.seat, row.seat) << said;
            }
            if (read && options.role == SessionOptions::Role::Host) {
                EXPECT_EQ(options.portMapping, defaults.portMapping) << said;
            }
            if (read) {
                EXPECT_EQ(options.computerLevel, row.level) << said;
            }
            EXPECT_EQ(options.keyboard, read && row.arguments.contains("--keyboard")) << said;
        }
    }
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

TEST(PortMapping, TakesOnlyPortsAndPublicAddressesFromTheRouter)
{
    EXPECT_EQ(net::readPort("47119"), 47119);
    EXPECT_EQ(net::readPort("65535"), 65535);
    for (const char* bad : {"", "0", "00000", "65536", "99999", "abcde", "+80", " 80", "80 ", "-1", "123456"})
        EXPECT_EQ(net::readPort(bad), 0) << bad;
    std::string normal;
    for (const char* address : {"11.45.0.2", "8.8.8.8", "2a00:1450::1"})
        EXPECT_EQ(net::readOutsideAddress(address, &normal), net::OutsideAddress::Public) << address;
    for (const char* address : {"10.1.2.3", "100.64.0.1", "127.0.0.1", "169.254.1.1", "192.0.2.1", "0.0.0.0",
                                "224.0.0.1", "255.255.255.255", "198.18.0.1", "::1", "fe80::1", "fd00::1",
                                "2001:db8::1", "::ffff:11.45.0.2"})
        EXPECT_EQ(net::readOutsideAddress(address, &normal), net::OutsideAddress::Unreachable) << address;
    for (const std::string& address : {std::string("evil.example"), std::string("\x1b]0;PWNED\x07"),
                                      std::string("11.45.0.2\n"), std::string("11.45.0.2\0x", 11)})
        EXPECT_EQ(net::readOutsideAddress(address, &normal), net::OutsideAddress::Unreadable) << address;
}

// Feeds a response to a reader in pieces of size step; the state at the close.
net::HttpResponseReader readResponse(const std::string& bytes, std::size_t step, std::size_t limit = 64)
{
    net::HttpResponseReader reader(limit);
    for (std::size_t at = 0; at < bytes.size() && reader.state() == net::HttpResponseReader::State::More;
         at += step)
        reader.feed(std::string_view(bytes).substr(at, step));
    reader.close();
    return reader;
}

TEST(RouterHttp, ReadsAWholeAnswerAndNothingOverItsBounds)
{
    using State = net::HttpResponseReader::State;
    const std::string head = "HTTP/1.1 200 OK\r\n";
    const std::string chunked = head + "Transfer-Encoding: chunked\r\n\r\n4;x=y\r\n<a>b\r\n3\r\n</a\r\n1\r\n>\r\n0\r\n\r\n";
    for (const std::size_t step : {std::size_t{1}, std::size_t{7}, chunked.size()}) {
        const net::HttpResponseReader reader = readResponse(chunked + "junk after the end", step);
        EXPECT_EQ(reader.state(), State::Done) << reader.failure();
        EXPECT_EQ(reader.body(), "<a>b</a>");
    }
    EXPECT_EQ(readResponse(head + "Content-Length: 3\r\n\r\nabcdef", 2).body(), "abc");
    EXPECT_EQ(readResponse("HTTP/1.0 500 Error\n\n<to the close>", 5).body(), "<to the close>");
    const std::string over(65, 'x');
    for (const std::string& bad : {
             head + "\r\n" + over,                                   // to the close, over the limit
             head + "Content-Length: 65\r\n\r\n" + over,            // a length over the limit
             head + "Content-Length: 10\r\n\r\nshort",              // a length that lies
             head + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd",
             head + "Content-Length: -1\r\n\r\n",
             head + "Transfer-Encoding: chunked\r\n\r\n41\r\n" + over,  // a chunk over the limit
             head + "Transfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n",  // longer than its size
             head + "Transfer-Encoding: chunked\r\n\r\nzz\r\n",
             head + "Transfer-Encoding: chunked\r\n\r\n" + std::string(300, '0') + "1\r\n",
             head + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n",  // closed before its end
             head + "Transfer-Encoding: gzip\r\n\r\nabc",
             head + "X: " + std::string(net::httpHeadLimit, 'x') + "\r\n\r\n",
             std::string("SSH-2.0-OpenSSH\r\n\r\n"),
         }) {
        const net::HttpResponseReader reader = readResponse(bad, 3);
        EXPECT_EQ(reader.state(), State::Failed) << bad.substr(0, 80);
        EXPECT_TRUE(reader.body().empty());
    }
}

TEST(RouterHttp, ReadsAGatewaysAnswersAndURLsAsAStrangersWords)
{
    net::HttpAnswer answer;
    answer.complete = true;
    answer.status = 500;
    answer.body = "<s:Envelope><s:Body><s:Fault><detail><UPnPError><errorCode>718</errorCode>"
                  "</UPnPError></detail></s:Fault></s:Body></s:Envelope>";
    EXPECT_EQ(net::SoapAnswer(answer).status(), 718);
    answer.body = "<r><errorCode>7x</errorCode></r>";
    EXPECT_EQ(net::SoapAnswer(answer).status(), -4);
    answer.body = "<r><Nothing/></r>";
    EXPECT_EQ(net::SoapAnswer(answer).status(), -4);
    answer.status = 200;
    answer.body = "<u:R><NewExternalIPAddress>11.45.0.2</NewExternalIPAddress></u:R>";
    EXPECT_EQ(net::SoapAnswer(answer).status(), 0);
    EXPECT_EQ(net::SoapAnswer(answer).value("NewExternalIPAddress"), "11.45.0.2");
    answer.complete = false;
    EXPECT_EQ(net::SoapAnswer(answer).status(), -3);
    EXPECT_EQ(net::readHttpUrl("http://192.168.1.1:5000/ctl?x")->path, "/ctl?x");
    EXPECT_EQ(net::readHttpUrl("HTTP://[fe80::1]/")->address, "fe80::1");
    for (const char* bad : {"http://router.example/", "https://192.168.1.1/", "http://192.168.1.1:0/",
                            "http://192.168.1.1:99999/", "http://u@192.168.1.1/", "http://192.168.1.1/a b",
                            "http://192.168.1.1/\r\nX: y", "http://[fe80::1/"})
        EXPECT_FALSE(net::readHttpUrl(bad)) << bad;
}

TEST(RouterHttp, LeavesARouterThatDoesNotAnswerAtTheDeadline)
{
    // A listening socket that takes the connection and never answers.
    const int listening = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::listen(listening, 1), 0);
    ASSERT_EQ(::getsockname(listening, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/root.xml";
    const std::atomic<bool> stopping{false};
    const auto begun = net::RouterClock::now();
    const net::HttpAnswer answer = net::httpGet(url, begun + std::chrono::milliseconds(300), stopping);
    const auto took = net::RouterClock::now() - begun;
    ::close(listening);
    EXPECT_FALSE(answer.complete);
    EXPECT_EQ(answer.localAddress, "127.0.0.1");
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::seconds(3));
}

}  // namespace
}  // namespace korvalo::testing
