#pragma once
// Helpers that drive whole games through the window's events.
#include <QTemporaryDir>
#include <QString>

#include <string>
#include <utility>
#include <vector>

#include "support/test_game.h"

namespace korvalo::testing {

// Makes a fresh temporary folder the working folder for the lifetime of the
// object and returns to the previous one afterwards.
class TemporaryWorkingFolder {
public:
    TemporaryWorkingFolder();
    ~TemporaryWorkingFolder();
    TemporaryWorkingFolder(const TemporaryWorkingFolder&) = delete;
    TemporaryWorkingFolder& operator=(const TemporaryWorkingFolder&) = delete;
    QString path() const { return dir_.path(); }
    // Path of a file in the folder.
    std::string file(const std::string& name) const;

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Twips of the centre of square (column, row).
inline double squareX(int column) { return 400 + 630 * column + 315; }
inline double squareY(int row) { return 100 + 630 * row + 315; }

// Press and release on the centre of a square with the given button.
void clickSquare(Form1& form, int column, int row, int button = 1);

// The squares where colour c may play now, in scan order (column, then row).
// Works on a copy, so viewBoard of the game is left alone.
std::vector<std::pair<int, int>> legalSquares(const GameState& s, int c);

// Plays the game on until no game runs or the program has ended: each
// person's colour plays its first legal square in scan order, or presses
// a1 to pass. Returns the number of presses made. Fails the test when the
// game does not end within a bound.
int playOut(TestGame& game);

}  // namespace korvalo::testing

namespace korvalo::testing {

// Writes a small valid wave file (16-bit mono PCM) at path.
void writeWaveFile(const std::string& path, int samples = 441);
// Writes the four wave files of the game into the working folder.
void writeGameWaveFiles();

// Form_Load in a fresh working folder holding the four wave files, with the
// recorded lines cleared afterwards.
struct LoadedGame {
    TemporaryWorkingFolder folder;
    TestGame game;
    LoadedGame(bool withWaveFiles = true);
};

}  // namespace korvalo::testing
