// Fuzzes the reading of join links (korvalo://HOST:PORT/CODE), which both
// programs take from the command line, a desktop's link handler and the
// clipboard: arbitrary text through readJoinLink.
//
// Besides not crashing, a link read keeps its promises: the port is 1 to
// 65535, the host is ASCII without blanks or control bytes, the code is not
// empty and holds no character a link refuses, and the link the host writes
// of them (joinLink) reads back to the same host, port and code. A link that
// is refused says why.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/printable.h"
#include "net/protocol.h"
#include "script/command_line.h"
#include "script/join_link.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& text)
{
    std::fprintf(stderr, "fuzz_join_link: %s: %s\n", what, korvalo::log::printable(text).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace korvalo;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string host, code, error;
    int port = 0;
    JoinLinkProblem problem = JoinLinkProblem::None;
    if (!readJoinLink(text, net::defaultPort, &host, &port, &code, &error, &problem)) {
        if (problem == JoinLinkProblem::None || error.empty())
            fail("a link refused without a reason", text);
        return 0;
    }
    if (!isJoinLink(text))
        fail("a link read that is no link", text);
    if (port < 1 || port > 65535)
        fail("a port out of range", text);
    if (host.empty())
        fail("no host", text);
    for (const unsigned char c : host)
        if (c <= ' ' || c >= 0x7F)
            fail("a host with a byte beyond printable ASCII", text);
    if (code.empty() || !joinCodeCharacterProblem(code).empty())
        fail("a code a link cannot hold", text);
    const std::string again = joinLink(host, port, code);
    std::string host2, code2, error2;
    int port2 = 0;
    if (!readJoinLink(again, net::defaultPort, &host2, &port2, &code2, &error2))
        fail("the link written back does not read", again + " (" + error2 + ")");
    if (host2 != host || port2 != port || code2 != code)
        fail("the link written back reads otherwise", again);
    return 0;
}
