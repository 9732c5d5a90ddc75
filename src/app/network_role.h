#pragma once
// The window's part in a network game, as the program sees it. The network
// code lives in a module of its own, korvalo_network.so beside the program,
// loaded only when a network game is asked for: a game at one window does
// not load the network libraries at all.
#include <QString>
#include <memory>
#include <string>

#include "script/join_link.h"
#include "script/session_options.h"

namespace korvalo {

class MainWindow;


class NetworkRole {
public:
    virtual ~NetworkRole() = default;
    // Starts hosting or joining once the game is loaded. False with a
    // message for the person when that cannot be (a wrong code, a full game,
    // a different version, a host that cannot be reached or found).
    virtual bool start(const SessionOptions& options, QString* error) = 0;
    // Ends the window's part: a host tells every joined window.
    virtual void stop() = 0;
};

// What is wrong with a join link, in words for the person.
QString joinLinkProblemText(JoinLinkProblem problem);

// Loads the network module from the program's folder and makes the window's
// part; null with the reason when the module cannot be loaded.
std::unique_ptr<NetworkRole> loadNetworkRole(MainWindow& window, QString* error);

}  // namespace korvalo

// The module's one entry point, looked up by name.
extern "C" korvalo::NetworkRole* korvalo_network_role(korvalo::MainWindow& window);
