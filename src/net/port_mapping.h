#pragma once
// Asking the home router to forward the host's port from the internet: UPnP
// IGD first (and an IPv6 pinhole where the router offers one), NAT-PMP where
// no IGD answers. The router is asked on a thread of its own, so a host
// listens and shows itself at once; the whole attempt ends within five
// seconds whatever the router answers, the mapping is renewed every half hour
// while the game is hosted and removed when the host ends. What the router
// answers is read within bounds of size and time (router_http.h) and checked
// (router_answers.h) before it is shown or used.
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace korvalo::net {

// The whole attempt ends within this; a mapping is leased for this long and
// renewed every half lease, so that a host that crashed leaves it no longer.
inline constexpr auto mappingAttemptLimit = std::chrono::milliseconds(4800);
inline constexpr int mappingLeaseSeconds = 3600;

struct MappingResult {
    enum class Outcome {
        Mapped,   // the router forwards address:port to the host
        NoRouter, // no router answered, by UPnP or NAT-PMP
        Refused,  // a router answered but made no mapping
        Shared,   // the router's outside address is private or shared
    };
    Outcome outcome = Outcome::NoRouter;
    std::string via;          // "UPnP" or "NAT-PMP"
    std::string address;      // the router's outside address; Shared: empty when it keeps it to itself
    int port = 0;             // the outside port
    int askedPort = 0;        // the host's own port, asked for first
    std::string address6;     // the host's IPv6 address opened by a pinhole; empty: none
    bool permanent = false;   // the router takes no lease: only removing ends it
    std::string detail;       // Refused: the router's answer, for the log
    int status = 0;           // Refused: the router's answer's code (see routerAnswerForWindow)
    int milliseconds = 0;     // how long the attempt took
};

// Whether an IPv4 address is one the internet cannot reach a router by:
// 10/8, 172.16/12, 192.168/16 (private) and 100.64/10 (a provider's shared
// NAT). Anything that is not an IPv4 address counts as reachable.
bool isSharedAddress(const std::string& address);

// What the host tells about the result, one line each: where friends join
// from and the link, or why there is no mapping and what still works.
QStringList describeMapping(const MappingResult& result, const std::string& code);

class PortMapping : public QObject {
public:
    PortMapping();
    // Removes the mapping (see remove()).
    ~PortMapping() override;

    // Starts asking the router to forward TCP port to this machine; done is
    // told the result in this object's thread, within five seconds (a router
    // that has not answered by then counts as none).
    void start(quint16 port);
    std::function<void(const MappingResult&)> done;

    // Removes the mapping and the pinhole this host made, if any. Waits for
    // an attempt under way (cut short where it can be) and for the router's
    // answer two seconds at most; a thread still asking the router then ends
    // on its own, removing what it made, and keeps nothing of this object.
    void remove();

    // Blocking: the whole attempt, as the thread runs it. Public for tests.
    struct Router;

private:
    struct Shared;
    // Runs job on a thread of its own, which removes what the router made
    // if the object has given it up by the time the job ends.
    static void run(const std::shared_ptr<Shared>& shared, std::function<void(Shared&)> job);
    void renew();
    // The attempt took too long: done is told there is no router.
    void giveUp();

    std::shared_ptr<Shared> shared_;
    QTimer renewal_;
    QTimer watchdog_;
    std::chrono::steady_clock::time_point begun_;
    quint16 askedPort_ = 0;
};

// In a program without a window (korvalo-script): SIGTERM, SIGHUP and SIGINT remove
// the mapping before the program ends by the signal as it would have.
void removeOnTerminationSignal(PortMapping& mapping);

}  // namespace korvalo::net
