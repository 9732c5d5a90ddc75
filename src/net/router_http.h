#pragma once
// The HTTP a UPnP gateway is asked by: its device description and its SOAP
// answers are read by a small client of our own, bounded in size (a cap far
// above any real router's) and in time (one absolute deadline for every
// connect, write and read), on the mapping's own thread. A router that sends
// without end, drips, never closes or lies about its length costs the host
// no more than the cap and the deadline. miniupnpc still finds the gateway
// (SSDP) and parses what was read (its description and name-value parsers).
#include <atomic>
#include <chrono>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct IGDdatas;
struct UPNPUrls;

namespace korvalo::net {

// A device description is read up to this size, a SOAP answer up to the
// second, and a response's status line and headers up to the third.
inline constexpr std::size_t descriptionLimit = 256 * 1024;
inline constexpr std::size_t soapAnswerLimit = 64 * 1024;
inline constexpr std::size_t httpHeadLimit = 16 * 1024;

// An HTTP/1.x response, read from the bytes fed to it as they arrive: the
// status line, the headers, and a body by Content-Length, by chunked
// transfer coding, or to the close of the connection. Anything it cannot read
// for sure fails it: a head or body over the limits, a Content-Length that is
// no number or disagrees with another, a transfer coding other than chunked,
// a broken chunk, a connection closed before the end. Bytes after the end of
// the response are not read.
class HttpResponseReader {
public:
    enum class State { More, Done, Failed };
    explicit HttpResponseReader(std::size_t bodyLimit, std::size_t headLimit = httpHeadLimit);

    State feed(std::string_view bytes);
    // The peer closed the connection.
    State close();

    State state() const { return state_; }
    int status() const { return status_; }
    const std::string& body() const { return body_; }
    // Why it failed, in a few English words, for the log.
    const std::string& failure() const { return failure_; }

private:
    enum class Part { StatusLine, Headers, Body, ChunkSize, ChunkData, ChunkEnd, Trailers, End };
    State fail(const char* why);
    // Takes one line of the head or of the chunked framing.
    State line(std::string_view text);
    State header(std::string_view text);
    State endOfHead();

    std::size_t limit_;
    std::size_t headLimit_;
    State state_ = State::More;
    Part part_ = Part::StatusLine;
    std::string line_;           // the line being read
    std::size_t headRead_ = 0;   // bytes of status lines, headers and trailers
    int status_ = 0;
    std::optional<std::size_t> length_;  // Content-Length
    bool chunked_ = false;
    std::size_t left_ = 0;       // of the body by length, or of the chunk
    std::string body_;
    std::string failure_;
};

// An http URL whose host is an IP address (a name would be looked up without
// a deadline) and whose every byte is printable ASCII.
struct HttpUrl {
    std::string host;  // as in the URL, brackets of IPv6 included
    std::string address;  // without them
    int port = 80;
    std::string path;  // "/" at least
    // For the Host header.
    std::string hostAndPort() const;
};
std::optional<HttpUrl> readHttpUrl(std::string_view url);

using RouterClock = std::chrono::steady_clock;

// One request, one response, one connection, all of it before the deadline
// (stopping cuts it short within a tenth of a second).
struct HttpAnswer {
    bool complete = false;  // a whole response within the limits
    int status = 0;
    std::string body;
    std::string localAddress;  // this machine's address on the connection
    std::string failure;
};
HttpAnswer httpExchange(const HttpUrl& url, const std::string& request, std::size_t limit,
                        RouterClock::time_point deadline, const std::atomic<bool>& stopping);
// A GET, for a device description.
HttpAnswer httpGet(std::string_view url, RouterClock::time_point deadline, const std::atomic<bool>& stopping);
HttpAnswer soapPost(std::string_view url, std::string_view service, std::string_view action,
                    std::initializer_list<std::pair<const char*, std::string>> arguments,
                    RouterClock::time_point deadline, const std::atomic<bool>& stopping);

// What a gateway says (router_soap.cpp).

// Reads a device description fetched from location: whether it is an
// Internet gateway whose control URL and service type can be used (*data and
// *urls are then set, for its second connection service if asked for it, in
// the place of the first; FreeUPNPUrls frees *urls).
bool readDescription(std::string_view body, const std::string& location, bool second, IGDdatas* data,
                     UPNPUrls* urls);

// A SOAP answer as miniupnpc parses one: its named values, and its UPnP error.
class SoapAnswer {
public:
    // What the HTTP exchange gave.
    explicit SoapAnswer(const HttpAnswer& answer);
    // 0: done; a UPnP error code the router gave (1 to 9999); -3: no whole
    // answer came; -4: an answer that cannot be read (an error code that is
    // no number, an HTTP error without one).
    int status() const { return status_; }
    // The value of the first element of that name; none when absent.
    std::optional<std::string> value(std::string_view name) const;

private:
    int status_ = -3;
    std::vector<std::pair<std::string, std::string>> values_;
};

// Whether a service type or a pinhole id can be written into a request as it
// is: letters, digits and ":.-_" only, at most 127 bytes.
bool isPlainToken(std::string_view text);

}  // namespace korvalo::net
