#pragma once
// The window's part in a network game: it hosts (accepting others, showing
// where they can join and with which code, announcing the game on the local
// network) or joins one (found on the local network when no host is named,
// asking for a missing code), and keeps the window's title saying which
// colour it plays.
#include <QObject>
#include <QString>
#include <memory>
#include <string>

namespace korvalo {

class Announcement;
class MainWindow;
namespace net {
class Host;
class Join;
}  // namespace net

struct NetworkOptions {
    enum class Role { None, Host, Join };
    Role role = Role::None;
    std::string host;  // Join: HOST[:PORT]; empty: look on the local network
    int port = 0;      // Host: 0 for the usual port
    std::string code;  // empty: Host makes one, Join asks for it
    int seat = 0;      // Join: the colour asked for; 0: any
};

class NetworkPlay : public QObject {
public:
    explicit NetworkPlay(MainWindow& window);
    ~NetworkPlay() override;

    // Starts hosting or joining once the game is loaded. False with a
    // message for the person when that cannot be (a wrong code, a full game,
    // a different version, a host that cannot be reached or found).
    bool start(const NetworkOptions& options, QString* error);
    // Ends the window's part: a host tells every joined window.
    void stop();

private:
    bool host(const NetworkOptions& options, QString* error);
    bool join(const NetworkOptions& options, QString* error);
    void showTitle();
    void tell(const QString& message);

    MainWindow& window_;
    std::unique_ptr<net::Host> host_;
    std::unique_ptr<net::Join> join_;
    std::unique_ptr<Announcement> announcement_;
};

}  // namespace korvalo
