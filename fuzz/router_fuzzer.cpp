// What a UPnP gateway on the home network may say to a host: any bytes as an
// HTTP response to the port mapping's reader, fed in pieces of any size, and
// as a device description, a SOAP answer, a URL, a port and an outside
// address. The reader ends the same however the bytes are split, never keeps
// more than its limit, and what it and the parsers accept is in range.
//
// The first byte picks the size of the pieces and the limit of the head, the
// second the body's limit; the rest is the response.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <miniupnpc/miniupnpc.h>
#include <string>
#include <string_view>

#include "net/router_answers.h"
#include "net/router_http.h"

using namespace korvalo::net;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The reader fed the bytes in pieces of step; closed at the end.
HttpResponseReader read(std::string_view bytes, std::size_t step, std::size_t limit, std::size_t headLimit)
{
    HttpResponseReader reader(limit, headLimit);
    for (std::size_t at = 0; at < bytes.size() && reader.state() == HttpResponseReader::State::More; at += step) {
        reader.feed(bytes.substr(at, step));
        check(reader.body().size() <= limit);
    }
    reader.close();
    return reader;
}

void parse(std::string_view text)
{
    IGDdatas data{};
    UPNPUrls urls{};
    for (const bool second : {false, true}) {
        if (!readDescription(text, "http://192.168.77.1:5000/root.xml", second, &data, &urls))
            continue;
        check(isPlainToken(data.first.servicetype) && readHttpUrl(urls.controlURL).has_value());
        FreeUPNPUrls(&urls);
    }
    HttpAnswer answer;
    answer.complete = true;
    answer.status = 200;
    answer.body = text;
    const SoapAnswer soap(answer);
    check(soap.status() == 0 || soap.status() == -4 || (soap.status() >= 1 && soap.status() <= 9999));
    if (const std::optional<std::string> port = soap.value("NewReservedPort")) {
        const int read = readPort(*port);
        check(read >= 0 && read <= 65535);
    }
    if (const std::optional<std::string> outside = soap.value("NewExternalIPAddress")) {
        std::string normal;
        if (readOutsideAddress(*outside, &normal) != OutsideAddress::Unreadable)
            check(normal.find_first_not_of("0123456789abcdef.:") == std::string::npos);
    }
    if (const std::optional<HttpUrl> url = readHttpUrl(text))
        check(url->port >= 1 && url->port <= 65535 && !url->path.empty() && url->path.front() == '/');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t step = data[0] % 32 + 1;
    const std::size_t headLimit = std::size_t{data[0]} * 8 + 1;
    const std::size_t limit = std::size_t{data[1]} * 16;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

    const HttpResponseReader whole = read(bytes, bytes.size() + 1, limit, headLimit);
    const HttpResponseReader pieces = read(bytes, step, limit, headLimit);
    check(whole.state() == pieces.state() && whole.status() == pieces.status() && whole.body() == pieces.body());
    check(whole.state() != HttpResponseReader::State::More);
    if (whole.state() == HttpResponseReader::State::Done) {
        check(whole.status() >= 200 && whole.status() <= 599);
        parse(whole.body());
    } else {
        check(whole.body().empty());
    }
    parse(bytes);
    return 0;
}
