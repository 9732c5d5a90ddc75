#pragma once
// The window that hosts a network game: it accepts other windows on a TCP
// port, deals them the colours persons play, and orders every input of the
// game. Its own inputs and the moves of joined windows (once checked: the
// colour is theirs and it is their turn, when its own event gate runs them)
// are sent to every window, which runs them in the same order, so every
// window plays the same game. The host's option commands stay its own.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "computer/levels.h"
#include "input/input_path.h"
#include "input/input_policy.h"
#include "net/host_limits.h"
#include "net/join_code.h"
#include "net/protocol.h"
#include "rules/game_state.h"
#include "script/session_listener.h"

namespace korvalo::net {

class Connection;

class Host : public QObject, public InputPolicy {
public:
    // The path and state of the host's game; both must outlive the host. An
    // empty code stands for a random one (randomCode), for the window and
    // korvalo-script alike.
    Host(InputPath& path, const GameState& state, std::string code);
    ~Host() override;

    // Listens on port (IPv4 and IPv6); false with the reason (in forWindow,
    // when given, in the words a window shows).
    bool listen(quint16 port, QString* error, QString* forWindow = nullptr);
    quint16 port() const;
    const std::string& code() const { return code_; }
    // The addresses others can join, one "address:port" each.
    QStringList addresses() const;
    // Windows taking part, the host's included.
    int players() const;
    // The colour the host's window plays; 0 when it plays none.
    int seat() const { return hostSeat_; }
    // The code's strength in bits: a generated code's, or the estimate of a
    // code given (estimatedCodeBits); under weakCodeBits it is weak, and the
    // program says so.
    double codeBits() const;
    bool weakCode() const { return codeBits() < weakCodeBits; }
    // What the inputs of joined windows waiting in the event gate cost, in all
    // (each its line and lineCost).
    std::size_t queuedCost() const;

    // Tells listener (null: none; it must outlive the host) when the window
    // of a colour has left, which the host plays now, and when the colours
    // are dealt again or a window joined or left.
    void tell(SessionListener* listener) { listener_ = listener; }

    // Takes a connection that reached the host, as the listening socket
    // hands over each of its own; one that stands without a socket (over a
    // Pipe) is taken the same way.
    void acceptConnection(Connection* connection);

    // Tells every window the host ends; when the game was left by No to the
    // question, they keep the question open for their own persons.
    void end();

    // ---- InputPolicy
    bool take(InputSource& from, const Input& input) override;
    bool admit(InputSource& from, const Input& input) override;
    void answered(Buttons buttons, Answer answer) override;
    void computerChose(int column, int row) override;

    // The level the computer colours play at here (computer/levels.h): for
    // any but the standard one the joined windows are told it when they
    // join, and then wait for the squares sent instead of choosing.
    int computerLevel = standardLevel;

private:
    using Clock = std::chrono::steady_clock;
    struct Peer : InputSource {
        Connection* connection = nullptr;  // null once it has left
        int asked = 0;                     // the colour asked for; 0: any
        bool watching = false;             // it asked only to watch
        int seat = 0;                      // the colour dealt; 0: watching
        bool greeted = false;              // welcomed
        std::optional<message::Hello> hello;  // its greeting, until its code is checked
        std::uint64_t greetedAs = 0;       // the greeting's number, in the order they came
        bool pressed = false;              // its last press went in
        Clock::time_point came;            // when it connected
        std::string address;               // its address (IPv6: its /64)
        std::size_t waiting = 0;           // what its inputs in the event gate cost
        int chargedTo = 0;                 // the colour they are counted for (0: watching)
        std::array<int, 3> turn{-1, -1, -1};  // the turn its inputs were counted in
        int spent = 0;                     // its inputs that cannot be a move, in that turn
        bool pressMayMove = false;         // its last press taken may be a move
        bool pressedMove = false;          // its last press run may have been a move
    };
    // Refused greetings from one address not yet said in the log.
    struct Refusals {
        Clock::time_point said;
        int unsaid = 0;
    };

    void accept();
    // Closes connections waiting for their welcome beyond the limits (those
    // that sent nothing first, the newcomer last), and those that did not
    // greet in time.
    void makeRoom(const std::string& address);
    void closeLate();
    void logRefusal(const std::string& address, const std::string& why);
    // Forgets the windows that left or never greeted once nothing of theirs
    // waits in the event gate.
    void forgetLater();
    // Checks the greetings waiting as far as the rate of checks allows, each
    // address in turn, and comes back for the rest when the next may go.
    void checkGreetings();
    // The greeting's code, then its version and what it asks for.
    void check(Peer& peer, const message::Hello& hello);
    // Starts counting the peer's inputs anew when the game has moved on.
    void countTurn(Peer& peer);
    // Whether the peer's input may be a move, which no count of its inputs
    // holds back: a press of the colour to move on a square it may play, or
    // anywhere on the board when it has none (which passes).
    bool mayMove(const Peer& peer, const Input& input);
    void hear(Peer& peer, const std::string& line);
    // hello is null for a first line that is no greeting; a greeting waits
    // for its check.
    void greet(Peer& peer, const message::Hello* hello);
    void leave(Peer& peer, const std::string& why);
    void deal();
    void broadcast(const std::string& line);
    void broadcast(const Message& message);
    bool isRemote(const InputSource& from) const;
    int seatOf(const InputSource& from) const;

    InputPath& path_;
    const GameState& state_;
    SessionListener* listener_ = nullptr;
    std::string code_;
    QTcpServer server_;
    // The windows connected, in the order they came; one that has left is
    // kept while an input of its own waits in the event gate.
    std::deque<std::unique_ptr<Peer>> peers_;
    QTimer late_;
    bool forgetting_ = false;
    bool generated_ = false;  // the code is randomCode's
    // Checks that may go now, refilled at maxChecksPerSecond up to a second's
    // worth, and when they were last counted.
    double checks_ = limits::maxChecksPerSecond;
    Clock::time_point checksCounted_ = Clock::now();
    QTimer nextCheck_;
    std::uint64_t greetings_ = 0;
    // The turn each address was last checked in (or, new, the turn it came
    // in), so that each address with greetings waiting has its turn in a
    // round, and a flood from new addresses does not go before those waiting.
    std::map<std::string, std::uint64_t> checkedIn_;
    std::uint64_t checkTurns_ = 0;
    // What the joined windows' inputs waiting in the event gate cost, by the
    // colour they are counted for (0: windows that watch).
    std::array<std::size_t, 5> queued_{};
    std::map<std::string, Refusals> refusals_;
    int hostSeat_ = 0;
    bool localPressed_ = false;  // the last press given here went in
    bool answeredNo_ = false;    // the last question was answered No
    GameState scratch_;          // the board's copy the legality of a press is tried on
    std::array<int, 5> lastKinds_{};
    // Remembers a line sent, for windows that join later.
    void remember(const std::string& line);

    // The lines sent since the game was last at its no-game state with
    // nothing recorded (a new game after Yes, or 最初): what a window that
    // joins later catches up with. Nothing before that can show in the game
    // any more, so the lines of games past are dropped and the host's memory
    // stays flat over any number of games.
    std::vector<std::string> history_;
    std::size_t historyCost_ = 0;  // each line its bytes and lineCost
    // The lines since then cost more than maxCatchUp, more than a joining
    // window takes: it may join once a new game starts.
    bool historyTooLong_ = false;
};

}  // namespace korvalo::net
