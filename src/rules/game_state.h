#pragma once
// The state of one game window: the fixed codes, the board and its companion
// grids, the counters of the running game and the position history.
#include <array>
#include <string>

namespace korvalo {

// Colour codes, in turn order.
inline constexpr int black = 1;  // 黒, bottom seat
inline constexpr int blue = 2;   // 青, left seat
inline constexpr int white = 3;  // 白, top seat
inline constexpr int red = 4;    // 赤, right seat

inline constexpr int emptyValue = 0;  // content of an empty square
inline constexpr int noneValue = 9;   // no colour, no game mode: no game running
inline constexpr int trueValue = 1;   // yes answer of the rule queries
inline constexpr int falseValue = 0;  // no answer of the rule queries
inline constexpr int humanValue = 1;      // playerKind of a colour played by a person
inline constexpr int computerValue = -1;  // playerKind of a colour played by the computer

// Game modes, one per seating command.
inline constexpr int modeBlack = 1;
inline constexpr int modeBlue = 2;
inline constexpr int modeWhite = 3;
inline constexpr int modeRed = 4;
inline constexpr int modeFacing = 5;      // persons 黒 and 白
inline constexpr int modeSideBySide = 6;  // persons 青 and 赤
inline constexpr int modeFour = 7;        // four persons

inline constexpr int markValue = 7;   // pseudo-colour: draws the playable-square mark
inline constexpr int blinkCount = 3;  // blinks of a newly played stone

// Colours on screen: 24-bit RGB with red in the low byte.
constexpr int rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
inline constexpr int greenColour = rgb(0, 128, 0);        // 32768
inline constexpr int backColour = greenColour;            // window background, used to erase
inline constexpr int whiteColour = rgb(255, 255, 255);    // 16777215

// Drawing geometry in twips.
inline constexpr int cellWidth = 630;
inline constexpr int cellHeight = 630;
inline constexpr int boardLeft = 400;
inline constexpr int boardTop = 100;

// Where the load event places the window (its frame's top-left corner) and
// its outer size, frame and title bar included, in twips.
inline constexpr int windowLeft = -60;
inline constexpr int windowTop = -60;
inline constexpr int windowWidth = 9800;
inline constexpr int windowHeight = 8000;

inline constexpr int maxMoves = 81;  // move-indexed tables run 0..81

// 12 x 12 grid indexed [column][row]; squares are 1..9, index 0 and 10 form an
// empty ring that stops every line scan at the edge.
using Grid = std::array<std::array<int, 12>, 12>;
// One stored position: [column 0..9][row 0..9], only 1..9 used.
using Position = std::array<std::array<int, 10>, 10>;

struct GameState {
    Grid board{};
    Grid viewBoard{};                   // the board as one colour sees it: +k own, -k other
    std::array<int, 5> playerKind{};    // by colour 1..4: humanValue / computerValue, 0 before any mode
    int turnColour = noneValue;
    int gameMode = noneValue;
    int moveNumber = 0;                 // position on the board: 0 start, k after move k
    int lastMoveNumber = 0;             // highest move recorded in the current line of play
    std::array<int, maxMoves + 1> moveColumn{};
    std::array<int, maxMoves + 1> moveRow{};
    std::array<Position, maxMoves + 1> history{};
};

// Clears the whole board, ring included, and puts the sixteen starting stones
// on it in their fixed order.
void placeStartingPosition(GameState& s);

// Text form of the board: nine lines (rows 1..9, top to bottom), each nine
// characters (columns a..i): '.' empty, '1'..'4' a colour. Lines end in '\n'.
std::string boardText(const Grid& board);
std::string positionText(const Position& position);
// Reads the text form back into squares 1..9; the ring is cleared. Returns
// false (leaving the board cleared) when the text is malformed.
bool setBoardFromText(Grid& board, const std::string& text);

}  // namespace korvalo
