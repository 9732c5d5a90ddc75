#include "app/replay.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSocketNotifier>
#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "app/main_window.h"
#include "app/notice.h"
#include "flow/form1.h"

namespace korvalo {

namespace {

// Esc, closing the window and 終了 end the program whatever the game's state.
bool quits(const ScriptCommand& input)
{
    using Kind = ScriptCommand::Kind;
    return (input.kind == Kind::Key && input.code == 27) || input.kind == Kind::Close ||
           (input.kind == Kind::Menu && input.text == "EXIT");
}

}  // namespace

Replay::Replay(MainWindow& window, std::istream& script)
    : window_(window), reader_(std::make_unique<ScriptReader>(script))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Replay::step);
}

Replay::Replay(MainWindow& window, int descriptor)
    : window_(window), reader_(std::make_unique<ScriptReader>(descriptor, false)), descriptor_(descriptor)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Replay::step);
}

Replay::~Replay()
{
    if (running_)
        qApp->removeEventFilter(this);
    delete lines_;
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

void Replay::start()
{
    running_ = true;
    qApp->installEventFilter(this);
    // A recorded No to the question whether to play on is where the game was
    // left: the box stays open for the person.
    window_.answerBoxesFromScript(true, answerDelay, [this] { handOver(); });
    if (readAhead() == Ahead::Input)
        timer_.start(inputGap);
}

void Replay::step()
{
    if (!running_)
        return;
    if (next_) {
        const ScriptCommand input = *next_;
        next_.reset();
        give(input);
        if (!running_)
            return;
    }
    if (window_.ended())
        finish();
    else if (readAhead() == Ahead::Input)
        timer_.start(inputGap);
}

void Replay::awaitLines()
{
    if (!lines_) {
        lines_ = new QSocketNotifier(reader_->descriptor(), QSocketNotifier::Read);
        connect(lines_, &QSocketNotifier::activated, this, [this] {
            lines_->setEnabled(false);
            if (running_ && !window_.ended() && readAhead() == Ahead::Input)
                timer_.start(inputGap);
        });
    }
    lines_->setEnabled(true);
}

Replay::Ahead Replay::readAhead()
{
    using Kind = ScriptCommand::Kind;
    using Result = ScriptReader::Result;
    std::string line;
    for (;;) {
        switch (reader_->next(&line)) {
        case Result::Line: break;
        case Result::Wait: awaitLines(); return Ahead::Waiting;
        case Result::End: finish(); return Ahead::Stopped;
        case Result::Cut:
        case Result::TooLong:
        case Result::Failed: finish(reader_->problem()); return Ahead::Stopped;
        }
        ScriptCommand command;
        std::string error;
        if (!parseScriptLine(line, &command, &error)) {
            finish(reader_->about(error));
            return Ahead::Stopped;
        }
        if (command.isInput() && quits(command)) {
            handOver();
            return Ahead::Stopped;
        }
        if (command.isInput()) {
            next_ = command;
            return Ahead::Input;
        }
        if (command.kind == Kind::Answer) {
            if (!window_.queueAnswers(command.answers)) {
                finish(reader_->about("more than " + std::to_string(maxQueuedAnswers) +
                                      " answers wait for message boxes"));
                return Ahead::Stopped;
            }
        } else if (command.kind == Kind::State) {
            printState(std::cout, window_.form().s, window_);
        } else if (command.kind == Kind::Snapshot) {
            // A replayed file only plays: it may come from someone else.
            finish(reader_->about("a replay does not write files: " + quotedLine(line)));
            return Ahead::Stopped;
        }
    }
}

void Replay::handOver()
{
    if (!running_)
        return;
    std::fprintf(stderr, "korvalo: %s\n", reader_->about("the recorded game was ended here; play on").c_str());
    finish();
}

void Replay::give(const ScriptCommand& input)
{
    using Kind = ScriptCommand::Kind;
    switch (input.kind) {
    case Kind::Menu: window_.menuInput(QString::fromStdString(input.text)); break;
    case Kind::Press: window_.mouseInput(true, input.button, input.x, input.y); break;
    case Kind::Release: window_.mouseInput(false, input.button, input.x, input.y); break;
    case Kind::Click:
        window_.mouseInput(true, 1, input.x, input.y);
        if (!window_.ended())
            window_.mouseInput(false, 1, input.x, input.y);
        break;
    case Kind::Key: window_.keyInput(input.code); break;
    case Kind::Close: window_.closeInput(); break;
    default: break;
    }
}

void Replay::finish(const std::string& problem)
{
    if (!running_)
        return;
    running_ = false;
    timer_.stop();
    if (lines_)
        lines_->setEnabled(false);
    qApp->removeEventFilter(this);
    window_.answerBoxesFromScript(false);
    if (!problem.empty()) {
        problem_ = QString::fromStdString(problem);
        std::fprintf(stderr, "korvalo: %s\n", problem.c_str());
        if (!window_.ended())
            showNotice(window_, QStringLiteral("再生はここで止まりました。この局面から続けられます。\n\n") + problem_);
    }
}

bool Replay::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (belongsToNotice(watched))
            return false;
        // Esc ends the program, also while a message box is shown: the key
        // goes to the game as from the window, after the running handler.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            window_.keyInput(27);
        return true;
    }
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        // A notice of the program's own is the person's to close.
        return !belongsToNotice(watched);
    default: return QObject::eventFilter(watched, event);
    }
}

}  // namespace korvalo
