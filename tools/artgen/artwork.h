#pragma once
// The game's pictures, drawn with QPainter. Every function returns a finished
// image at its final size; the generator writes them out as PNG files that
// the window embeds as resources. The pictures of the board are drawn at a
// scale of 1, 2 or 3 device pixels to a logical pixel: the same vector
// drawing, with as many pixels as a screen of that density shows.
#include <QColor>
#include <QImage>

class QPainter;

namespace artgen {

// Squares and pieces: 41 x 41 pixels on the square's green ground.
inline constexpr int cellPixels = 41;
inline const QColor groundGreen{0, 255, 0};
inline const QColor contactGreen{0, 255, 128};   // where a piece meets the ground
inline const QColor shadowGreen{0, 183, 0};      // shadow of a lifted piece
inline const QColor deepShadowGreen{0, 176, 0};  // the core of an edge-on piece's shadow
inline const QColor rimYellow{255, 255, 128};    // the side of a piece

// An image of logical size width x height with scale device pixels to each
// logical pixel; a painter on it draws in logical pixels.
QImage canvas(int width, int height, QImage::Format format, int scale);

QImage emptySquare(int scale = 1);
// Frame 1..5 of a piece with the given face colour and rim colour.
QImage pieceFrame(int frame, const QColor& face, const QColor& rim = rimYellow, int scale = 1);

// The title picture, 124 x 56.
QImage titlePicture(int scale = 1);

// 32 x 32 pictures with transparent parts.
QImage computerIcon(const QColor& body, const QColor& screen, int scale = 1);
QImage personIcon(const QColor& colour, int scale = 1);
QImage handIcon(const QColor& fill, int scale = 1);

// The program's own icon at any size (32 and 256 are used).
QImage windowIcon(int size);
// The same icon painted on any device, a square of size units from the origin.
void paintWindowIcon(QPainter& p, double size);

}  // namespace artgen
