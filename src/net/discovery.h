#pragma once
// Games on the local network, through the desktop's Avahi daemon on the
// system bus (DNS-SD, service type _korvalo._tcp). A host announces its game
// while it lives; a joining player looks for the games announced. Both need
// a QCoreApplication, and both run a local event loop while they wait for
// the daemon, never longer than their bound; each call to the daemon is
// bounded too (two seconds), for a daemon that hangs.
#include <QList>
#include <QString>
#include <QtGlobal>
#include <chrono>
#include <memory>

namespace korvalo {

// The DNS-SD service type of a hosted game.
inline constexpr const char* kServiceType = "_korvalo._tcp";

// A game announced on the local network.
struct FoundGame {
    QString name;     // the service's name, as the host announced it but for
                      // control and format characters
    QString host;     // the host's address, numeric, as Avahi resolved it
    quint16 port = 0;
    QString version;  // from the TXT record "version=..."
};

class AnnouncedGroup;

// Announces a hosted game while it lives: service type _korvalo._tcp on
// port, TXT "version=VERSION". When the name is taken, on this machine or by
// another host on the network, the game goes on under Avahi's next
// alternative ("Name #2", ...), now or later; name() tells the one in use.
class Announcement {
public:
    Announcement();
    ~Announcement();  // withdraws it
    Announcement(const Announcement&) = delete;
    Announcement& operator=(const Announcement&) = delete;

    // False with the reason (no system bus, no Avahi daemon, a name conflict
    // not resolved) when nothing is announced; the game goes on without it.
    // A name longer than DNS-SD allows (63 bytes) is cut to fit. Publishing
    // again first withdraws what was announced.
    bool publish(const QString& name, quint16 port, const QString& version, QString* error);
    void withdraw();
    // The name announced, empty when nothing is.
    QString name() const;

private:
    std::unique_ptr<AnnouncedGroup> group_;
};

// Looks for announced games for up to `wait` (bounded), resolving each; runs
// a local event loop meanwhile. Returns sooner once Avahi has told all it
// knows and every game found is resolved. Each game is listed once by name
// and the machine that announced it, with an IPv4 address when it has one,
// at most 256 games; names come without control and format characters. An
// empty list with the reason in *error when Avahi cannot be asked (and in
// *forWindow, when given, in the words a window shows).
QList<FoundGame> findGames(std::chrono::milliseconds wait, QString* error, QString* forWindow = nullptr);

}  // namespace korvalo
