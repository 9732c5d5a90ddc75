#pragma once
// Replays a game script in the window as if a person gave its input: at the
// game's own pace, with its message boxes shown and answered by the script.
// Meanwhile the person's presses, menu commands and keys are ignored, except
// Esc, which ends the program as always (closing the window does too). When
// the script ends, at an input of the script that would end the program (Esc,
// close, 終了: how a recorded game was left), or at a line that cannot be read
// (reported with its number), the window is handed to the person.
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <istream>
#include <optional>

#include "script/script_language.h"

namespace korvalo {

class MainWindow;

class Replay : public QObject {
    Q_OBJECT
public:
    // The window and script must outlive the replay.
    Replay(MainWindow& window, std::istream& script);
    ~Replay() override;

    // Between inputs, and before a message box is answered.
    std::chrono::milliseconds inputGap{300};
    std::chrono::milliseconds answerDelay{500};

    // Takes the window from the person and starts with the first input.
    void start();
    bool running() const { return running_; }
    // Why the replay stopped before the end of the script; empty otherwise.
    const QString& problem() const { return problem_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step();
    // Carries out the lines up to the next input, which it keeps for the
    // next step; false when the replay ends here.
    bool readAhead();
    void give(const ScriptCommand& input);
    void finish(const std::string& problem = {});

    MainWindow& window_;
    ScriptReader reader_;
    std::optional<ScriptCommand> next_;
    QTimer timer_;
    bool running_ = false;
    QString problem_;
};

}  // namespace korvalo
