// Fuzzes what a network peer can send: arbitrary bytes through the protocol's
// line splitting, in pieces of the sizes the input's first byte gives, and
// every line through the message parser.
//
// Besides not crashing (or overflowing a number), the protocol must keep its
// promises: the splitter hands out no line longer than maxLine, and a line
// that parses is written back by the writer to a line that parses to the
// same kind of message, and writes the same again. Each line is also read as
// a router's answer: a port is 0 or 1..65535 and written back the same, and
// an outside address is given back only in the usual text of an address.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "log/printable.h"
#include "net/line_splitter.h"
#include "net/protocol.h"
#include "net/router_answers.h"

namespace {

using namespace korvalo;

[[noreturn]] void fail(const char* what, const std::string& line)
{
    std::fprintf(stderr, "fuzz_protocol: %s: %s\n", what, log::printable(line).c_str());
    std::abort();
}

void checkRouterAnswer(const std::string& line)
{
    const int port = net::readPort(line);
    if (port < 0 || port > 65535 || (port != 0 && std::to_string(port) != line.substr(line.find_first_not_of('0'))))
        fail("a port read is not the number written", line);
    std::string normal;
    if (net::readOutsideAddress(line, &normal) != net::OutsideAddress::Unreadable &&
        normal.find_first_not_of("0123456789abcdef.:") != std::string::npos)
        fail("an address read back holds other bytes", normal);
}

void checkLine(const std::string& line)
{
    if (line.size() > net::maxLine)
        fail("a line longer than the bound came out", line);
    checkRouterAnswer(line);
    const std::optional<net::Message> message = net::parseMessage(line);
    if (!message)
        return;
    const std::string written = net::writeMessage(*message);
    const std::optional<net::Message> again = net::parseMessage(written);
    if (!again)
        fail("the writer's line does not parse", written);
    if (again->index() != message->index() || net::writeMessage(*again) != written)
        fail("the writer's line parses to another message", written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    net::LineSplitter lines;
    lines.setLimit(8 * 1024);
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::optional<std::string> wrong = lines.feed(bytes.substr(at, piece));
        // Every line handed out is checked; after a refusal the connection
        // closes and nothing more is read.
        while (const std::optional<std::string> line = lines.next())
            checkLine(*line);
        if (wrong)
            break;
    }
    return 0;
}
