#pragma once
// The one way into the game: every input, from whichever source, runs through
// the event gate one at a time, is traced, and is written to the record once
// the game has handled it, after the answers its message boxes were given.
// A source may hold the game (a replay does): meanwhile the inputs of the
// others are ignored, except those that leave the game (Esc, close, 終了),
// and the message boxes take the answers the holder brings.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "input/event_gate.h"
#include "input/input.h"
#include "input/input_policy.h"
#include "input/input_source.h"
#include "platform/platform.h"

namespace korvalo {

class GameRecord;
class WindowEvents;

class InputPath {
public:
    // game receives the inputs; it must outlive the path.
    explicit InputPath(WindowEvents& game);

    // Runs the load event once.
    void load();

    // Gives an input to the game, or queues it behind the running handler. A
    // click is given as its press and, unless that ended the program, its
    // release.
    void give(InputSource& from, const Input& input);

    // While a source holds the game, it alone gives inputs and answers.
    void hold(InputSource& source);
    void handBack(InputSource& source);
    bool heldByAnother(const InputSource& source) const { return holder_ && holder_ != &source; }
    // Told whenever a source takes or hands back the game.
    std::function<void()> holderChanged;

    // Answers the holder brings for the next message boxes, or any source
    // while none holds the game. False, queuing nothing, when more than
    // maxQueuedAnswers would wait.
    bool queueAnswers(InputSource& from, const std::vector<Answer>& answers);
    // The answer a message box with these buttons takes from the answers
    // queued (takeQueuedAnswer); none when the person answers it: when no
    // source holds the game and none are queued, or at a No to a question
    // from a holder that hands over where it leaves the game.
    std::optional<Answer> answerFor(Buttons buttons);
    std::size_t answersWaiting() const { return answers_.size(); }
    // Inputs queued in the gate behind the handler that runs.
    std::size_t inputsWaiting() const { return gate_.waiting(); }
    // Notes the answer a box was given, whoever gave it, for the record.
    void answered(Buttons buttons, Answer answer);
    // Notes a square a strong computer played, for the record and the policy.
    void computerChose(int column, int row);

    // Decides about each input of a game played from several windows (null:
    // every input runs here); it must outlive its use.
    void follow(InputPolicy* policy) { policy_ = policy; }

    // A box on the screen may be answered by a source at any time while it is
    // open (answerOpenBox); the platform sets this while its box is open.
    std::function<void(Answer)> openBox;
    // False when no box is open to take it.
    bool answerOpenBox(InputSource& from, Answer answer);
    // Whether questions are answered at another window (the policy says).
    bool questionsAnsweredElsewhere() const { return policy_ && policy_->answersQuestions(); }
    // Whether the game is catching up (the policy says): no pauses, and boxes
    // with only OK close at once.
    bool catchingUp() const { return policy_ && policy_->catchingUp(); }
    // Runs then once every input given so far has been handled.
    void afterQueued(std::function<void()> then) { gate_.run(std::move(then)); }
    // Lets the person answer the box that is open after all; the platform
    // sets what that takes while its box is open.
    std::function<void()> personMayAnswer;
    void letPersonAnswer()
    {
        if (personMayAnswer)
            personMayAnswer();
    }

    // Writes every input handled from now on into record (null: none); it
    // must outlive the path. recordFailed is told once, when no handler runs,
    // should the record no longer be written.
    void recordInto(GameRecord* record) { record_ = record; }
    std::function<void(const std::string& why)> recordFailed;

    void end() { gate_.end(); }
    bool ended() const { return gate_.ended(); }
    bool busy() const { return gate_.busy(); }

    // Answers a script may have waiting for message boxes at one time; a
    // script that queues more is refused (a real one waits for a few dozen).
    static constexpr std::size_t maxQueuedAnswers = 4096;

private:
    void run(InputSource& from, const Input& input);
    // Hands the game to the person where the holder left it.
    void handOver();

    WindowEvents& game_;
    EventGate gate_;
    InputSource* holder_ = nullptr;
    InputPolicy* policy_ = nullptr;
    std::deque<Answer> answers_;
    GameRecord* record_ = nullptr;
    bool loaded_ = false;
    bool closeQueued_ = false;
};

}  // namespace korvalo
