// Fuzzes a real Join, the one a window or korvalo-script joins a game with,
// against a host that says arbitrary bytes: the join starts over an
// in-memory Pipe instead of a socket (Join::start with a connection), greets,
// and reads what comes, with the event loop turned after each piece. So the
// welcome or refusal, the catch-up, the host's inputs, answers, seats,
// players, squares of its computer and its end all run as on a network, and
// the joined window's person clicks between them.
//
// The first byte is the seat asked for (any, a colour, or to watch) and
// whether the host's computer squares are played. Then pieces: a leading
// byte b below 0xC0 gives (b % 64) + 1 bytes that follow to the join; 0xC0
// to 0xFE is a click of the person, on the square ((b & 7) + 1,
// ((b >> 3) & 7) + 1); 0xFF hangs the host up.
//
// Besides not crashing, the join keeps its bounds: what waits in the event
// gate never passes what a host may have waiting here.
#include <QHostAddress>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "net/connection.h"
#include "net/join.h"
#include "net/pipe.h"
#include "network_game.h"

namespace {

using namespace korvalo;

void play(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return;
    fuzz::Game game;
    net::Join join(game.path, game.form.state());
    game.path.load();
    if (data[0] & 8)
        join.computerSquare = [&game](int column, int row, std::size_t most) {
            if (game.form.computer().carriedCount() >= most)
                return false;
            game.form.computer().carry(column, row);
            return true;
        };
    const int seats[] = {0, 1, 2, 3, 4, net::Join::watchOnly, 0, 0};
    auto* host = new net::Pipe;
    join.start(new net::Connection(host, QHostAddress("192.0.2.1")), "tesuto", seats[data[0] % 8], 10000);
    QPointer<net::Pipe> hostEnd = host;
    fuzz::turnLoop(2);
    for (std::size_t at = 1; at < size;) {
        const std::uint8_t b = data[at++];
        if (b == 0xFF) {
            if (hostEnd)
                hostEnd->hangUp();
        } else if (b >= 0xC0) {
            game.personSays("click " + std::to_string((b & 7) + 1) + " " + std::to_string(((b >> 3) & 7) + 1) + "\n");
        } else {
            const std::size_t piece = std::min<std::size_t>(b % 64 + 1u, size - at);
            if (hostEnd)
                hostEnd->give(QByteArray(reinterpret_cast<const char*>(data) + at, static_cast<qsizetype>(piece)));
            at += piece;
        }
        fuzz::turnLoop(2);
        if (game.path.inputsWaiting() > net::Join::maxInputsWaiting + 1) {
            std::fprintf(stderr, "fuzz_join: %zu inputs wait\n", game.path.inputsWaiting());
            std::abort();
        }
    }
    fuzz::turnLoop(64);
    join.leave();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const korvalo::fuzz::InOwnFolder folder;
    play(data, size);
    korvalo::fuzz::settle();
    return 0;
}
