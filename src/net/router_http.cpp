#include "net/router_http.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/router_answers.h"

namespace korvalo::net {

namespace {

// A line of the chunked framing: the size in hex and its extensions.
constexpr std::size_t chunkLineLimit = 256;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

HttpResponseReader::HttpResponseReader(std::size_t bodyLimit, std::size_t headLimit)
    : limit_(bodyLimit), headLimit_(headLimit)
{
}

HttpResponseReader::State HttpResponseReader::fail(const char* why)
{
    state_ = State::Failed;
    failure_ = why;
    body_ = std::string();
    line_ = std::string();
    return state_;
}

HttpResponseReader::State HttpResponseReader::feed(std::string_view bytes)
{
    while (state_ == State::More && !bytes.empty()) {
        if (part_ == Part::Body || part_ == Part::ChunkData) {
            const bool bounded = part_ == Part::ChunkData || length_;
            const std::size_t take = bounded ? std::min(bytes.size(), left_) : bytes.size();
            if (take > limit_ - body_.size())
                return fail("a body over the limit");
            body_.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            if (bounded && (left_ -= take) == 0) {
                part_ = part_ == Part::ChunkData ? Part::ChunkEnd : Part::End;
                if (part_ == Part::End)
                    state_ = State::Done;
            }
            continue;
        }
        const bool head = part_ == Part::StatusLine || part_ == Part::Headers || part_ == Part::Trailers;
        const std::size_t newline = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, newline);
        // The room keeps a byte for the newline.
        if (piece.size() + line_.size() >= (head ? headLimit_ - headRead_ : chunkLineLimit))
            return fail(head ? "a head over the limit" : "a chunk size line over the limit");
        line_.append(piece);
        if (newline == std::string_view::npos)
            break;
        bytes.remove_prefix(newline + 1);
        if (head)
            headRead_ += line_.size() + 1;
        std::string text = std::move(line_);
        line_.clear();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        line(text);
    }
    return state_;
}

HttpResponseReader::State HttpResponseReader::line(std::string_view text)
{
    switch (part_) {
    case Part::StatusLine: {
        // "HTTP/1.x NNN reason"
        if (text.size() < 12 || text.substr(0, 7) != "HTTP/1." || text[7] < '0' || text[7] > '9' || text[8] != ' ' ||
            (text.size() > 12 && text[12] != ' '))
            return fail("no HTTP/1 status line");
        const int status = readPort(text.substr(9, 3));
        if (status < 100 || status > 599)
            return fail("no HTTP status");
        status_ = status;
        part_ = Part::Headers;
        return state_;
    }
    case Part::Headers:
        return text.empty() ? endOfHead() : header(text);
    case Part::ChunkSize: {
        std::size_t size = 0;
        std::size_t digits = 0;
        for (; digits < text.size(); ++digits) {
            const char c = text[digits];
            const int value = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (value < 0)
                break;
            if (size > limit_)
                return fail("a chunk over the limit");
            size = size * 16 + static_cast<std::size_t>(value);
        }
        const std::string_view rest = trimmed(text.substr(digits));
        if (digits == 0 || (!rest.empty() && rest.front() != ';'))
            return fail("a chunk size that is no number");
        if (size > limit_ - body_.size())
            return fail("a chunk over the limit");
        left_ = size;
        part_ = size == 0 ? Part::Trailers : Part::ChunkData;
        return state_;
    }
    case Part::ChunkEnd:
        if (!text.empty())
            return fail("a chunk longer than its size");
        part_ = Part::ChunkSize;
        return state_;
    case Part::Trailers:
        if (text.empty()) {
            part_ = Part::End;
            state_ = State::Done;
        }
        return state_;
    default:
        return state_;
    }
}

HttpResponseReader::State HttpResponseReader::header(std::string_view text)
{
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    if (colon == std::string_view::npos || name.empty() || name.find_first_of(" \t") != std::string_view::npos)
        return fail("a header that is not one");
    const std::string_view value = trimmed(text.substr(colon + 1));
    if (equalsIgnoringCase(name, "Content-Length")) {
        if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos)
            return fail("a Content-Length that is no number");
        std::size_t length = 0;
        for (const char c : value) {
            length = length * 10 + static_cast<std::size_t>(c - '0');
            if (length > limit_)
                return fail("a Content-Length over the limit");
        }
        if (length_ && *length_ != length)
            return fail("two Content-Lengths");
        length_ = length;
    } else if (equalsIgnoringCase(name, "Transfer-Encoding")) {
        if (!equalsIgnoringCase(value, "chunked"))
            return fail("a transfer coding other than chunked");
        chunked_ = true;
    }
    return state_;
}

HttpResponseReader::State HttpResponseReader::endOfHead()
{
    if (status_ < 200) {
        // An interim answer ("100 Continue"): the response follows.
        if (length_ || chunked_)
            return fail("an interim answer with a body");
        part_ = Part::StatusLine;
        return state_;
    }
    if (chunked_ && length_)
        return fail("both a Content-Length and chunked");
    if (chunked_) {
        part_ = Part::ChunkSize;
    } else if (status_ == 204 || status_ == 304 || (length_ && *length_ == 0)) {
        part_ = Part::End;
        state_ = State::Done;
    } else {
        left_ = length_.value_or(0);
        part_ = Part::Body;
    }
    return state_;
}

HttpResponseReader::State HttpResponseReader::close()
{
    if (state_ != State::More)
        return state_;
    if (part_ == Part::Body && !length_) {
        part_ = Part::End;
        return state_ = State::Done;
    }
    return fail("the connection closed before the end of the response");
}

std::optional<HttpUrl> readHttpUrl(std::string_view url)
{
    constexpr std::string_view scheme = "http://";
    if (url.size() <= scheme.size() || !equalsIgnoringCase(url.substr(0, scheme.size()), scheme))
        return std::nullopt;
    for (const char c : url)
        if (c <= ' ' || c > '~')
            return std::nullopt;
    url.remove_prefix(scheme.size());
    const std::size_t slash = url.find('/');
    const std::string_view authority = url.substr(0, slash);
    HttpUrl result;
    result.path = slash == std::string_view::npos ? std::string("/") : std::string(url.substr(slash));
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        result.address = authority.substr(1, close - 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || (port = rest.substr(1)).empty()))
            return std::nullopt;
        in6_addr v6{};
        if (::inet_pton(AF_INET6, result.address.c_str(), &v6) != 1)
            return std::nullopt;
        result.host = authority.substr(0, close + 1);
    } else {
        const std::size_t colon = authority.find(':');
        result.address = authority.substr(0, colon);
        if (colon != std::string_view::npos && (port = authority.substr(colon + 1)).empty())
            return std::nullopt;
        in_addr v4{};
        if (::inet_pton(AF_INET, result.address.c_str(), &v4) != 1)
            return std::nullopt;
        result.host = result.address;
    }
    if (!port.empty() && !(result.port = readPort(port)))
        return std::nullopt;
    return result;
}

namespace {

// A socket closed when it goes.
struct Socket {
    int fd = -1;
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Waits until the socket is ready for events, in slices of a tenth of a
// second so that stopping is heard; false at the deadline or when stopping.
bool await(int fd, short events, RouterClock::time_point deadline, const std::atomic<bool>& stopping)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - RouterClock::now());
        if (left.count() <= 0 || stopping)
            return false;
        pollfd wanted{fd, events, 0};
        const int ready = ::poll(&wanted, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

}  // namespace

HttpAnswer httpExchange(const HttpUrl& url, const std::string& request, std::size_t limit,
                        RouterClock::time_point deadline, const std::atomic<bool>& stopping)
{
    HttpAnswer answer;
    sockaddr_storage peer{};
    socklen_t peerSize = 0;
    if (auto* v4 = reinterpret_cast<sockaddr_in*>(&peer); ::inet_pton(AF_INET, url.address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(url.port));
        peerSize = sizeof *v4;
    } else if (auto* v6 = reinterpret_cast<sockaddr_in6*>(&peer);
               ::inet_pton(AF_INET6, url.address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(url.port));
        peerSize = sizeof *v6;
    } else {
        answer.failure = "no address";
        return answer;
    }
    Socket socket{::socket(peer.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)};
    if (socket.fd < 0) {
        answer.failure = "no socket";
        return answer;
    }
    int error = 0;
    socklen_t errorSize = sizeof error;
    if ((::connect(socket.fd, reinterpret_cast<sockaddr*>(&peer), peerSize) != 0 && errno != EINPROGRESS) ||
        !await(socket.fd, POLLOUT, deadline, stopping) ||
        ::getsockopt(socket.fd, SOL_SOCKET, SO_ERROR, &error, &errorSize) != 0 || error != 0) {
        answer.failure = "no connection";
        return answer;
    }
    sockaddr_storage local{};
    socklen_t localSize = sizeof local;
    char text[INET6_ADDRSTRLEN] = {};
    if (::getsockname(socket.fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0) {
        const void* address = local.ss_family == AF_INET6
                                  ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(&local)->sin6_addr)
                                  : static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(&local)->sin_addr);
        if (::inet_ntop(local.ss_family, address, text, sizeof text))
            answer.localAddress = text;
    }
    for (std::size_t sent = 0; sent < request.size();) {
        if (!await(socket.fd, POLLOUT, deadline, stopping)) {
            answer.failure = "the request was not taken in time";
            return answer;
        }
        const ssize_t n = ::send(socket.fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            answer.failure = "the request was not taken";
            return answer;
        }
        sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    HttpResponseReader reader(limit);
    char buffer[16384];
    while (reader.state() == HttpResponseReader::State::More) {
        if (!await(socket.fd, POLLIN, deadline, stopping)) {
            answer.failure = "no whole answer in time";
            return answer;
        }
        const ssize_t n = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (n > 0)
            reader.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        else if (n == 0)
            reader.close();
        else if (errno != EAGAIN && errno != EINTR) {
            answer.failure = "the connection broke";
            return answer;
        }
    }
    answer.complete = reader.state() == HttpResponseReader::State::Done;
    answer.status = reader.status();
    answer.body = reader.body();
    answer.failure = reader.failure();
    return answer;
}

std::string HttpUrl::hostAndPort() const
{
    return port == 80 ? host : host + ':' + std::to_string(port);
}

HttpAnswer httpGet(std::string_view url, RouterClock::time_point deadline, const std::atomic<bool>& stopping)
{
    const std::optional<HttpUrl> read = readHttpUrl(url);
    if (!read) {
        HttpAnswer answer;
        answer.failure = "an URL that is not an http URL with an address";
        return answer;
    }
    const std::string request = "GET " + read->path + " HTTP/1.1\r\nHost: " + read->hostAndPort() +
                                "\r\nConnection: close\r\nUser-Agent: Korvalo\r\n\r\n";
    return httpExchange(*read, request, descriptionLimit, deadline, stopping);
}

}  // namespace korvalo::net
