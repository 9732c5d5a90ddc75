// The title picture right of the board: the game's name on a pale yellow
// card, with a stone of each of the four colours beneath it.
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include "artwork.h"

namespace artgen {

namespace {

constexpr int titleWidth = 124;
constexpr int titleHeight = 56;
const QColor cardYellow{255, 255, 204};
const QColor inkGreen{0, 96, 0};
const QColor frameGreen{0, 128, 0};

// The name's outline, scaled to fit the width, its baseline at y = 0.
QPainterPath nameOutline(const QString& name, double maxWidth)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Serif"), QStringLiteral("IPAPMincho")});
    font.setWeight(QFont::Bold);
    font.setPixelSize(40);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath path;
    path.addText(0, 0, font, name);
    const QRectF box = path.boundingRect();
    const double scale = maxWidth / box.width();
    QTransform t;
    t.scale(scale, scale);
    t.translate(-box.left(), 0);
    return t.map(path);
}

}  // namespace

QImage titlePicture(int scale)
{
    QImage image = canvas(titleWidth, titleHeight, QImage::Format_RGB32, scale);
    image.fill(cardYellow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A double frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(frameGreen, 1));
    p.drawRect(QRectF(0.5, 0.5, titleWidth - 1, titleHeight - 1));
    p.drawRect(QRectF(2.5, 2.5, titleWidth - 5, titleHeight - 5));

    // The name, with a soft green shadow to lift it from the card.
    const QPainterPath name = nameOutline(QStringLiteral("Korvalo"), 104);
    const double baseline = 33;
    const QPointF origin((titleWidth - name.boundingRect().width()) / 2, baseline);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 220, 120));
    p.drawPath(name.translated(origin + QPointF(1.3, 1.3)));
    p.setBrush(inkGreen);
    p.drawPath(name.translated(origin));

    // Four stones in the order of play.
    const QColor faces[] = {QColor(0, 0, 0), QColor(0, 0, 255), QColor(255, 255, 255), QColor(255, 0, 0)};
    const double r = 4.6;
    const double gap = 13;
    const double firstX = titleWidth / 2.0 - 1.5 * gap;
    for (int i = 0; i < 4; ++i) {
        const QPointF centre(firstX + i * gap, 43.5);
        p.setBrush(QColor(190, 190, 140));
        p.drawEllipse(centre + QPointF(0, 1.7), r + 0.4, r + 0.4);
        p.setBrush(rimYellow.darker(108));
        p.drawEllipse(centre + QPointF(0, 1.2), r, r);
        p.setPen(i == 2 ? QPen(QColor(160, 160, 160), 0.6) : Qt::NoPen);
        p.setBrush(faces[i]);
        p.drawEllipse(centre, r, r);
        p.setPen(Qt::NoPen);
    }
    return image;
}

}  // namespace artgen
