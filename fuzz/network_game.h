#pragma once
// What the host and join targets play on: the game as korvalo-script makes
// it (Form1 on the recording platform, its input path), a person of the
// window giving script lines, the one QCoreApplication, and the event loop
// turned without waiting. Message boxes are answered once the event loop has
// turned a little (so the gate keeps what comes meanwhile), from what the
// path holds, never by waiting for the network; no clock is waited for, so
// the deadlines of the host and the join (greeting, silence, join time) are
// not reached by the targets.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

#include "flow/form1.h"
#include "input/input_path.h"
#include "input/window_events.h"
#include "platform/recording/recording_platform.h"
#include "script/script_language.h"

namespace korvalo::fuzz {

// Qt, made once, and a working folder of the targets' own, where the game
// writes its settings file: an input is played in it and the target changes
// back before returning, so libFuzzer's paths given relative still hold.
class InOwnFolder {
public:
    InOwnFolder()
    {
        static int argc = 1;
        static char name[] = "fuzz_network";
        static char* argv[] = {name, nullptr};
        static QCoreApplication* app = new QCoreApplication(argc, argv);
        static QTemporaryDir* folder = new QTemporaryDir;
        (void)app;
        back_ = ::open(".", O_RDONLY | O_DIRECTORY);
        if (back_ < 0 || !folder->isValid() || ::chdir(folder->path().toLocal8Bit().constData()) != 0)
            std::abort();
    }
    ~InOwnFolder()
    {
        if (::fchdir(back_) != 0)
            std::abort();
        ::close(back_);
    }

private:
    int back_ = -1;
};

// Handles what the event loop has, rounds times, without waiting.
inline void turnLoop(int rounds = 1)
{
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}

// Ends what deleteLater left and what was posted for objects gone.
inline void settle()
{
    turnLoop(4);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct Game : InputSource {
    RecordingPlatform ui;
    Form1 form{ui, nullptr};
    FormEvents events{form};
    InputPath path{events};
    std::string personLines;  // what the person said not yet a whole line

    Game()
    {
        ui.keepLines = false;
        ui.answerBox = [this](Buttons buttons) {
            // While a box is open the network goes on: what has come by then
            // is read, and the gate keeps the inputs for after the box.
            turnLoop(4);
            const Answer answer = path.answerFor(buttons).value_or(buttons == Buttons::YesNo ? Answer::Yes : Answer::OK);
            path.answered(buttons, answer);
            return answer;
        };
        ui.onEnd = [this] { path.end(); };
        form.computer().tellChosenSquares([this](int column, int row) { path.computerChose(column, row); });
    }
    // The window's person: each whole script line of bytes that is an input
    // or answers goes in, the rest is left aside.
    void personSays(std::string_view bytes)
    {
        personLines.append(bytes);
        for (std::size_t end; (end = personLines.find('\n')) != std::string::npos;) {
            const std::string line = personLines.substr(0, end);
            personLines.erase(0, end + 1);
            ScriptCommand command;
            std::string error;
            if (ui.ended || !parseScriptLine(line, &command, &error))
                continue;
            if (command.kind == ScriptCommand::Kind::Input)
                path.give(*this, command.input);
            else if (command.kind == ScriptCommand::Kind::Answer)
                path.queueAnswers(*this, command.answers);
        }
        // A line never ends: the person's memory stays bounded.
        if (personLines.size() > 4096)
            personLines.clear();
    }
};

}  // namespace korvalo::fuzz
