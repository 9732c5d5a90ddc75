#pragma once
// The retained drawing surface of the game window: an image of the client
// area into which the game draws in twips, and the small icon pictures that
// float above it. It needs a QGuiApplication (for fonts) but no window, so it
// also serves for pictures of the game taken without a screen.
//
// Positions and sizes are logical pixels (15 twips each); the image holds
// ratio device pixels to each of them, as many as the screen shows, and
// every picture and text is drawn at that density from its own artwork.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <array>
#include <string>
#include <vector>

#include "platform/platform.h"

class QPainter;

namespace korvalo {

inline constexpr int twipsPerPixel = 15;
// The background of the window, RGB(0, 128, 0) with red in the low byte.
inline constexpr int greenBackground = 32768;

class QtSurface {
public:
    // The window is 9800 x 8000 twips from frame to frame, so its client
    // area never exceeds that.
    static constexpr QSize defaultPixels{9800 / twipsPerPixel, 8000 / twipsPerPixel};

    explicit QtSurface(QSize pixels = defaultPixels, double ratio = 1);

    // Device pixels to a logical pixel.
    double ratio() const { return ratio_; }
    // Moves the drawing to another density (the window went to another
    // screen): what is drawn stays, enlarged or reduced smoothly; what is
    // drawn from now on is sharp at the new density.
    void setRatio(double ratio);

    // Drawing, positions and sizes in twips from the top-left corner.
    void copyPicture(Picture picture, int element, double x, double y);
    // Fills between (x, y) and (x + w, y + h), both corner pixels included.
    void fillRect(double x, double y, double w, double h, int rgb);
    // Only the glyphs are painted; the line's top-left corner is at (x, y).
    // The same text printed again where it still stands untouched changes
    // nothing: its smoothed edges do not fill in.
    void printText(double x, double y, const std::string& text, int points, int rgb);
    // A new background colour erases the whole surface, as it does on a form.
    void setBackColour(int rgb);
    int backColour() const { return backColour_; }

    // Icon pictures, element 1..4, positions in twips; hidden until shown.
    struct IconState {
        bool visible = false;
        int left = 0;
        int top = 0;
    };
    void moveIcon(IconPicture icon, int element, int left, int top);
    void setIconVisible(IconPicture icon, int element, bool visible);
    IconState icon(IconPicture icon, int element) const;

    // The drawing without the icons, in device pixels.
    const QImage& image() const { return image_; }
    // The drawing with the visible icons on top, as the window shows it, in
    // device pixels.
    QImage render() const;
    // Paints the drawing and the visible icons into area, in logical pixels;
    // beyond the drawing the background colour.
    void paint(QPainter& painter, const QRect& area) const;

    static int toPixels(double twips);
    // A colour in the game's format: red in the low byte, then green, blue.
    static QColor colour(int rgb);
    // The window's font at a size in points, measured as on a 96 dpi screen.
    static QFont textFont(int points);
    // The advance of one blank in that font.
    static double blankWidth(const QFont& font);
    // The stored pictures at a density, their device pixel ratio set to it;
    // a null image for an element that does not exist.
    static QImage picture(Picture picture, int element, double ratio = 1);
    static QImage iconPicture(IconPicture icon, int element, double ratio = 1);

private:
    // A text that stands on the surface as printed: nothing has been drawn
    // over the area of its glyphs since.
    struct StandingText {
        double x, y;
        std::string text;
        int points, rgb;
        QRectF area;
    };
    int toDevice(double logical) const;
    // Forgets the texts that a drawing over area covers.
    void cover(const QRectF& area);

    static constexpr int iconKinds = 3;
    static constexpr int iconsPerKind = 4;
    static bool isIcon(IconPicture icon, int element);
    IconState* iconSlot(IconPicture icon, int element);

    QSize pixels_;
    double ratio_;
    QImage image_;
    std::vector<StandingText> texts_;
    int backColour_ = greenBackground;
    // Nothing drawn since the image was filled with the background.
    bool blank_ = true;
    std::array<std::array<IconState, iconsPerKind>, iconKinds> icons_{};
};

}  // namespace korvalo
