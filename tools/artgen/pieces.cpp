// Squares and pieces. A piece is a disc seen from slightly above: its face on
// top, the pale rim of its side showing below the face, a lighter green where
// it stands on the ground. The turning frames tilt the disc about a diagonal
// axis until it stands edge-on; frames 4 and 5 are mirror images of 3 and 2.
#include <QPainter>

#include "artwork.h"

namespace artgen {

namespace {

QImage greenCell(int scale)
{
    QImage image = canvas(cellPixels, cellPixels, QImage::Format_RGB32, scale);
    image.fill(groundGreen);
    return image;
}

// An ellipse with radii rx (along the axis) and ry, its axis turned by
// degrees clockwise from the x axis.
void fillEllipse(QPainter& p, QPointF centre, double rx, double ry, double degrees, const QColor& colour)
{
    p.save();
    p.translate(centre);
    p.rotate(degrees);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(0, 0), rx, ry);
    p.restore();
}

void drawAtRest(QPainter& p, const QColor& face, const QColor& rim)
{
    fillEllipse(p, {20.5, 22.7}, 17.0, 16.6, 0, contactGreen);
    fillEllipse(p, {20.5, 21.5}, 16.2, 16.2, 0, rim);
    fillEllipse(p, {20.5, 18.0}, 16.2, 16.2, 0, face);
}

// Lifted on its right: the face turns about the diagonal from upper left to
// lower right, the side shows along the lower left edge, the shadow falls to
// the lower left.
void drawLifted(QPainter& p, const QColor& face, const QColor& rim)
{
    const double axis = 45;
    fillEllipse(p, {17.0, 23.5}, 16.5, 9.5, axis, shadowGreen);
    fillEllipse(p, {19.6, 20.4}, 16.5, 10.5, axis, rim);
    fillEllipse(p, {22.0, 18.0}, 16.5, 10.5, axis, face);
}

// Almost edge-on: a narrow band from the top of the square down towards the
// lower right, the side on the left, a sliver of face on the right; the
// shadow lies to the lower left, darkest next to the band.
void drawEdgeOn(QPainter& p, const QColor& face, const QColor& rim)
{
    const double axis = 64;
    fillEllipse(p, {16.8, 23.2}, 15.5, 5.0, axis, shadowGreen);
    fillEllipse(p, {18.8, 21.8}, 15.8, 3.0, axis, deepShadowGreen);
    fillEllipse(p, {21.3, 19.5}, 16.8, 3.4, axis, rim);
    fillEllipse(p, {23.6, 19.0}, 16.8, 2.6, axis, face);
}

}  // namespace

QImage canvas(int width, int height, QImage::Format format, int scale)
{
    QImage image(width * scale, height * scale, format);
    image.setDevicePixelRatio(scale);
    return image;
}

QImage emptySquare(int scale)
{
    return greenCell(scale);
}

QImage pieceFrame(int frame, const QColor& face, const QColor& rim, int scale)
{
    if (frame == 4)
        return pieceFrame(3, face, rim, scale).mirrored(true, false);
    if (frame == 5)
        return pieceFrame(2, face, rim, scale).mirrored(true, false);
    QImage image = greenCell(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (frame) {
    case 2: drawLifted(p, face, rim); break;
    case 3: drawEdgeOn(p, face, rim); break;
    default: drawAtRest(p, face, rim); break;
    }
    return image;
}

}  // namespace artgen
