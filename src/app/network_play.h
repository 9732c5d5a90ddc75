#pragma once
// The window's part in a network game, in the network module: it hosts (accepting others, showing
// where they can join and with which code, announcing the game on the local
// network) or joins one (found on the local network when no host is named,
// asking for a missing code), and keeps the window's title saying which
// colour it plays.
#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "app/network_role.h"

namespace korvalo {

class Announcement;
class MainWindow;
namespace net {
class Host;
class Join;
class PortMapping;
struct MappingResult;
}  // namespace net

class NetworkPlay : public QObject, public NetworkRole {
public:
    explicit NetworkPlay(MainWindow& window);
    ~NetworkPlay() override;

    bool start(const NetworkOptions& options, QString* error) override;
    void stop() override;

private:
    bool host(const NetworkOptions& options, QString* error);
    bool join(const NetworkOptions& options, QString* error);
    void mapPort();
    void showMapping(const net::MappingResult& result);
    void showTitle();
    void tell(const QString& message);

    MainWindow& window_;
    std::unique_ptr<net::Host> host_;
    std::unique_ptr<net::Join> join_;
    std::unique_ptr<Announcement> announcement_;
    std::unique_ptr<net::PortMapping> mapping_;
};

}  // namespace korvalo
