#pragma once
// The window's part in a network game, in the network module: it hosts (accepting others, showing
// where they can join and with which code, announcing the game on the local
// network) or joins one (found on the local network when no host is named,
// asking for a missing code), and keeps the window's title saying which
// colour it plays.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMessageBox;
class QProgressDialog;

#include "app/network_role.h"
#include "app/notice.h"
#include "script/session_listener.h"

namespace korvalo {

class Announcement;
class MainWindow;
namespace net {
class HostedGame;
class Join;
}  // namespace net

class NetworkPlay : public QObject, public NetworkRole, private SessionListener {
public:
    explicit NetworkPlay(MainWindow& window);
    ~NetworkPlay() override;

    bool start(const SessionOptions& options, QString* error) override;
    void stop() override;

private:
    bool host(const SessionOptions& options, QString* error);
    bool join(const SessionOptions& options, QString* error);
    void findAndJoin(const SessionOptions& options, std::string address, int port);
    void showConnecting(const QString& where);
    // Ends the program quietly: the person cancelled joining.
    void giveUp();
    // Ends the program with status 1, saying why joining failed (in the log,
    // logged when given: the window's words are Japanese, the log's may not).
    void fail(const QString& why, const QString& logged = QString());
    void endProgram(int status);
    // ---- SessionListener, for the hosted or joined game: a hosted game says
    // so in a notice and on the terminal, a window that left or a host that
    // ended in a notice, the router's answer in the hosting notice or one of
    // its own; the title follows the players.
    void hosting(const HostingNews& news) override;
    void peerLeft(int colour) override;
    void playersChanged() override { showTitle(); }
    void hostEnded(bool byNo) override;
    void routerAnswered(const RouterAnswer& answer) override;
    void logLine(const std::string& line) override;
    void showTitle();
    // Logs a message and shows it in the window's network notice.
    void tell(const QString& message);
    // Shows a message in the one network notice, now or once the notice open
    // has been read; extend adds to the box that shows it (a button). A
    // notice of good news alone has the information icon.
    void notify(const QString& message, const std::function<void(QMessageBox&)>& extend = {},
                NoticeKind kind = NoticeKind::Warning);

    MainWindow& window_;
    std::unique_ptr<net::HostedGame> hosted_;
    bool askingTheRouter_ = false;  // the hosting notice says the router is asked
    std::unique_ptr<net::Join> join_;
    std::unique_ptr<Announcement> announcement_;
    QProgressDialog* connecting_ = nullptr;  // while joining
    bool gaveUp_ = false;
    // Messages for the next notice, and whether one is open or about to be.
    static constexpr qsizetype maxUnshown = 16;
    QStringList unshown_;
    bool noticeOpen_ = false;
    bool unshownTrouble_ = false;  // a message for the next notice tells of trouble
    std::vector<std::function<void(QMessageBox&)>> extensions_;  // for the next notice
};

}  // namespace korvalo
