#pragma once
// The window's part in a network game, its session's NetworkRole. The network
// code lives in a module of its own, korvalo_network.so beside the program,
// loaded only when a network game is asked for: a game at one window does
// not load the network libraries at all.
#include <QString>
#include <memory>
#include <string>

#include "script/join_link.h"
#include "script/session_options.h"
#include "session/session.h"

namespace korvalo {

class MainWindow;

// What is wrong with a join link, in words for the person.
QString joinLinkProblemText(JoinLinkProblem problem);

// Loads the network module from the program's folder and makes the window's
// part; null with the reason when the module cannot be loaded.
std::unique_ptr<NetworkRole> loadNetworkRole(MainWindow& window, QString* error);

}  // namespace korvalo

// The module's one entry point, looked up by name.
extern "C" korvalo::NetworkRole* korvalo_network_role(korvalo::MainWindow& window);
