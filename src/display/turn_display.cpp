// The turn line right of the board, the seat icons and the pass message.
#include "display/pictures.h"
#include "display/board_display.h"

namespace korvalo {

namespace {

// Name on the turn line and title of the pass message; null for a code that
// is no colour.
struct ColourTexts {
    const char* name;
    const char* passTitle;
};

ColourTexts textsOf(int c)
{
    if (c == black)
        return {"黒", "　　黒の手番"};
    if (c == blue)
        return {"青", "　　青の手番"};
    if (c == white)
        return {"白", "　　白の手番"};
    if (c == red)
        return {"赤", "　　赤の手番"};
    return {nullptr, nullptr};
}

struct Seat {
    int left;
    int top;
};

// Where a colour's seat icon stands, in twips: black below the board, blue to
// its left, white above it, red to its right.
Seat seatOf(int c)
{
    if (c == white)
        return {3600, 300};
    if (c == black)
        return {3600, 6300};
    if (c == red)
        return {6600, 3200};
    return {650, 3200};  // blue
}

bool isColour(int c) { return c == white || c == black || c == red || c == blue; }

}  // namespace

void BoardDisplay::描画_手番(int c)
{
    // Erase first: the texts are transparent and a shorter name would leave
    // part of the last one behind.
    描画_四角形(10.5, 5, 2200, 300, backColour);
    const char* name = textsOf(c).name;
    描画_打手(c);
    if (name)
        描画_文字列(10.5, 5, name, 12, whiteColour);
    描画_文字列(11.1, 5, "の番です", 12, whiteColour);
}

void BoardDisplay::描画_打手(int c)
{
    消去_全手番アイコン();
    if (!ui_.isChecked(CheckItem::AICON) || !isColour(c))
        return;
    IconPicture icon;
    if (s.playerKind[c] == computerValue)
        icon = IconPicture::ICO_COM;
    else if (s.playerKind[c] == humanValue)
        icon = IconPicture::ICO_MAN;
    else
        return;  // no mode chosen yet
    const Seat seat = seatOf(c);
    ui_.moveIcon(icon, c, seat.left, seat.top);
    ui_.setIconVisible(icon, c, true);
}

void BoardDisplay::消去_全手番アイコン()
{
    // The thinking hands TE belong to the computer's move choice and stay as they are.
    for (int i = 1; i <= 4; ++i) {
        ui_.setIconVisible(IconPicture::ICO_MAN, i, false);
        ui_.setIconVisible(IconPicture::ICO_COM, i, false);
    }
}

void BoardDisplay::描画_パスメッセージ(int c)
{
    if (const char* title = textsOf(c).passTitle)
        ui_.messageBox("　　PASS", title, Buttons::OK, BoxIcon::None);
}

}  // namespace korvalo
