#include "drawing/qt_surface.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>

namespace korvalo {

namespace {

// The artwork is drawn at one, two and three device pixels to a logical
// pixel (NAME.png, NAME@2x.png, NAME@3x.png). A picture for another density
// is reduced (or, beyond three, enlarged) smoothly from the next denser
// drawing, so that its edges stay as fine as the screen can show them.
QImage preparePicture(const QString& name, double ratio)
{
    const int drawn = std::clamp(static_cast<int>(std::ceil(ratio - 1e-6)), 1, 3);
    QImage source(drawn == 1 ? QStringLiteral(":/pictures/%1.png").arg(name)
                             : QStringLiteral(":/pictures/%1@%2x.png").arg(name).arg(drawn));
    if (source.isNull() || std::abs(ratio - drawn) < 1e-6) {
        if (drawn != 1)
            source.setDevicePixelRatio(drawn);
        return source;
    }
    const QSizeF logical = QSizeF(source.size()) / drawn;
    QImage scaled = source.scaled(std::max(1, static_cast<int>(std::lround(logical.width() * ratio))),
                                  std::max(1, static_cast<int>(std::lround(logical.height() * ratio))),
                                  Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

// Loaded once and shared: every surface draws the same pictures.
QImage loadPicture(const QString& name, double ratio)
{
    static QHash<QString, QImage> cache;
    const QString key = ratio == 1 ? name : QStringLiteral("%1 %2").arg(name).arg(ratio);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.insert(key, preparePicture(name, ratio));
    return *it;
}

const QString gameFamily = QString::fromUtf8("ＭＳ Ｐ明朝");

bool isIndexedSet(Picture picture)
{
    return picture == Picture::KURO || picture == Picture::AO || picture == Picture::SIRO ||
           picture == Picture::AKA;
}

}  // namespace

QtSurface::QtSurface(QSize pixels, double ratio)
    : pixels_(pixels),
      ratio_(ratio),
      image_(toDevice(pixels.width()), toDevice(pixels.height()), QImage::Format_RGB32)
{
    image_.fill(colour(backColour_));
}

int QtSurface::toDevice(double logical) const
{
    return static_cast<int>(std::lround(logical * ratio_));
}

void QtSurface::setRatio(double ratio)
{
    if (ratio <= 0 || ratio == ratio_)
        return;
    ratio_ = ratio;
    // Nothing drawn yet (the window takes the screen's density before the
    // game draws): the background alone, at once, is what smoothing it would
    // give, without the milliseconds of smoothing a whole window's pixels.
    if (blank_) {
        image_ = QImage(toDevice(pixels_.width()), toDevice(pixels_.height()), QImage::Format_RGB32);
        image_.fill(colour(backColour_));
        return;
    }
    image_ = image_.scaled(toDevice(pixels_.width()), toDevice(pixels_.height()), Qt::IgnoreAspectRatio,
                           Qt::SmoothTransformation);
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

QImage QtSurface::picture(Picture picture, int element, double ratio)
{
    const QString name = QString::fromLatin1(pictureName(picture));
    if (!isIndexedSet(picture))
        return loadPicture(name, ratio);
    if (element < 1 || element > 5)
        return {};
    return loadPicture(QStringLiteral("%1_%2").arg(name).arg(element), ratio);
}

QImage QtSurface::iconPicture(IconPicture icon, int element, double ratio)
{
    if (element < 1 || element > iconsPerKind)
        return {};
    return loadPicture(QStringLiteral("%1_%2").arg(QString::fromLatin1(iconName(icon))).arg(element), ratio);
}

void QtSurface::cover(const QRectF& area)
{
    std::erase_if(texts_, [&area](const StandingText& text) { return text.area.intersects(area); });
}

void QtSurface::copyPicture(Picture picture, int element, double x, double y)
{
    const QImage source = QtSurface::picture(picture, element, ratio_);
    if (source.isNull())
        return;
    const QPoint at(toPixels(x), toPixels(y));
    cover(QRectF(at, source.deviceIndependentSize()));
    blank_ = false;
    QPainter p(&image_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRect(QPoint(toDevice(at.x()), toDevice(at.y())), source.size()), source, source.rect());
}

void QtSurface::fillRect(double x, double y, double w, double h, int rgb)
{
    const int x1 = toPixels(x);
    const int y1 = toPixels(y);
    const int x2 = toPixels(x + w);
    const int y2 = toPixels(y + h);
    // Logical pixels from the smaller corner up to and including the larger.
    const QRect area(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2)));
    cover(QRectF(area));
    blank_ = false;
    QPainter p(&image_);
    p.fillRect(QRect(QPoint(toDevice(area.left()), toDevice(area.top())),
                     QPoint(toDevice(area.right() + 1) - 1, toDevice(area.bottom() + 1) - 1)),
               colour(rgb));
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
    // Smoothed glyphs printed over themselves would darken their own edges
    // (the move numbers are printed again after every move); a text that
    // still stands as it was printed is left as it is.
    for (const StandingText& standing : texts_)
        if (standing.x == x && standing.y == y && standing.points == points && standing.rgb == rgb &&
            standing.text == text)
            return;

    const QFont font = textFont(points);
    const QFontMetricsF metrics(font);
    const double blank = blankWidth(font);
    blank_ = false;
    QPainter p(&image_);
    // Laid out in logical pixels, drawn at the surface's density.
    if (ratio_ != 1)
        p.scale(ratio_, ratio_);
    p.setFont(font);
    p.setPen(colour(rgb));
    QPointF at(toPixels(x), toPixels(y) + metrics.ascent());
    QRectF inked;
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
            // A pixel of margin for the smoothed edges.
            inked |= metrics.boundingRect(word).translated(at).adjusted(-1, -1, 1, 1);
            at.rx() += metrics.horizontalAdvance(word);
        }
        start = end;
    }
    cover(inked);
    texts_.push_back({x, y, text, points, rgb, inked});
}

void QtSurface::setBackColour(int rgb)
{
    backColour_ = rgb;
    texts_.clear();
    image_.fill(colour(rgb));
    blank_ = true;
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
    // The image's device pixels onto the painter's: one to one when the
    // painter's density is the surface's.
    const QRectF drawing = QRectF(area) & QRectF(QPointF(0, 0), QSizeF(image_.size()) / ratio_);
    painter.drawImage(drawing, image_,
                      QRectF(drawing.topLeft() * ratio_, drawing.size() * ratio_));
    // Seat icons first, the computer's hand above them.
    for (IconPicture kind : {IconPicture::ICO_COM, IconPicture::ICO_MAN, IconPicture::TE}) {
        for (int element = 1; element <= iconsPerKind; ++element) {
            const IconState state = icon(kind, element);
            if (!state.visible)
                continue;
            const QImage picture = iconPicture(kind, element, ratio_);
            // On a device pixel, so that a picture at the surface's density is copied as drawn.
            const QPointF at(toDevice(toPixels(state.left)) / ratio_, toDevice(toPixels(state.top)) / ratio_);
            painter.drawImage(QRectF(at, picture.deviceIndependentSize()), picture, QRectF(picture.rect()));
        }
    }
}

QImage QtSurface::render() const
{
    QImage out(image_.size(), QImage::Format_RGB32);
    out.setDevicePixelRatio(ratio_);
    QPainter p(&out);
    paint(p, QRect(QPoint(0, 0), (QSizeF(image_.size()) / ratio_).toSize()));
    return out;
}

}  // namespace korvalo
