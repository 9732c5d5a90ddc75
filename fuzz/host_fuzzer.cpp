// Fuzzes a real Host, the one the window and korvalo-script open, through the
// connections that reach it: the input is the byte streams of three joining
// windows and the script lines of the host's own person, each connection
// taken by the host's accepting path (Host::acceptConnection) over an
// in-memory Pipe instead of a socket, with the event loop turned after each
// piece. So greetings, codes, moves, the host's options and new games, the
// event gate and the dealing of colours all run as they do on a network.
//
// The input is pieces: a leading byte b names the stream by b % 4 (0 to 2 a
// window, 3 the host's person) and the piece's length by b / 4 + 1 (1 to 64
// bytes that follow); a length of 64 for a window hangs its connection up
// instead, and its next bytes come over a new connection. Windows 0 and 1
// come from one IPv4 address, window 2 from an IPv6 one.
//
// Besides not crashing, the host keeps its bounds: at most eight windows take
// part, its own included.
#include <QHostAddress>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "network_game.h"
#include "net/connection.h"
#include "net/host.h"
#include "net/pipe.h"
#include "net/protocol.h"

namespace {

using namespace korvalo;

const std::array<QHostAddress, 3> addresses{QHostAddress("192.0.2.7"), QHostAddress("192.0.2.7"),
                                            QHostAddress("2001:db8::7")};

void play(const std::uint8_t* data, std::size_t size)
{
    fuzz::Game game;
    net::Host host(game.path, game.form.state(), "tesuto");
    game.path.load();
    std::array<QPointer<net::Pipe>, 3> windows;
    for (std::size_t at = 0; at < size;) {
        const int stream = data[at] % 4;
        const std::size_t length = data[at] / 4 + 1u;
        ++at;
        if (stream < 3 && length == 64) {
            if (windows[stream])
                windows[stream]->hangUp();
            windows[stream] = nullptr;
        } else {
            const std::size_t piece = std::min(length, size - at);
            const std::string_view bytes(reinterpret_cast<const char*>(data) + at, piece);
            at += piece;
            if (stream == 3) {
                game.personSays(bytes);
            } else {
                if (!windows[stream]) {
                    windows[stream] = new net::Pipe;
                    host.acceptConnection(new net::Connection(windows[stream], addresses[stream]));
                }
                windows[stream]->give(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
            }
        }
        // Lines are handed out one a round.
        fuzz::turnLoop(2);
        if (host.players() < 1 || host.players() > net::maxPlayers) {
            std::fprintf(stderr, "fuzz_host: %d windows take part\n", host.players());
            std::abort();
        }
    }
    fuzz::turnLoop(64);
    host.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const korvalo::fuzz::InOwnFolder folder;
    play(data, size);
    korvalo::fuzz::settle();
    return 0;
}
