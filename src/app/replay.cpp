#include "app/replay.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <cstdio>
#include <iostream>

#include "app/main_window.h"
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

Replay::Replay(MainWindow& window, std::istream& script) : window_(window), reader_(script)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Replay::step);
}

Replay::~Replay()
{
    if (running_)
        qApp->removeEventFilter(this);
}

void Replay::start()
{
    running_ = true;
    qApp->installEventFilter(this);
    window_.answerBoxesFromScript(true, answerDelay);
    if (readAhead())
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
    }
    if (window_.ended())
        finish();
    else if (readAhead())
        timer_.start(inputGap);
}

bool Replay::readAhead()
{
    using Kind = ScriptCommand::Kind;
    std::string line;
    for (;;) {
        switch (reader_.next(&line)) {
        case ScriptReader::Result::End: finish(); return false;
        case ScriptReader::Result::Cut:
            finish(reader_.about("the recording was cut short in this line, which is not replayed: " + line));
            return false;
        case ScriptReader::Result::Line: break;
        }
        ScriptCommand command;
        std::string error;
        if (!parseScriptLine(line, &command, &error)) {
            finish(reader_.about(error));
            return false;
        }
        if (command.isInput() && quits(command)) {
            // How the recorded game was left; here the person plays on.
            std::fprintf(stderr, "korvalo: %s\n", reader_.about("the recorded game was ended here; play on").c_str());
            finish();
            return false;
        }
        if (command.isInput()) {
            next_ = command;
            return true;
        }
        if (command.kind == Kind::Answer) {
            window_.queueAnswers(command.answers);
        } else if (command.kind == Kind::State) {
            printState(std::cout, window_.form().s, window_);
        } else if (command.kind == Kind::Snapshot &&
                   !window_.surface().render().save(QString::fromStdString(command.text), "PNG")) {
            finish(reader_.about("cannot save the snapshot: " + line));
            return false;
        }
    }
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
    qApp->removeEventFilter(this);
    window_.answerBoxesFromScript(false);
    if (!problem.empty()) {
        problem_ = QString::fromStdString(problem);
        std::fprintf(stderr, "korvalo: %s\n", problem.c_str());
        if (!window_.ended())
            QMessageBox::warning(&window_, QStringLiteral("Korvalo"),
                                 QStringLiteral("再生はここで止まりました。この局面から続けられます。\n\n") + problem_);
    }
}

bool Replay::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
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
        return true;
    default: return QObject::eventFilter(watched, event);
    }
}

}  // namespace korvalo
