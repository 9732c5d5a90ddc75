#include "net/port_mapping.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnperrors.h>
// The library has the text of its errors; its header declares it on request.
#define ENABLE_STRNATPMPERR
#include <natpmp.h>
#include <sys/select.h>
#include <vector>

#include "net/mapping_router.h"
#include "net/reasons.h"
#include "net/router_answers.h"
#include "net/router_http.h"
#include "script/join_link.h"

namespace korvalo::net {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto attemptLimit = mappingAttemptLimit;
constexpr auto removalLimit = std::chrono::seconds(2);
constexpr int discoveryMilliseconds = 2000;
constexpr int leaseSeconds = mappingLeaseSeconds;
constexpr int nextPorts = 10;
constexpr char description[] = "Korvalo";

// UPnP's answers: the mapping's outside port is taken, and the router keeps
// only mappings without a lease.
constexpr int conflictInMappingEntry = 718;
constexpr int onlyPermanentLeases = 725;

std::string ipv4Text(in_addr address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

// This machine's global IPv6 address, for a pinhole; empty when it has none.
std::string globalIpv6()
{
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (address.protocol() == QAbstractSocket::IPv6Protocol && address.isGlobal() &&
            !address.isUniqueLocalUnicast())
            return address.toString().toStdString();
    return {};
}

}  // namespace

bool isSharedAddress(const std::string& address)
{
    in_addr parsed{};
    if (::inet_pton(AF_INET, address.c_str(), &parsed) != 1)
        return false;
    const std::uint32_t a = ntohl(parsed.s_addr);
    return (a >> 24) == 10 || (a >> 20) == (172u << 4 | 1) || (a >> 16) == (192u << 8 | 168) ||
           (a >> 22) == (100u << 2 | 1);
}

// The router as far as it was found, and what it holds for this host. Used by
// one thread at a time: the worker while it runs, else the object's own. UPnP
// gateways are found by miniupnpc; they are asked by router_http.h, every
// exchange before a deadline.
struct PortMapping::Router {
    enum class Via { None, Upnp, Natpmp };
    Via via = Via::None;
    UPNPUrls urls{};
    IGDdatas data{};
    bool haveUrls = false;
    std::string lan;  // this machine's address towards the gateway
    natpmp_t natpmp{};
    bool haveNatpmp = false;
    quint16 port = 0;
    int mappedPort = 0;  // the outside port of the mapping this host made; 0: none
    bool permanent = false;  // the router takes mappings without a lease only
    const char* lease() const { return permanent ? "0" : "3600"; }
    std::string pinhole;  // the pinhole's id; empty: none

    ~Router()
    {
        if (haveUrls)
            FreeUPNPUrls(&urls);
        if (haveNatpmp)
            closenatpmp(&natpmp);
    }

    MappingResult map(quint16 hostPort, const std::atomic<bool>& stopping)
    {
        const Clock::time_point begun = Clock::now();
        port = hostPort;
        MappingResult result = upnp(begun + attemptLimit, stopping);
        if (via == Via::None && result.outcome == MappingResult::Outcome::NoRouter && !stopping)
            result = natpmpMap(begun + attemptLimit, stopping);
        result.askedPort = hostPort;
        result.milliseconds = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begun).count());
        return result;
    }

    MappingResult upnp(Clock::time_point deadline, const std::atomic<bool>& stopping)
    {
        MappingResult result;
        // Every kind of gateway is asked at once, and the answers are
        // awaited once: asked one kind after another, a network without a
        // router would wait the whole limit for each.
        static const char* const kinds[] = {"urn:schemas-upnp-org:device:InternetGatewayDevice:1",
                                            "urn:schemas-upnp-org:service:WANIPConnection:1",
                                            "urn:schemas-upnp-org:service:WANPPPConnection:1", nullptr};
        int error = 0;
        UPNPDev* devices = upnpDiscoverDevices(kinds, discoveryMilliseconds, nullptr, nullptr, UPNP_LOCAL_PORT_ANY,
                                               0, 2, &error, 1);
        if (!devices)
            return result;
        const bool found = findGateway(devices, deadline, stopping);
        freeUPNPDevlist(devices);
        if (!found || Clock::now() > deadline || stopping)
            return result;
        via = Via::Upnp;
        result.via = "UPnP";
        const SoapAnswer outside(soapPost(urls.controlURL, data.first.servicetype, "GetExternalIPAddress", {},
                                          deadline, stopping));
        const std::optional<std::string> address = outside.value("NewExternalIPAddress");
        if (const int status = outside.status() != 0 ? outside.status() : address ? 0 : -4; status != 0)
            return refused(result, status, strupnperror(status));
        // A router whose own outside address is private or shared may keep
        // it to itself (miniupnpd does): no address is the same answer, and
        // so is anything that is not an address (a name, other bytes).
        if (!outsideAddress(*address, &result))
            return result;
        int status = -1;
        // A router of the second version picks a free outside port itself.
        // A port it names that is no port cannot be joined or removed: the
        // host asks for ports of its own instead.
        if (std::strstr(data.first.servicetype, ":2") &&
            (status = add(true, port, deadline, stopping, &mappedPort)) == 0 && mappedPort == 0)
            status = -1;
        for (int next = 0; status != 0 && next <= nextPorts && port + next <= 65535 && Clock::now() < deadline;
             ++next) {
            status = add(false, port + next, deadline, stopping, nullptr);
            if (status == 0)
                mappedPort = port + next;
            else if (status != conflictInMappingEntry)
                break;
        }
        if (status != 0)
            return refused(result, status, strupnperror(status));
        result.outcome = MappingResult::Outcome::Mapped;
        result.port = mappedPort;
        result.permanent = permanent;
        openPinhole(&result, deadline, stopping);
        return result;
    }

    // Takes the first gateway whose connection is up, else the first
    // gateway at all, as miniupnpc would: its URLs, its description and this
    // machine's address towards it.
    bool findGateway(UPNPDev* devices, Clock::time_point deadline, const std::atomic<bool>& stopping)
    {
        std::vector<std::string> asked;  // a device answers once for each kind searched
        for (UPNPDev* device = devices; device && Clock::now() < deadline && !stopping; device = device->pNext) {
            if (std::find(asked.begin(), asked.end(), device->descURL) != asked.end())
                continue;
            asked.emplace_back(device->descURL);
            const HttpAnswer description = httpGet(device->descURL, deadline, stopping);
            if (!description.complete || description.status != 200)
                continue;
            for (const bool second : {false, true}) {
                IGDdatas parsed{};
                UPNPUrls made{};
                if (!readDescription(description.body, device->descURL, second, &parsed, &made))
                    continue;
                const SoapAnswer status(
                    soapPost(made.controlURL, parsed.first.servicetype, "GetStatusInfo", {}, deadline, stopping));
                const bool connected = status.value("NewConnectionStatus") == "Connected";
                if (haveUrls && !connected) {
                    FreeUPNPUrls(&made);
                    continue;
                }
                if (haveUrls)
                    FreeUPNPUrls(&urls);
                urls = made;
                data = parsed;
                haveUrls = true;
                lan = description.localAddress;
                if (connected)
                    return true;
            }
        }
        return haveUrls;
    }

    // Whether the router's outside address is one to join by; else the
    // result says it is not (Shared, with the address only when it is one).
    static bool outsideAddress(const std::string& text, MappingResult* result)
    {
        std::string normal;
        const OutsideAddress kind = readOutsideAddress(text, &normal);
        if (kind == OutsideAddress::Public) {
            result->address = normal;
            return true;
        }
        result->outcome = MappingResult::Outcome::Shared;
        if (kind == OutsideAddress::Unreachable && normal != "0.0.0.0")
            result->address = normal;
        return false;
    }

    // Adds the mapping, without a lease when the router takes only those.
    // With any, the router picks the outside port: *reserved is set to it,
    // or to 0 when what it names is no port.
    int add(bool any, int outsidePort, Clock::time_point deadline, const std::atomic<bool>& stopping, int* reserved)
    {
        const std::string inside = std::to_string(port);
        for (int tries = 0; tries < 2; ++tries) {
            const SoapAnswer answer(soapPost(urls.controlURL, data.first.servicetype,
                                             any ? "AddAnyPortMapping" : "AddPortMapping",
                                             {{"NewRemoteHost", ""}, {"NewExternalPort", std::to_string(outsidePort)},
                                              {"NewProtocol", "TCP"}, {"NewInternalPort", inside},
                                              {"NewInternalClient", lan}, {"NewEnabled", "1"},
                                              {"NewPortMappingDescription", description}, {"NewLeaseDuration", lease()}},
                                             deadline, stopping));
            if (any && answer.status() == 0)
                *reserved = readPort(answer.value("NewReservedPort").value_or(""));
            if (answer.status() != onlyPermanentLeases || permanent)
                return answer.status();
            permanent = true;
        }
        return -1;
    }

    void openPinhole(MappingResult* result, Clock::time_point deadline, const std::atomic<bool>& stopping)
    {
        if (!data.IPv6FC.servicetype[0] || !urls.controlURL_6FC)
            return;
        const std::string address = globalIpv6();
        if (address.empty())
            return;
        const SoapAnswer answer(soapPost(urls.controlURL_6FC, data.IPv6FC.servicetype, "AddPinhole",
                                         {{"RemoteHost", ""}, {"RemotePort", "0"}, {"InternalClient", address},
                                          {"InternalPort", std::to_string(port)}, {"Protocol", "6"},
                                          {"LeaseTime", "3600"}},
                                         deadline, stopping));
        // The pinhole's id (a number) goes back into requests as it is.
        const std::string id = answer.value("UniqueID").value_or("");
        if (answer.status() == 0 && !id.empty() && id.size() <= 5 &&
            id.find_first_not_of("0123456789") == std::string::npos) {
            pinhole = id;
            result->address6 = address;
        }
    }

    static MappingResult& refused(MappingResult& result, int status, const char* why)
    {
        result.outcome = MappingResult::Outcome::Refused;
        result.status = status;
        result.detail = std::to_string(status) + (why ? std::string(" ") + why : std::string());
        return result;
    }

    // Waits for NAT-PMP's answer until the deadline, resending on the
    // library's schedule; the library alone would retry for two minutes.
    int awaitNatpmp(natpmpresp_t* response, Clock::time_point deadline, const std::atomic<bool>& stopping)
    {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
            if (left.count() <= 0 || stopping)
                return NATPMP_ERR_NOGATEWAYSUPPORT;
            timeval wait{};
            getnatpmprequesttimeout(&natpmp, &wait);
            const long long waitUs = std::min<long long>(wait.tv_sec * 1000000LL + wait.tv_usec, left.count());
            // Short slices, so that removing the mapping cuts the wait.
            wait.tv_sec = 0;
            wait.tv_usec = static_cast<suseconds_t>(std::clamp<long long>(waitUs, 0, 100000));
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(natpmp.s, &readable);
            ::select(natpmp.s + 1, &readable, nullptr, nullptr, &wait);
            const int status = readnatpmpresponseorretry(&natpmp, response);
            if (status != NATPMP_TRYAGAIN)
                return status;
        }
    }

    MappingResult natpmpMap(Clock::time_point deadline, const std::atomic<bool>& stopping)
    {
        MappingResult result;
        if (initnatpmp(&natpmp, 0, 0) < 0)
            return result;
        haveNatpmp = true;
        natpmpresp_t response{};
        if (sendpublicaddressrequest(&natpmp) < 0)
            return result;
        int status = awaitNatpmp(&response, deadline, stopping);
        // Only an answer from the router counts as one (its result codes
        // are from -14 down): no answer, or the gateway's refusal of the
        // packet, is no router.
        if (status < 0 && status > NATPMP_ERR_UNSUPPORTEDVERSION)
            return result;
        result.via = "NAT-PMP";
        if (status < 0)
            return refused(result, status, strnatpmperr(status));
        if (!outsideAddress(ipv4Text(response.pnu.publicaddress.addr), &result))
            return result;
        via = Via::Natpmp;
        status = natpmpRequest(port, leaseSeconds, deadline, stopping, &response);
        if (status < 0)
            return refused(result, status, strnatpmperr(status));
        // The router picks another outside port itself when the port is
        // taken; port 0 is none, and the mapping it answers for is removed.
        mappedPort = response.pnu.newportmapping.mappedpublicport;
        if (mappedPort == 0) {
            mappedPort = -1;
            return refused(result, 0, "mapped public port 0");
        }
        result.outcome = MappingResult::Outcome::Mapped;
        result.port = mappedPort;
        return result;
    }

    int natpmpRequest(int outsidePort, int lifetime, Clock::time_point deadline, const std::atomic<bool>& stopping,
                      natpmpresp_t* response)
    {
        if (sendnewportmappingrequest(&natpmp, NATPMP_PROTOCOL_TCP, port, static_cast<uint16_t>(outsidePort),
                                      static_cast<uint32_t>(lifetime)) < 0)
            return NATPMP_ERR_SENDERR;
        return awaitNatpmp(response, deadline, stopping);
    }

    // Asks for the same mapping again, for another lease.
    void renew()
    {
        const std::atomic<bool> never{false};
        const Clock::time_point deadline = Clock::now() + attemptLimit;
        if (mappedPort <= 0) {
        } else if (via == Via::Upnp) {
            if (!permanent)
                add(false, mappedPort, deadline, never, nullptr);
            if (!pinhole.empty())
                soapPost(urls.controlURL_6FC, data.IPv6FC.servicetype, "UpdatePinhole",
                         {{"UniqueID", pinhole}, {"NewLeaseTime", "3600"}}, deadline, never);
        } else if (via == Via::Natpmp) {
            natpmpresp_t response{};
            natpmpRequest(mappedPort, leaseSeconds, deadline, never, &response);
        }
    }

    void remove()
    {
        const std::atomic<bool> never{false};
        const Clock::time_point deadline = Clock::now() + removalLimit;
        // Only what this host made: not a port tried and refused.
        if (via == Via::Upnp) {
            if (mappedPort > 0)
                soapPost(urls.controlURL, data.first.servicetype, "DeletePortMapping",
                         {{"NewRemoteHost", ""}, {"NewExternalPort", std::to_string(mappedPort)}, {"NewProtocol", "TCP"}},
                         deadline, never);
            if (!pinhole.empty())
                soapPost(urls.controlURL_6FC, data.IPv6FC.servicetype, "DeletePinhole", {{"UniqueID", pinhole}},
                         deadline, never);
        } else if (via == Via::Natpmp && mappedPort != 0) {
            // A lifetime of 0 removes the host's mapping of its port.
            natpmpresp_t response{};
            natpmpRequest(0, 0, deadline, never, &response);
        }
        via = Via::None;
        mappedPort = 0;
        pinhole.clear();
    }
};

std::shared_ptr<PortMapping::Router> makeRouter()
{
    return std::make_shared<PortMapping::Router>();
}

MappingResult mapPort(PortMapping::Router& router, quint16 port, const std::atomic<bool>& stopping)
{
    return router.map(port, stopping);
}

void renewMapping(PortMapping::Router& router)
{
    router.renew();
}

void removeMapping(PortMapping::Router& router)
{
    router.remove();
}

QStringList describeMapping(const MappingResult& result, const std::string& code)
{
    const QString stillWorks = QStringLiteral("家庭内のネットワーク、転送したポート、IPv6、VPN からは参加できます。");
    switch (result.outcome) {
    case MappingResult::Outcome::Mapped: {
        QStringList lines;
        lines << QStringLiteral("インターネットから: %1:%2").arg(QString::fromStdString(result.address)).arg(result.port);
        if (!result.address6.empty())
            lines << QStringLiteral("インターネットから: [%1]:%2")
                         .arg(QString::fromStdString(result.address6))
                         .arg(result.askedPort);
        lines << QStringLiteral("参加リンク: %1")
                     .arg(QString::fromStdString(joinLink(result.address, result.port, code)));
        if (result.port != result.askedPort)
            lines << QStringLiteral("ルーターのポート %1 は使われていたため、ポート %2 を開きました。")
                         .arg(result.askedPort)
                         .arg(result.port);
        if (result.permanent)
            lines << QStringLiteral("このルーターは期限のない割り当てだけを受け付けます。"
                                    "異常終了するとルーターの再起動まで残ります。");
        return lines;
    }
    case MappingResult::Outcome::NoRouter:
        return {QStringLiteral("ルーターが応答しないため、インターネットからの入口は開けませんでした。") + stillWorks};
    case MappingResult::Outcome::Refused:
        return {QStringLiteral("ルーター (%1) がポートの割り当てを断りました (%2)。")
                    .arg(QString::fromStdString(result.via), routerAnswerForWindow(result.via, result.status)) +
                stillWorks};
    case MappingResult::Outcome::Shared:
        if (result.address.empty())
            return {QStringLiteral("ルーターの外側のアドレスはインターネットから届くものではありません"
                                   " (プロバイダーの内側のアドレスか、未接続)。") +
                    stillWorks};
        return {QStringLiteral("ルーターの外側のアドレス %1 はプロバイダーの内側のアドレスで、"
                               "インターネットから届きません。")
                    .arg(QString::fromStdString(result.address)) +
                stillWorks};
    }
    return {};
}

}  // namespace korvalo::net
