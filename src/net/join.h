#pragma once
// A window that joins a network game: it shows the host's game, running every
// input the host sends in the same order, and sends the host the presses of
// its person on the board when the colour to move is the one it plays. Its
// options stay its own; the commands that change the game for everyone are
// the host's, and do nothing here.
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <string>

class QTimer;

#include "input/input_path.h"
#include "input/input_policy.h"
#include "rules/game_state.h"
#include "script/session_listener.h"

namespace korvalo::net {

class Connection;

// How long a window tries to join before it gives up: to reach the host and
// be welcomed. A host reached that says nothing at all is given up sooner,
// once silent for silenceMilliseconds (protocol.h).
inline constexpr int joinMilliseconds = 10000;

class Join : public QObject, public InputPolicy, public InputSource {
public:
    Join(InputPath& path, const GameState& state);
    ~Join() override;

    // The seat that asks only to watch.
    static constexpr int watchOnly = -1;

    // Connects to host:port and greets it with the code, asking for seat (0:
    // any, watchOnly: none) without waiting: joined is told once, from the
    // event loop, with an empty error once the host has welcomed this window,
    // or with the step that failed (the host could not be reached, refused,
    // or did not answer the greeting) when it did not come to that within
    // timeout milliseconds.
    void start(const QString& host, quint16 port, const std::string& code, int seat, int timeout);
    // The same over a connection that stands already (over a Pipe, say),
    // which the join takes; the host is named by its address.
    void start(Connection* connection, const std::string& code, int seat, int timeout);
    std::function<void(const QString& error)> joined;
    // The error joined was last told, in the words a window shows (Japanese).
    const QString& errorForWindow() const { return errorForWindow_; }
    // The same, waiting for the outcome: false with the reason.
    bool connectTo(const QString& host, quint16 port, const std::string& code, int seat, int timeout,
                   QString* error);

    // The colour this window plays; 0 while it watches.
    int seat() const { return seat_; }
    int players() const { return players_; }
    bool connected() const;
    // Whether the inputs sent before joining have all been run; until then
    // the game runs them without its pauses.
    bool caughtUp() const { return caughtUp_; }
    // Whether the host sent what no host sends, which ended the game with it.
    bool hostBroke() const { return hostBroke_; }
    // Moves this window sent that the host has not sent back yet.
    int movesUnanswered() const { return unanswered_; }

    // Tells listener (null: none; it must outlive the join) when the window
    // of a colour has left (the host plays it now), when the seat or the
    // players change, and when the host has ended.
    void tell(SessionListener* listener) { listener_ = listener; }
    // Told of each square the host's computer played at its level, to keep while
    // fewer than most wait to be played; false when it was not kept.
    std::function<bool(int column, int row, std::size_t most)> computerSquare;
    // Whether the host's computer colours play at a level whose squares it
    // sends (any but the standard one), so that this window plays them
    // instead of choosing.
    bool hostSearches() const { return hostSearches_; }

    // Leaves the game.
    void leave();

    // Runs the event loop until done() or the connection closes, at most
    // timeout milliseconds; false when it did not come to that.
    bool waitUntil(const std::function<bool()>& done, int timeout);

    // ---- InputPolicy
    bool take(InputSource& from, const Input& input) override;
    bool admit(InputSource& from, const Input& input) override;
    void answered(Buttons buttons, Answer answer) override;
    bool answersQuestions() const override { return connected(); }
    bool catchingUp() const override { return welcomed_ && !caughtUp_; }

    // What a host may have waiting here: inputs in the gate (far more than a
    // whole game's catching up), and the computer's squares only as many as
    // computer moves may come of the position and the inputs waiting. Beyond
    // them the host has sent what no host sends.
    static constexpr std::size_t maxInputsWaiting = 65536;

private:
    void begin(Connection* connection, const QString& host, quint16 port, const std::string& code, int seat,
               int timeout);
    bool keepsSquare(int column, int row);
    void hear(const std::string& line);
    void send(const Input& input);
    // Tells joined the outcome: error for the log, forWindow for a person.
    void settle(const QString& error, const QString& forWindow = QString());

    InputPath& path_;
    SessionListener* listener_ = nullptr;
    const GameState& state_;
    Connection* connection_ = nullptr;
    int seat_ = 0;
    int players_ = 0;
    bool welcomed_ = false;
    bool reached_ = false;  // the connection to the host stands
    bool settled_ = false;  // joined has been told
    QTimer* limit_ = nullptr;
    bool caughtUp_ = false;
    bool catchingUp_ = false;      // between welcome and caught-up
    std::size_t catchUpCost_ = 0;  // what came meanwhile, each line its bytes and lineCost
    int unanswered_ = 0;
    bool pressSent_ = false;  // the person's last press went to the host
    bool hostBroke_ = false;
    bool hostSearches_ = false;
    QString refusal_;
    QString refusalForWindow_;
    QString errorForWindow_;
};

}  // namespace korvalo::net
