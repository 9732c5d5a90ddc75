#include "app/qt_surface.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>

namespace korvalo {

namespace {

// Loaded once and shared: every surface draws the same pictures.
QImage loadPicture(const QString& name)
{
    static QHash<QString, QImage> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, QImage(QStringLiteral(":/pictures/%1.png").arg(name)));
    return *it;
}

const QString gameFamily = QString::fromUtf8("ＭＳ Ｐ明朝");

bool isIndexedSet(Picture picture)
{
    return picture == Picture::KURO || picture == Picture::AO || picture == Picture::SIRO ||
           picture == Picture::AKA;
}

}  // namespace

QtSurface::QtSurface(QSize pixels) : image_(pixels, QImage::Format_RGB32)
{
    image_.fill(colour(backColour_));
}

int QtSurface::toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

QColor QtSurface::colour(int rgb)
{
    return QColor(rgb & 0xff, (rgb >> 8) & 0xff, (rgb >> 16) & 0xff);
}

QFont QtSurface::textFont(int points)
{
    // The game's own proportional Mincho first, then the proportional Mincho
    // that Debian ships, then the CJK serif. Fonts are looked up only when a
    // text is first drawn.
    QFont font;
    font.setFamilies({gameFamily, QStringLiteral("IPAPMincho"), QStringLiteral("Noto Serif CJK JP")});
    font.setStyleHint(QFont::Serif);
    font.setWeight(QFont::Bold);
    // Unhinted outlines: the Mincho faces carry no hinting of their own, and
    // FreeType's automatic hinter would first measure dozens of reference
    // ideographs spread over the whole font file, which costs start-up time
    // and megabytes of the font mapped into memory, for a difference hardly
    // visible in antialiased text of this size.
    font.setHintingPreference(QFont::PreferNoHinting);
    // Points as a 96 dpi screen shows them, whatever this screen's density.
    const int pixels = std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setPixelSize(pixels);
    return font;
}

QImage QtSurface::picture(Picture picture, int element)
{
    const QString name = QString::fromLatin1(pictureName(picture));
    if (!isIndexedSet(picture))
        return loadPicture(name);
    if (element < 1 || element > 5)
        return {};
    return loadPicture(QStringLiteral("%1_%2").arg(name).arg(element));
}

QImage QtSurface::iconPicture(IconPicture icon, int element)
{
    if (element < 1 || element > iconsPerKind)
        return {};
    return loadPicture(QStringLiteral("%1_%2").arg(QString::fromLatin1(iconName(icon))).arg(element));
}

void QtSurface::copyPicture(Picture picture, int element, double x, double y)
{
    const QImage source = QtSurface::picture(picture, element);
    if (source.isNull())
        return;
    QPainter p(&image_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(toPixels(x), toPixels(y)), source);
}

void QtSurface::fillRect(double x, double y, double w, double h, int rgb)
{
    const int x1 = toPixels(x);
    const int y1 = toPixels(y);
    const int x2 = toPixels(x + w);
    const int y2 = toPixels(y + h);
    const QRect area(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2)));
    QPainter p(&image_);
    p.fillRect(area, colour(rgb));
}

double QtSurface::blankWidth(const QFont& font)
{
    // The column letters are set apart by runs of blanks measured for the
    // game's own font, whose blank is wider than its substitutes' by about a
    // twentieth of the size; without that the letters drift off their columns.
    static const bool substituted = QFontInfo(font).family() != gameFamily;
    const double blank = QFontMetricsF(font).horizontalAdvance(QLatin1Char(' '));
    return substituted ? blank + font.pixelSize() / 20.0 : blank;
}

void QtSurface::printText(double x, double y, const std::string& text, int points, int rgb)
{
    const QFont font = textFont(points);
    const QFontMetricsF metrics(font);
    const double blank = blankWidth(font);
    QPainter p(&image_);
    p.setFont(font);
    p.setPen(colour(rgb));
    QPointF at(toPixels(x), toPixels(y) + metrics.ascent());
    // Words are drawn one by one so that the blanks between them keep their width.
    const QString line = QString::fromStdString(text);
    qsizetype start = 0;
    while (start < line.size()) {
        qsizetype end = start;
        if (line[start] == QLatin1Char(' ')) {
            while (end < line.size() && line[end] == QLatin1Char(' '))
                ++end;
            at.rx() += blank * static_cast<double>(end - start);
        } else {
            while (end < line.size() && line[end] != QLatin1Char(' '))
                ++end;
            const QString word = line.mid(start, end - start);
            p.drawText(at, word);
            at.rx() += metrics.horizontalAdvance(word);
        }
        start = end;
    }
}

void QtSurface::setBackColour(int rgb)
{
    backColour_ = rgb;
    image_.fill(colour(rgb));
}

bool QtSurface::isIcon(IconPicture icon, int element)
{
    const int kind = static_cast<int>(icon);
    return kind >= 0 && kind < iconKinds && element >= 1 && element <= iconsPerKind;
}

QtSurface::IconState* QtSurface::iconSlot(IconPicture icon, int element)
{
    return isIcon(icon, element) ? &icons_[static_cast<int>(icon)][element - 1] : nullptr;
}

void QtSurface::moveIcon(IconPicture icon, int element, int left, int top)
{
    if (IconState* slot = iconSlot(icon, element)) {
        slot->left = left;
        slot->top = top;
    }
}

void QtSurface::setIconVisible(IconPicture icon, int element, bool visible)
{
    if (IconState* slot = iconSlot(icon, element))
        slot->visible = visible;
}

QtSurface::IconState QtSurface::icon(IconPicture icon, int element) const
{
    return isIcon(icon, element) ? icons_[static_cast<int>(icon)][element - 1] : IconState{};
}

void QtSurface::paint(QPainter& painter, const QRect& area) const
{
    painter.fillRect(area, colour(backColour_));
    painter.drawImage(area.topLeft(), image_, area);
    // Seat icons first, the computer's hand above them.
    for (IconPicture kind : {IconPicture::ICO_COM, IconPicture::ICO_MAN, IconPicture::TE}) {
        for (int element = 1; element <= iconsPerKind; ++element) {
            const IconState state = icon(kind, element);
            if (state.visible)
                painter.drawImage(QPoint(toPixels(state.left), toPixels(state.top)), iconPicture(kind, element));
        }
    }
}

QImage QtSurface::render() const
{
    QImage out(image_.size(), QImage::Format_RGB32);
    QPainter p(&out);
    paint(p, out.rect());
    return out;
}

}  // namespace korvalo
