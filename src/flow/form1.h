#pragma once
// Form1: the game window's procedures and the one object that holds the
// game's state. The procedures carry the game's own names, each glossed in
// English where it is declared; they are defined in the folder of their
// subsystem (display/, computer/, history/, settings/ and flow/ itself).
// Those folders include this header to define its members, so their include
// arrows point at flow/ while flow/ calls into them: they stand above flow/
// in the layers of the house (docs/design.md). Everything the desktop does
// goes through the Platform seam, every sound through the sound library.
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "rules/game_state.h"
#include "sound/ds_library.h"
#include "sound/module1.h"

namespace korvalo {

// How the computer colours choose their squares.
enum class ComputerStrength {
    Standard,  // by the fixed value of each square
    Strong,    // by a search of the game ahead (computer/search.h)
};

class Form1 {
public:
    // library may be null (no sound library): the game then plays silently.
    Form1(Platform& ui, DsLibrary* library);

    GameState s;  // board, codes, counters and history

    // Sound buffer handles, 0 meaning no buffer.
    int32_t soundOther = 0;      // その他.wav: the about box
    int32_t soundForbidden = 0;  // 禁止.wav: refusals
    int32_t soundStone = 0;      // 石打音.wav: every stone set down or turned
    int32_t soundBgm = 0;        // BGM.wav: looping music

    Module1 module1;

    // ---- Events of the window (flow/). After the program has ended they do nothing.
    void Form_Load();                                             // start-up
    void Form_MouseDown(int button, int shift, double X, double Y);  // a press: a move, or the marks
    void Form_MouseUp(int button, int shift, double X, double Y);    // a release: the marks go
    void Form_KeyPress(int keyAscii);                             // a key: Esc quits
    void Form_Unload();                                           // the close button
    void JYUNBAN_1_Click();    // 順番 1: one person on black against the computer
    void JYUNBAN_2_Click();    // 順番 2: one person on blue
    void JYUNBAN_3_Click();    // 順番 3: one person on white
    void JYUNBAN_4_Click();    // 順番 4: one person on red
    void PLAY_TOIMEN_Click();  // 対面: two persons on the facing seats, black and white
    void PLAY_TONARI_Click();  // 隣: two persons on the side seats, blue and red
    void PLAY_4_Click();       // four persons
    void EXIT_Click();         // 終了: quit
    void SAISYO_Click();       // 最初: back to the first position (history/navigation.cpp)
    void MODORU_Click();       // 戻: one move back (history/navigation.cpp)
    void SUSUMU_Click();       // 進: one move forward (history/navigation.cpp)
    void TEJYUN_Click();       // 手順番号表示: move numbers on or off (settings/options.cpp)
    void AICON_Click();        // ｱｲｺﾝ表示: seat icons on or off (settings/options.cpp)
    void BGM_Click();          // the music on or off (settings/options.cpp)
    void SONOTA_Click();       // その他: the about box (settings/options.cpp)

    bool programEnded() const { return programEnded_; }

    // ---- Game flow (flow/)
    void 初期設定();   // initial setting: the no-game state with the starting position
    void 終了処理();   // shutdown: free the sounds and close the sound library
    void 終了();       // end: the end of a game, count-out, ranking, play on or quit
    // The computer's turn for colour c (taken by reference: callers pass
    // turnColour). Returns the seat kind of the colour now to move, or 0 when
    // the game ended during the call.
    int com_ban(int& c);
    // Game round: runs the computer seats from colour c (turnColour) on until
    // a person's colour is to move or the game has ended.
    void 対局_回転(int& c);

    // ---- Rules with effects (flow/form1.cpp)
    void 待ち時間(double seconds);  // waiting time: a pause
    // Turning: turns the enclosed stones with a pause, a click and an
    // animation each.
    void 反転(int x, int y, int c);

    // ---- Computer (computer/)
    void COM置場所取得(int c, int& column, int& row);  // the computer's choice of square
    ComputerStrength computerStrength = ComputerStrength::Standard;
    // Squares a strong computer chose elsewhere (in a recorded game, or at
    // the host of a network game), each played by the next computer move
    // instead of a choice here, so that the game goes on as it went there.
    std::deque<std::pair<int, int>> carriedSquares;
    // Told of every square a computer colour plays by the strong search or
    // from carriedSquares, after the hand's tour; the squares of the
    // standard choice are not told.
    std::function<void(int column, int row)> carriedSquareChosen;
    // Called at the end of the hand's tour when a computer colour is to
    // choose and no square is carried: a window that plays a host's game
    // waits here for the host's square. Where it is set, no strong search
    // starts here.
    std::function<void()> awaitCarriedSquare;
    // Called at the end of the hand's tour while the strong search still
    // runs, with a test of whether it is done: a window keeps painting and a
    // host keeps serving its connections meanwhile. Unset, the game simply
    // waits for the search.
    std::function<void(const std::function<bool()>& done)> awaitSearch;

    // ---- Board drawing (display/)
    void 描画_桝(double x, double y);                // draw one empty square
    void 描画_駒(double x, double y, int colour);    // draw one stone
    void 描画_オセロ盤();                           // draw the whole board
    void 描画_四角形(double u, double v, double width, double height, int colour);  // fill a rectangle
    void 描画_文字列(double u, double v, const std::string& text, int size, int colour);  // draw a text
    void 描画_文字列(double u, double v, int number, int size, int colour);             // draw a number
    void 描画_座標と題字();  // column letters, row numbers and title picture
    void 描画_駒回転(int x, int y, int c);           // the turning animation of one stone
    void 描画_手番(int c);                           // the turn line: whose turn it is
    void 描画_打手(int c);                           // the seat icon of the colour to move
    void 消去_全手番アイコン();                      // hide every seat icon
    void 描画_パスメッセージ(int c);                 // the pass message of colour c
    void 描画_駒点滅(int x, int y, int c, int n);    // blink a stone n times
    void 描画_措可桝(int c);                         // mark the squares where c may play
    void 描画_判定(int nBlack, int nBlue, int nWhite, int nRed);  // judgement: the counted-out board
    void 取得_色座標(int c, int& column, int& row);  // the next free square of c's count-out
    void 描画_全手順番号();                          // every move number
    void 描画_手順番号(int x, int y, int n, int colour);  // one move number

    // ---- Settings file (settings/)
    void 書込_環境設定ファイル();  // write the settings file
    void 読込_環境設定ファイル();  // read the settings file
    void 読込_環境設定データ();    // apply the settings read

    // ---- The sound library as the game calls it; each call does nothing
    // when no library was loaded.
    void dsPlay(int32_t buffer);
    void dsPlayLooping(int32_t buffer);
    void dsStop(int32_t buffer);
    void dsFree(int32_t buffer);

    Platform& ui() { return ui_; }

private:
    // The square a computer colour plays at the end of the hand's tour: the
    // running strong search's, a carried one or a new search's; none for the
    // standard choice.
    using SearchedSquare = std::optional<std::pair<int, int>>;
    SearchedSquare carriedOrSearchedSquare(int c, std::future<SearchedSquare>& search);
    // Plays colour c's stone on (column, row): counts and records the move,
    // clicks, blinks, turns the enclosed stones and stores the position.
    void playMove(int column, int row, int c);  // flow/person_move.cpp
    // After turnColour has moved: ends the game when no colour can play,
    // otherwise hands the turn to the next colour that can, announcing every
    // pass. Returns the seat kind now to move, or 0 when the game ended.
    int passTurnOn();
    // Calls com_ban for turnColour while a computer seat is to move.
    void runComputerSeats();
    void seatColours(int mode, int kindBlack, int kindBlue, int kindWhite, int kindRed);
    void greet(const char* text, const char* title);
    // Whether a seating draws the turn line when it opens a game.
    enum class TurnLine : bool { Left, Drawn };
    // The opening of the seatings with a person on black: a game that has
    // not started starts, with black to move, its seat icon and a greeting
    // with the title given. False when a game is already running.
    bool openWithPersonOnBlack(TurnLine turnLine, const char* title);
    // Whether the seat icon is drawn before the computer's opening move.
    enum class IconBeforeOpening : bool { No, Yes };
    // The seatings of one person on blue, white or red against three computer
    // seats: a new game starts with black's opening move; during a game the
    // person is greeted when their colour is already to move.
    void seatOnePersonAfterBlack(int mode, int person, const char* greeting, IconBeforeOpening icon);
    // Shutdown followed by the end of the program.
    void endTheProgram();
    // Tells on standard error, once, why the options are not kept when a
    // link under the settings file's name is the reason.
    void sayWhyOptionsAreNotKept();  // settings/settings_procedures.cpp

    Platform& ui_;
    bool programEnded_ = false;
    bool shutDown_ = false;
    // Contents of the settings file between 読込_環境設定ファイル and
    // 読込_環境設定データ; empty when nothing could be opened.
    std::optional<std::string> openSettings_;
    bool optionsNotKeptSaid_ = false;
};

}  // namespace korvalo
