// The basic drawing operations: the pause between frames, squares, pieces,
// the whole board, filled rectangles, texts, and the labels and title drawn
// once at start-up.
#include <string>

#include "display/pictures.h"
#include "display/board_display.h"

namespace korvalo {

std::optional<Picture> pieceSet(int colour)
{
    if (colour == black)
        return Picture::KURO;
    if (colour == blue)
        return Picture::AO;
    if (colour == white)
        return Picture::SIRO;
    if (colour == red)
        return Picture::AKA;
    return std::nullopt;
}

void BoardDisplay::待ち時間(double seconds)
{
    if (seconds > 0)
        ui_.wait(seconds);
}

void BoardDisplay::描画_桝(double x, double y)
{
    ui_.copyPicture(Picture::MASU, singlePicture, twipsX(x), twipsY(y));
}

void BoardDisplay::描画_駒(double x, double y, int colour)
{
    if (const auto set = pieceSet(colour))
        ui_.copyPicture(*set, pieceAtRest, twipsX(x), twipsY(y));
    else if (colour == markValue)
        ui_.copyPicture(Picture::KOMA_SIDOU, singlePicture, twipsX(x), twipsY(y));
    // Anything else, the empty value included, leaves the square as it is.
}

void BoardDisplay::描画_オセロ盤()
{
    // Every square is copied over, so no mark or move number survives; the
    // caller refreshes or lets the window repaint.
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            if (s.board[x][y] == emptyValue)
                描画_桝(x, y);
            else
                描画_駒(x, y, s.board[x][y]);
        }
    }
}

void BoardDisplay::描画_四角形(double u, double v, double width, double height, int colour)
{
    // The corner is in cell units, the size in twips.
    ui_.fillRect(twipsX(u), twipsY(v), width, height, colour);
}

void BoardDisplay::描画_文字列(double u, double v, const std::string& text, int size, int colour)
{
    ui_.printText(twipsX(u), twipsY(v), text, size, colour);
    ui_.refresh();
}

void BoardDisplay::描画_文字列(double u, double v, int number, int size, int colour)
{
    // A number is printed with the place of its sign: a blank when it is not negative.
    std::string text = std::to_string(number);
    if (number >= 0)
        text.insert(text.begin(), ' ');
    描画_文字列(u, v, text, size, colour);
}

void BoardDisplay::描画_座標と題字()
{
    // The runs of blanks set each letter over its column in the proportional font.
    描画_文字列(1.4, 0.4, "a    b     c    d     e     f     g    h     i", 15, whiteColour);
    for (int r = 1; r <= 9; ++r)
        描画_文字列(0.3, r + 0.3, r, 15, whiteColour);
    ui_.copyPicture(Picture::RABERU, singlePicture, 7100, 250);
}

}  // namespace korvalo
