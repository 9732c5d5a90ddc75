#include "input/input_path.h"

#include <QString>

#include "input/game_record.h"
#include "input/trace.h"
#include "input/window_events.h"

namespace korvalo {

InputPath::InputPath(WindowEvents& game) : game_(game) {}

void InputPath::load()
{
    if (loaded_)
        return;
    loaded_ = true;
    gate_.run([this] { game_.load(); });
}

void InputPath::give(InputSource& from, const Input& input)
{
    if (heldByAnother(from) && !input.leaves())
        return;
    if (holder_ == &from && from.handsOverWhereLeft() && input.leaves()) {
        handOver();
        return;
    }
    if (policy_ && !policy_->take(from, input))
        return;
    if (input.kind == Input::Kind::Click) {
        Input half = input;
        half.kind = Input::Kind::Press;
        run(from, half);
        if (!ended()) {
            half.kind = Input::Kind::Release;
            run(from, half);
        }
        return;
    }
    run(from, input);
}

void InputPath::run(InputSource& from, const Input& input)
{
    using Kind = Input::Kind;
    if (input.kind == Kind::Close) {
        // The unload handler decides; it ends the program when it agrees. A
        // close asked for while a handler runs is handled once, after it.
        if (ended() || closeQueued_)
            return;
        closeQueued_ = true;
    } else {
        // The trace tells a driving script when the window takes input again.
        switch (input.kind) {
        case Kind::Press: trace::event("press"); break;
        case Kind::Release: trace::event("release"); break;
        case Kind::Menu: trace::event("command", input.item.c_str()); break;
        default: trace::event("key"); break;
        }
    }
    gate_.run([this, &from, input] {
        if (policy_ && !policy_->admit(from, input)) {
            if (input.kind == Kind::Close)
                closeQueued_ = false;
            return;
        }
        if (record_)
            record_->begin();
        switch (input.kind) {
        case Kind::Menu: game_.command(QString::fromStdString(input.item)); break;
        case Kind::Press: game_.mouseDown(input.button, input.shift, input.x, input.y); break;
        case Kind::Release: game_.mouseUp(input.button, input.shift, input.x, input.y); break;
        case Kind::Key: game_.keyPress(input.code); break;
        case Kind::Close:
            closeQueued_ = false;
            game_.unload();
            break;
        case Kind::Click: break;
        }
        if (record_)
            record_->handled(inputLine(input));
    });
    if (busy())
        return;
    QString why;
    if (record_ && !ended() && recordFailed && record_->takeFailure(&why))
        recordFailed(why.toStdString());
    if (input.kind != Kind::Close)
        trace::event("idle");
}

void InputPath::hold(InputSource& source)
{
    holder_ = &source;
    answers_.clear();
    if (holderChanged)
        holderChanged();
}

void InputPath::handBack(InputSource& source)
{
    if (holder_ != &source)
        return;
    holder_ = nullptr;
    answers_.clear();
    if (holderChanged)
        holderChanged();
}

void InputPath::handOver()
{
    InputSource* left = holder_;
    handBack(*left);
    left->handedOver();
}

bool InputPath::queueAnswers(InputSource& from, const std::vector<Answer>& answers)
{
    if (heldByAnother(from))
        return true;
    if (answers_.size() + answers.size() > maxQueuedAnswers)
        return false;
    answers_.insert(answers_.end(), answers.begin(), answers.end());
    return true;
}

std::optional<Answer> InputPath::answerFor(Buttons buttons)
{
    if (!holder_ && answers_.empty())
        return std::nullopt;
    const Answer answer = takeQueuedAnswer(answers_, buttons);
    if (buttons == Buttons::YesNo && answer == Answer::No && holder_ && holder_->handsOverWhereLeft()) {
        handOver();
        return std::nullopt;
    }
    return answer;
}

void InputPath::answered(Buttons buttons, Answer answer)
{
    if (policy_)
        policy_->answered(buttons, answer);
    if (record_)
        record_->answered(answer);
}

void InputPath::computerChose(int column, int row)
{
    if (policy_)
        policy_->computerChose(column, row);
    if (record_)
        record_->computerChose(column, row);
}

bool InputPath::answerOpenBox(InputSource& from, Answer answer)
{
    if (heldByAnother(from) || !openBox)
        return false;
    openBox(answer);
    return true;
}

}  // namespace korvalo
