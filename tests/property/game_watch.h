#pragma once
// Watches a game on the recording platform step by step and says what is
// wrong after each step: counters, stones and stored positions, whose turn
// it is, the seating, the option marks against Korvalo.ini and the music,
// the icons, and what the step itself should have done.
#include <array>
#include <string>
#include <vector>

#include "property/seatings.h"
#include "property/settings_text.h"
#include "support/test_game.h"

namespace korvalo::testing {

// What one step of a driver did to the window.
enum class Act {
    Seat,           // a seating command
    LegalPress,     // a person presses a square where the colour to move may play
    IllegalPress,   // a person presses a square where it may not, though it can play elsewhere
    OutsidePress,   // a person presses off the squares
    PassPress,      // a person whose colour cannot play presses a square
    ComputerPress,  // a press anywhere while a computer seat is to move
    NoGamePress,    // a press anywhere while no game runs
    Back,
    Forward,
    First,
    MoveNumbers,  // the three option switches
    Icons,
    Music,
    About,
};

struct Step {
    Act act = Act::About;
    int column = 0;  // the square of a press on a square
    int row = 0;
    const Seating* seating = nullptr;  // for Act::Seat
    std::string text;                  // how the step reads in a failure log
};

// What becomes of Korvalo.ini in the working folder.
enum class SettingsFile {
    Kept,    // it follows the marks after every switch
    Frozen,  // it cannot be written but is read: every reset brings its marks back
    None,    // there is nothing to read: the marks keep their states through every reset
};

class GameWatch {
public:
    // The game has just been loaded (Form_Load) in its working folder. lib
    // is the library the window plays its sounds through; null for none.
    GameWatch(Form1& form, RecordingPlatform& ui, const RecordingDsLibrary* lib,
              SettingsFile settingsFile = SettingsFile::Kept);
    explicit GameWatch(TestGame& game) : GameWatch(game.form, game.ui, &game.lib) {}

    Form1& form() { return form_; }
    const GameState& state() const { return form_.state(); }

    // Right before a step: remembers the state and forgets the recorded lines.
    void before();
    // Right after it: empty when everything holds, otherwise what does not.
    std::string after(const Step& step);

    // The last step ended a game: ranking shown, play on answered.
    bool gameEnded() const { return gameEnded_; }

private:
    struct Snapshot {
        Grid board{};
        int turnColour = 0;
        int gameMode = 0;
        int moveNumber = 0;
        int lastMoveNumber = 0;
        std::array<int, 5> playerKind{};
        Marks marks{};
    };
    Snapshot snapshot() const;

    std::string checkCounters() const;
    std::string checkBoard() const;
    std::string checkHistory(bool reset);
    std::string checkMovePair(int k) const;
    std::string checkRanking(const std::vector<std::string>& lines) const;
    std::string checkTurn() const;
    std::string checkOptions(const Step& step, bool settingsReread) const;
    std::string checkIcons() const;
    std::string checkStep(const Step& step, const std::vector<std::string>& lines) const;
    // Follows the drawing lines of a step on screen_; says what it cannot read.
    std::string followDrawing(const std::vector<std::string>& lines);
    std::string checkScreen() const;
    bool unchanged() const;

    // The line a dsPlay of buffer records; empty without a library.
    std::string playLine(int32_t buffer) const;

    Form1& form_;
    RecordingPlatform& ui_;
    const RecordingDsLibrary* lib_;
    SettingsFile settingsFile_;
    Snapshot before_;
    bool gameEnded_ = false;
    const Seating* lastSeating_ = nullptr;
    // A back or forward was accepted and no stone has been played since: the
    // colour to move may then be one that must pass.
    bool navigatedSinceStone_ = false;
    // A back or forward was accepted and neither a press nor a seating
    // command has come since: a computer seat may then wait for a press.
    bool computerMayWait_ = false;
    // What the drawing surface shows on each square: a colour at rest,
    // emptyValue, markValue, or one of the codes below.
    static constexpr int turningFrame = -1;
    static constexpr int partlyCovered = -2;
    Grid screen_{};
    // The stored positions as last checked, entries 0..checkedLast_.
    std::array<Position, maxMoves + 1> checked_{};
    int checkedLast_ = -1;
};

// Names of the entries in the working folder.
std::vector<std::string> folderEntries();

}  // namespace korvalo::testing
