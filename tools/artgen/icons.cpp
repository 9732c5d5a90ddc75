// The seat icons (a computer, a person), the computer's pointing hand and the
// program's own icon. The seat icons and the hand are 32 x 32 with a
// transparent background so that the board shows around them.
#include <QPainter>
#include <QPainterPath>

#include "artwork.h"

namespace artgen {

namespace {

constexpr int iconPixels = 32;

QImage transparentIcon(int scale)
{
    QImage image = canvas(iconPixels, iconPixels, QImage::Format_ARGB32_Premultiplied, scale);
    image.fill(Qt::transparent);
    return image;
}

QPainterPath roundedRect(double x, double y, double w, double h, double radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), radius, radius);
    return path;
}

}  // namespace

QImage computerIcon(const QColor& body, const QColor& screen, int scale)
{
    QImage image = transparentIcon(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // Monitor: a frame in the seat colour round a screen in the second colour,
    // with a lighter glint in the screen's corner.
    p.setBrush(body);
    p.drawRoundedRect(QRectF(3, 1, 26, 20), 2.5, 2.5);
    p.setBrush(screen);
    p.drawRect(QRectF(6, 4, 20, 14));
    QColor glint = screen.lightness() > 200 ? screen.darker(112) : screen.lighter(150);
    p.setBrush(glint);
    QPainterPath shine;
    shine.moveTo(7, 5);
    shine.lineTo(14, 5);
    shine.lineTo(7, 11);
    shine.closeSubpath();
    p.drawPath(shine);

    // Stand.
    p.setBrush(body);
    p.drawRect(QRectF(13, 21, 6, 2));
    p.drawRoundedRect(QRectF(9, 22.5, 14, 2), 1, 1);

    // Keyboard in perspective, its keys in the second colour.
    QPainterPath board;
    board.moveTo(5, 25.5);
    board.lineTo(27, 25.5);
    board.lineTo(31, 31);
    board.lineTo(1, 31);
    board.closeSubpath();
    p.setBrush(body);
    p.drawPath(board);
    p.setBrush(screen);
    for (int row = 0; row < 2; ++row) {
        const double y = 26.6 + row * 2.2;
        const double inset = 4.6 - row * 1.6;
        const double width = 32 - 2 * inset;
        for (int key = 0; key < 8; ++key)
            p.drawRect(QRectF(inset + key * width / 8 + 0.4, y, width / 8 - 1.0, 1.3));
    }
    p.drawRect(QRectF(9.5, 30.9 - 1.0, 13, 0.9));
    return image;
}

QImage personIcon(const QColor& colour, int scale)
{
    QImage image = transparentIcon(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);

    QPainterPath figure;
    figure.addEllipse(QPointF(16, 5), 4.2, 4.2);                // head
    figure.addPath(roundedRect(10.5, 10.5, 11, 11.5, 3.0));     // body
    figure.addPath(roundedRect(11.3, 19, 4.2, 12.5, 2.1));      // left leg
    figure.addPath(roundedRect(16.5, 19, 4.2, 12.5, 2.1));      // right leg
    figure.setFillRule(Qt::WindingFill);
    p.drawPath(figure);

    // Arms hang at the sides, slightly away from the body.
    QPainterPath arm = roundedRect(-1.7, 0, 3.4, 11.5, 1.7);
    for (int side : {-1, 1}) {
        p.save();
        p.translate(16 + side * 6.6, 11.2);
        p.rotate(-side * 12);
        p.drawPath(arm);
        p.restore();
    }
    return image;
}

QImage handIcon(const QColor& fill, int scale)
{
    QImage image = transparentIcon(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A hand pointing up: the index finger stretched, three fingers folded
    // above the palm, the thumb lying across the left of the palm.
    QPainterPath finger = roundedRect(9.5, 1, 6, 19, 3);
    QPainterPath knuckle1 = roundedRect(15, 13, 5, 7, 2.4);
    QPainterPath knuckle2 = roundedRect(19.5, 14, 5, 7, 2.4);
    QPainterPath knuckle3 = roundedRect(24, 15, 4.5, 6.5, 2.2);
    QPainterPath palm = roundedRect(9.5, 17, 19, 10.5, 4);
    QPainterPath cuff = roundedRect(12, 26, 14, 5.5, 1.5);
    QPainterPath thumb;
    thumb.moveTo(11, 18.5);
    thumb.cubicTo(8, 15.5, 4.5, 14, 3, 15.5);
    thumb.cubicTo(1.6, 17, 3.5, 19.5, 6, 21.5);
    thumb.cubicTo(8, 23.5, 10, 25.5, 12, 25.5);
    thumb.closeSubpath();

    QPainterPath hand = finger.united(knuckle1).united(knuckle2).united(knuckle3).united(palm).united(thumb);

    const QPen outline(QColor(128, 128, 128), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(outline);
    p.setBrush(fill);
    p.drawPath(hand);
    p.drawPath(cuff);

    // Creases between the folded fingers and along the thumb.
    QPen crease = outline;
    crease.setWidthF(1.0);
    p.setPen(crease);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(15.2, 15), QPointF(15.2, 20.5));
    p.drawLine(QPointF(19.7, 16), QPointF(19.7, 21));
    p.drawLine(QPointF(24.2, 17), QPointF(24.2, 21.5));
    QPainterPath thumbLine;
    thumbLine.moveTo(6.5, 17.5);
    thumbLine.cubicTo(9.5, 19, 12, 21, 14.5, 21.5);
    p.drawPath(thumbLine);
    return image;
}

QImage windowIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintWindowIcon(p, size);
    return image;
}

void paintWindowIcon(QPainter& p, double size)
{
    p.scale(size / 32.0, size / 32.0);

    // A corner of the board: dark green frame, four bright squares with a
    // stone of each colour, turning order black, blue, white, red clockwise
    // from the bottom.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 128, 0));
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 3, 3);
    const double cell = 14.5;
    const QPointF origin(1.5, 1.5);
    const QColor faces[2][2] = {{QColor(255, 255, 255), QColor(255, 0, 0)},   // top row: white, red
                                {QColor(0, 0, 255), QColor(0, 0, 0)}};        // bottom row: blue, black
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QPointF corner = origin + QPointF(column * (cell + 0.5), row * (cell + 0.5));
            p.setBrush(groundGreen);
            p.drawRect(QRectF(corner, QSizeF(cell, cell)));
            const QPointF centre = corner + QPointF(cell / 2, cell / 2);
            const double r = cell * 0.40;
            p.setBrush(contactGreen);
            p.drawEllipse(centre + QPointF(0, 1.6), r + 0.45, r + 0.45);
            p.setBrush(rimYellow);
            p.drawEllipse(centre + QPointF(0, 1.2), r, r);
            p.setBrush(faces[row][column]);
            p.drawEllipse(centre + QPointF(0, -0.3), r, r);
        }
    }
}

}  // namespace artgen
