#pragma once
// Form1: the game object. It owns the game's state and the parts that act on
// it, each a class in the folder of its subsystem and given what it needs:
// the sounds (sound/), the drawing (display/), the computer's choice
// (computer/), the stored positions (history/) and the options with the
// settings file (settings/). Its window events are its public face; the game
// flow (flow/) calls down into the parts, never the other way. The
// procedures carry the game's own names, each glossed in English where it is
// declared. Everything the desktop does goes through the Platform seam,
// every sound through the sound library.
#include <string>

#include "computer/computer_player.h"
#include "display/board_display.h"
#include "history/positions.h"
#include "platform/platform.h"
#include "rules/game_state.h"
#include "settings/option_settings.h"
#include "sound/ds_library.h"
#include "sound/game_sounds.h"

namespace korvalo {

class Form1 {
public:
    // library may be null (no sound library): the game then plays silently.
    Form1(Platform& ui, DsLibrary* library);

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
    void SAISYO_Click();       // 最初: back to the first position (history/)
    void MODORU_Click();       // 戻: one move back (history/)
    void SUSUMU_Click();       // 進: one move forward (history/)
    void TEJYUN_Click();       // 手順番号表示: move numbers on or off (settings/)
    void AICON_Click();        // ｱｲｺﾝ表示: seat icons on or off (settings/)
    void BGM_Click();          // the music on or off (settings/)
    void SONOTA_Click();       // その他: the about box (settings/)

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

    // ---- What the programs and the tests reach: the game state, and the
    // parts by name.
    GameState& state() { return s; }
    const GameState& state() const { return s; }
    GameSounds& sounds() { return sounds_; }
    const GameSounds& sounds() const { return sounds_; }
    BoardDisplay& display() { return display_; }
    ComputerPlayer& computer() { return computer_; }
    OptionSettings& settings() { return settings_; }
    Platform& ui() { return ui_; }

private:
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
    Platform& ui_;
    GameState s;  // board, codes, counters and history
    // The parts, each built on the ones above it here.
    GameSounds sounds_;
    BoardDisplay display_;
    ComputerPlayer computer_;
    Positions positions_;
    OptionSettings settings_;
    bool programEnded_ = false;
    bool shutDown_ = false;
};

}  // namespace korvalo
