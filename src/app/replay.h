#pragma once
// Replays a game script in the window as if a person gave its input: at the
// game's own pace, with its message boxes shown and answered by the script.
// The replay holds the game meanwhile, so the person's input is ignored but
// for leaving the program. The script is read as its lines arrive, so a pipe
// that is slow to write never holds up the window. When the script ends,
// where the recorded game was left (Esc, close, 終了, or No to the question
// whether to play on, whose box then stays open for the person), or at a line
// that cannot be read or would touch a file (reported with its number), the
// game is handed to the person.
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <iosfwd>
#include <memory>

#include "input/input_source.h"
#include "script/script_interpreter.h"
#include "script/script_reader.h"

class QSocketNotifier;

namespace korvalo {

// Why the file at path cannot be replayed, in the words a window shows
// (Japanese; the log has the system's own words).
QString cannotReplay(const std::string& path);

class MainWindow;

class Replay : public QObject, public InputSource, private ScriptListener {
    Q_OBJECT
public:
    // Reads the script from the stream, or from the descriptor, which it
    // closes. The window and stream must outlive the replay.
    Replay(MainWindow& window, std::istream& script);
    Replay(MainWindow& window, int descriptor);
    ~Replay() override;

    // Between inputs, and before a message box is answered.
    std::chrono::milliseconds inputGap{300};
    std::chrono::milliseconds answerDelay{500};

    // Takes the game from the person: from now on the script answers the
    // message boxes (those of start-up too, when taken before the load).
    void hold();
    // Holds the game, if not yet, and starts with the first input.
    void start();
    bool running() const { return running_; }
    // Why the replay stopped before the end of the script; empty otherwise.
    const QString& problem() const { return problem_; }

    bool handsOverWhereLeft() const override { return true; }
    void handedOver() override;

private:
    enum class Ahead { Input, Waiting, Stopped };
    // A replayed file only plays: it may come from someone else.
    bool snapshot(const std::string& file, std::string* refusal) override;
    void step();
    // Carries out the lines up to the next input, which it keeps for the
    // next step.
    Ahead readAhead();
    // Goes on once the script gives more lines.
    void awaitLines();
    // Ends the replay; with a problem (English, for the log and problem()),
    // the notice says what stopped it in forWindow's words (Japanese) and
    // at which line.
    void finish(const std::string& problem = {}, const QString& forWindow = {});

    MainWindow& window_;
    std::unique_ptr<ScriptReader> reader_;
    ScriptInterpreter interpreter_;
    int descriptor_ = -1;
    QSocketNotifier* lines_ = nullptr;
    bool inputAhead_ = false;  // the interpreter holds an input for the next step
    QTimer timer_;
    bool running_ = false;
    QString problem_;
};

}  // namespace korvalo
