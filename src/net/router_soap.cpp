// The UPnP side of the router's HTTP: SOAP requests, and what a gateway's
// description and answers say, read by miniupnpc's parsers from what
// router_http.cpp read within its bounds.
#include <algorithm>
#include <cstring>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpreplyparse.h>

#include "net/router_answers.h"
#include "net/router_http.h"

namespace korvalo::net {

namespace {

void appendEscaped(std::string* out, std::string_view text)
{
    for (const char c : text) {
        if (c == '&')
            *out += "&amp;";
        else if (c == '<')
            *out += "&lt;";
        else if (c == '>')
            *out += "&gt;";
        else
            *out += c;
    }
}

}  // namespace

HttpAnswer soapPost(std::string_view url, std::string_view service, std::string_view action,
                    std::initializer_list<std::pair<const char*, std::string>> arguments,
                    RouterClock::time_point deadline, const std::atomic<bool>& stopping)
{
    const std::optional<HttpUrl> read = readHttpUrl(url);
    if (!read || !isPlainToken(service)) {
        HttpAnswer answer;
        answer.failure = "an URL or a service that cannot be asked";
        return answer;
    }
    std::string body = "<?xml version=\"1.0\"?>\r\n<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                       "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body><u:";
    body.append(action).append(" xmlns:u=\"").append(service).append("\">");
    for (const auto& [name, value] : arguments) {
        body.append("<").append(name).append(">");
        appendEscaped(&body, value);
        body.append("</").append(name).append(">");
    }
    body.append("</u:").append(action).append("></s:Body></s:Envelope>\r\n");
    std::string request = "POST " + read->path + " HTTP/1.1\r\nHost: " + read->hostAndPort() +
                          "\r\nUser-Agent: Korvalo\r\nContent-Length: " + std::to_string(body.size()) +
                          "\r\nContent-Type: text/xml; charset=\"utf-8\"\r\nSOAPAction: \"";
    request.append(service).append("#").append(action);
    request += "\"\r\nConnection: close\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n\r\n" + body;
    return httpExchange(*read, request, soapAnswerLimit, deadline, stopping);
}

bool isPlainToken(std::string_view text)
{
    return !text.empty() && text.size() < MINIUPNPC_URL_MAXSIZE &&
           std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
                      c == '.' || c == '-' || c == '_';
           });
}

bool readDescription(std::string_view body, const std::string& location, bool second, IGDdatas* data,
                     UPNPUrls* urls)
{
    static constexpr char commonInterface[] = "urn:schemas-upnp-org:service:WANCommonInterfaceConfig:";
    IGDdatas parsed{};
    parserootdesc(body.data(), static_cast<int>(body.size()), &parsed);
    if (std::strncmp(parsed.CIF.servicetype, commonInterface, sizeof commonInterface - 1) != 0)
        return false;
    if (second)
        std::swap(parsed.first, parsed.second);
    if (!isPlainToken(parsed.first.servicetype))
        return false;
    UPNPUrls made{};
    GetUPNPUrls(&made, &parsed, location.c_str(), 0);
    if (!made.controlURL || !readHttpUrl(made.controlURL)) {
        FreeUPNPUrls(&made);
        return false;
    }
    // The IPv6 firewall's service is asked only if it is as plain.
    if (parsed.IPv6FC.servicetype[0] &&
        (!isPlainToken(parsed.IPv6FC.servicetype) || !made.controlURL_6FC || !readHttpUrl(made.controlURL_6FC)))
        parsed.IPv6FC.servicetype[0] = '\0';
    *data = parsed;
    *urls = made;
    return true;
}

SoapAnswer::SoapAnswer(const HttpAnswer& answer)
{
    if (!answer.complete)
        return;
    NameValueParserData parsed{};
    ParseNameValue(answer.body.data(), static_cast<int>(answer.body.size()), &parsed);
    for (const NameValue* value = parsed.l_head; value; value = value->l_next)
        values_.emplace_back(value->name, value->value);
    ClearNameValueList(&parsed);
    // The library keeps them last first.
    std::reverse(values_.begin(), values_.end());
    if (const std::optional<std::string> code = value("errorCode")) {
        const int number = code->size() <= 4 ? readPort(*code) : 0;
        status_ = number > 0 ? number : -4;
    } else {
        status_ = answer.status == 200 ? 0 : -4;
    }
}

std::optional<std::string> SoapAnswer::value(std::string_view name) const
{
    for (const auto& [key, value] : values_)
        if (key == name)
            return value;
    return std::nullopt;
}

}  // namespace korvalo::net
