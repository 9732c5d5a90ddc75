// The seven seatings: who plays each colour, starting or continuing a game.
#include "flow/form1.h"

namespace korvalo {

void Form1::seatColours(int mode, int kindBlack, int kindBlue, int kindWhite, int kindRed)
{
    s.playerKind = {0, kindBlack, kindBlue, kindWhite, kindRed};
    s.gameMode = mode;
}

void Form1::対局_回転(int& c)
{
    if (programEnded_ || c < black || c > red || s.playerKind[c] == humanValue)
        return;
    int kind = 0;
    do {
        display_.描画_打手(c);
        kind = com_ban(c);
        if (programEnded_)
            return;
        display_.描画_打手(c);
    } while (kind == computerValue);
}

void Form1::greet(const char* text, const char* title)
{
    ui_.messageBox(text, title, Buttons::OK, BoxIcon::None);
}

bool Form1::openWithPersonOnBlack(TurnLine turnLine, const char* title)
{
    if (s.turnColour != noneValue)
        return false;
    s.turnColour = black;
    display_.描画_打手(s.turnColour);
    if (turnLine == TurnLine::Drawn)
        display_.描画_手番(s.turnColour);
    greet("下の番です", title);
    return true;
}

void Form1::JYUNBAN_1_Click()
{
    if (programEnded_)
        return;
    seatColours(modeBlack, humanValue, computerValue, computerValue, computerValue);
    if (!openWithPersonOnBlack(TurnLine::Drawn, "")) {
        display_.描画_打手(s.turnColour);
        対局_回転(s.turnColour);
    }
}

void Form1::seatOnePersonAfterBlack(int mode, int person, const char* greeting, IconBeforeOpening icon)
{
    if (programEnded_)
        return;
    std::array<int, 5> kinds = {0, computerValue, computerValue, computerValue, computerValue};
    kinds[person] = humanValue;
    seatColours(mode, kinds[black], kinds[blue], kinds[white], kinds[red]);
    if (s.turnColour == noneValue) {
        // Black is the computer's: it opens at once.
        s.turnColour = black;
        if (icon == IconBeforeOpening::Yes)
            display_.描画_打手(s.turnColour);
        int first = black;
        com_ban(first);
    } else if (s.turnColour == person) {
        display_.描画_打手(s.turnColour);
        greet(greeting, " ");
    }
    対局_回転(s.turnColour);
}

void Form1::JYUNBAN_2_Click()
{
    seatOnePersonAfterBlack(modeBlue, blue, "左の番です", IconBeforeOpening::Yes);
}

void Form1::JYUNBAN_3_Click()
{
    seatOnePersonAfterBlack(modeWhite, white, "上の番です", IconBeforeOpening::No);
}

void Form1::JYUNBAN_4_Click()
{
    seatOnePersonAfterBlack(modeRed, red, "右の番です", IconBeforeOpening::Yes);
}

void Form1::PLAY_TOIMEN_Click()
{
    if (programEnded_)
        return;
    seatColours(modeFacing, humanValue, computerValue, humanValue, computerValue);
    if (!openWithPersonOnBlack(TurnLine::Left, " "))
        対局_回転(s.turnColour);
}

void Form1::PLAY_TONARI_Click()
{
    if (programEnded_)
        return;
    seatColours(modeSideBySide, computerValue, humanValue, computerValue, humanValue);
    if (s.turnColour == noneValue) {
        s.turnColour = black;
        display_.描画_打手(s.turnColour);
        com_ban(s.turnColour);
    } else {
        display_.描画_打手(s.turnColour);
    }
    対局_回転(s.turnColour);
}

void Form1::PLAY_4_Click()
{
    if (programEnded_)
        return;
    seatColours(modeFour, humanValue, humanValue, humanValue, humanValue);
    if (!openWithPersonOnBlack(TurnLine::Left, ""))
        display_.描画_打手(s.turnColour);
}

}  // namespace korvalo
