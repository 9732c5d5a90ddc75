#pragma once
// korvalo-script's network role: a headless host (with the router asked to
// forward its port when told) or a headless window that joins a host. The
// script itself waits for turns, players and the end through the host or
// join it reaches here.
#include <memory>

#include "net/game_setup.h"
#include "net/join.h"
#include "session/session.h"

namespace korvalo {

// How long a headless peer waits for its turn, for players or for the end.
inline constexpr int headlessWaitLimit = 10 * 60 * 1000;

class HeadlessPeer : public NetworkRole {
public:
    // The session and listener must outlive the peer.
    HeadlessPeer(Session& session, SessionListener& listener) : session_(session), listener_(listener) {}

    // Hosts (listening, the router asked when the options say) or joins and
    // catches up with the host's game; false with the reason otherwise.
    bool start(const SessionOptions& options, QString* error) override;
    // A joined window leaves; a host waits until every joined window has
    // left, then ends.
    void stop() override;

    net::Host* host() { return hosted_ ? &hosted_->host() : nullptr; }
    net::Join* join() { return join_.get(); }

private:
    Session& session_;
    SessionListener& listener_;
    std::unique_ptr<net::HostedGame> hosted_;
    std::unique_ptr<net::Join> join_;
};

}  // namespace korvalo
