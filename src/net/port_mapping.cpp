#include "net/port_mapping.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>
// The library has the text of its errors; its header declares it on request.
#define ENABLE_STRNATPMPERR
#include <natpmp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/reasons.h"
#include "script/join_link.h"

namespace korvalo::net {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto attemptLimit = mappingAttemptLimit;
constexpr int discoveryMilliseconds = 2000;
constexpr int leaseSeconds = mappingLeaseSeconds;
constexpr int renewMilliseconds = leaseSeconds * 1000 / 2;
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
// one thread at a time: the worker while it runs, else the object's own.
struct PortMapping::Router {
    enum class Via { None, Upnp, Natpmp };
    Via via = Via::None;
    UPNPUrls urls{};
    IGDdatas data{};
    bool haveUrls = false;
    char lan[64] = {};
    natpmp_t natpmp{};
    bool haveNatpmp = false;
    quint16 port = 0;
    std::string externalPort;
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
        MappingResult result = upnp(begun + attemptLimit);
        if (via == Via::None && result.outcome == MappingResult::Outcome::NoRouter && !stopping)
            result = natpmpMap(begun + attemptLimit, stopping);
        result.askedPort = hostPort;
        result.milliseconds = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begun).count());
        return result;
    }

    MappingResult upnp(Clock::time_point deadline)
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
        const int found = UPNP_GetValidIGD(devices, &urls, &data, lan, sizeof lan);
        freeUPNPDevlist(devices);
        if (found == 0)
            return result;
        haveUrls = true;
        if (found == 3 || Clock::now() > deadline)
            return result;
        via = Via::Upnp;
        result.via = "UPnP";
        const char* control = urls.controlURL;
        const char* service = data.first.servicetype;
        char outside[64] = {};
        if (int status = UPNP_GetExternalIPAddress(control, service, outside); status != 0)
            return refused(result, status, strupnperror(status));
        result.address = outside;
        // A router whose own outside address is private or shared may keep
        // it to itself (miniupnpd does): no address is the same answer.
        if (result.address.empty() || result.address == "0.0.0.0") {
            result.address.clear();
            result.outcome = MappingResult::Outcome::Shared;
            return result;
        }
        if (isSharedAddress(result.address)) {
            result.outcome = MappingResult::Outcome::Shared;
            return result;
        }
        const std::string inside = std::to_string(port);
        int status = -1;
        // A router of the second version picks a free outside port itself.
        if (std::strstr(service, ":2")) {
            char reserved[8] = {};
            status = add(true, inside, reserved);
            if (status == 0)
                externalPort = reserved;
        }
        for (int next = 0; status != 0 && next <= nextPorts && Clock::now() < deadline; ++next) {
            externalPort = std::to_string(port + next);
            status = add(false, externalPort, nullptr);
            if (status != 0 && status != conflictInMappingEntry)
                break;
        }
        if (status != 0)
            return refused(result, status, strupnperror(status));
        result.outcome = MappingResult::Outcome::Mapped;
        result.port = std::stoi(externalPort);
        result.permanent = permanent;
        openPinhole(&result);
        return result;
    }

    // Adds the mapping, without a lease when the router takes only those.
    int add(bool any, const std::string& outsidePort, char* reserved)
    {
        const std::string inside = std::to_string(port);
        for (int tries = 0; tries < 2; ++tries) {
            const int status =
                any ? UPNP_AddAnyPortMapping(urls.controlURL, data.first.servicetype, inside.c_str(), inside.c_str(),
                                             lan, description, "TCP", nullptr, lease(), reserved)
                    : UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, outsidePort.c_str(),
                                          inside.c_str(), lan, description, "TCP", nullptr, lease());
            if (status != onlyPermanentLeases || permanent)
                return status;
            permanent = true;
        }
        return -1;
    }

    void openPinhole(MappingResult* result)
    {
        if (!data.IPv6FC.servicetype[0] || !urls.controlURL_6FC)
            return;
        const std::string address = globalIpv6();
        if (address.empty())
            return;
        char id[16] = {};
        const std::string inside = std::to_string(port);
        if (UPNP_AddPinhole(urls.controlURL_6FC, data.IPv6FC.servicetype, "", "0", address.c_str(), inside.c_str(),
                            "6", "3600", id) == 0 && *id) {
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
        result.address = ipv4Text(response.pnu.publicaddress.addr);
        if (isSharedAddress(result.address)) {
            result.outcome = MappingResult::Outcome::Shared;
            return result;
        }
        via = Via::Natpmp;
        status = natpmpRequest(port, leaseSeconds, deadline, stopping, &response);
        if (status < 0)
            return refused(result, status, strnatpmperr(status));
        // The router picks another outside port itself when the port is taken.
        result.outcome = MappingResult::Outcome::Mapped;
        result.port = response.pnu.newportmapping.mappedpublicport;
        externalPort = std::to_string(result.port);
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
        if (via == Via::Upnp) {
            if (!permanent)
                add(false, externalPort, nullptr);
            if (!pinhole.empty())
                UPNP_UpdatePinhole(urls.controlURL_6FC, data.IPv6FC.servicetype, pinhole.c_str(), "3600");
        } else if (via == Via::Natpmp) {
            natpmpresp_t response{};
            natpmpRequest(std::stoi(externalPort), leaseSeconds, Clock::now() + attemptLimit, never, &response);
        }
    }

    void remove()
    {
        const std::atomic<bool> never{false};
        if (via == Via::Upnp) {
            UPNP_DeletePortMapping(urls.controlURL, data.first.servicetype, externalPort.c_str(), "TCP", nullptr);
            if (!pinhole.empty())
                UPNP_DeletePinhole(urls.controlURL_6FC, data.IPv6FC.servicetype, pinhole.c_str());
        } else if (via == Via::Natpmp) {
            // A lifetime of 0 removes the host's mapping of its port.
            natpmpresp_t response{};
            natpmpRequest(0, 0, Clock::now() + std::chrono::seconds(2), never, &response);
        }
        via = Via::None;
        pinhole.clear();
    }
};

PortMapping::PortMapping()
{
    renewal_.setInterval(renewMilliseconds);
    QObject::connect(&renewal_, &QTimer::timeout, this, [this] { renew(); });
}

PortMapping::~PortMapping()
{
    remove();
}

void PortMapping::start(quint16 port)
{
    finish();
    router_ = std::make_unique<Router>();
    worker_ = std::thread([this, port, router = router_.get()] {
        const MappingResult result = router->map(port, stopping_);
        QMetaObject::invokeMethod(
            this,
            [this, result] {
                if (result.outcome == MappingResult::Outcome::Mapped)
                    renewal_.start();
                if (done)
                    done(result);
            },
            Qt::QueuedConnection);
    });
}

void PortMapping::renew()
{
    finish();
    if (router_)
        worker_ = std::thread([router = router_.get()] { router->renew(); });
}

void PortMapping::finish()
{
    if (worker_.joinable())
        worker_.join();
}

void PortMapping::remove()
{
    renewal_.stop();
    stopping_ = true;
    finish();
    stopping_ = false;
    if (router_)
        router_->remove();
    router_.reset();
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

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

}  // namespace

void removeOnTerminationSignal(PortMapping& mapping)
{
    if (signalPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &mapping);
    QObject::connect(notifier, &QSocketNotifier::activated, &mapping, [&mapping] {
        unsigned char byte = 0;
        if (::read(signalPipe[1], &byte, 1) != 1)
            return;
        mapping.remove();
        std::signal(byte, SIG_DFL);
        std::raise(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace korvalo::net
