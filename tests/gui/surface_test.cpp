// The drawing surface: where squares, pieces, rectangles, texts and icons
// land in pixels for positions in twips.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <vector>
#include <QImage>
#include <functional>

#include "drawing/qt_surface.h"

namespace korvalo {
namespace {

// Cell points of the board, in twips.
double cellX(double u) { return 400 + 630 * u; }
double cellY(double v) { return 100 + 630 * v; }

const QRgb background = qRgb(0, 128, 0);
const QRgb squareGreen = qRgb(0, 255, 0);
const int red = 255;  // RGB(255, 0, 0) in the game's colour format
const int white = 16777215;

QRgb at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000u;
}

// The smallest rectangle holding every pixel that differs between the images.
QRect changedArea(const QImage& before, const QImage& after)
{
    QRect area;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

TEST(Surface, SquaresLeaveAOnePixelGridLineBetweenThem)
{
    QtSurface surface;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            surface.copyPicture(Picture::MASU, 0, cellX(x), cellY(y));
    const QImage& image = surface.image();
    // Square (1, 1) starts at 1030 x 730 twips: pixel (69, 49).
    EXPECT_EQ(at(image, 68, 49), background);
    EXPECT_EQ(at(image, 69, 48), background);
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            const int left = 69 + 42 * (x - 1);
            const int top = 49 + 42 * (y - 1);
            SCOPED_TRACE(testing::Message() << "square " << x << "," << y);
            EXPECT_EQ(at(image, left, top), squareGreen);
            EXPECT_EQ(at(image, left + 40, top + 40), squareGreen);
            EXPECT_EQ(at(image, left + 41, top + 20), background);  // line to the right
            EXPECT_EQ(at(image, left + 20, top + 41), background);  // line below
        }
    }
    EXPECT_EQ(at(image, 69 + 42 * 8 + 41, 49), background);
}

TEST(Surface, PieceReplacesTheSquareEntirely)
{
    QtSurface surface;
    surface.copyPicture(Picture::MASU, 0, cellX(3), cellY(3));
    surface.copyPicture(Picture::KOMA_SIDOU, 0, cellX(3), cellY(3));
    surface.copyPicture(Picture::AKA, 3, cellX(3), cellY(3));
    const QImage drawn = surface.image().copy(69 + 42 * 2, 49 + 42 * 2, 41, 41);
    EXPECT_EQ(drawn, QtSurface::picture(Picture::AKA, 3).convertToFormat(drawn.format()));
    EXPECT_EQ(at(surface.image(), 69 + 42 * 2 - 1, 49 + 42 * 2), background);
    EXPECT_EQ(at(surface.image(), 69 + 42 * 2 + 41, 49 + 42 * 2), background);
}

TEST(Surface, ElementsThatDoNotExistDrawNothing)
{
    QtSurface surface;
    const QImage before = surface.image();
    surface.copyPicture(Picture::KURO, 0, cellX(1), cellY(1));
    surface.copyPicture(Picture::AO, 6, cellX(1), cellY(1));
    EXPECT_EQ(surface.image(), before);
}

TEST(Surface, FillIncludesBothCorners)
{
    QtSurface surface;
    surface.fillRect(150, 300, 150, 75, red);  // pixels (10, 20) to (20, 25)
    const QImage& image = surface.image();
    EXPECT_EQ(changedArea(QtSurface().image(), image), QRect(QPoint(10, 20), QPoint(20, 25)));
    EXPECT_EQ(at(image, 10, 20), qRgb(255, 0, 0));
    EXPECT_EQ(at(image, 20, 25), qRgb(255, 0, 0));

    // The turn line's erase at cell point (10.5, 5), 2200 x 300 twips.
    QtSurface turnLine;
    turnLine.fillRect(cellX(10.5), cellY(5), 2200, 300, red);
    EXPECT_EQ(changedArea(QtSurface().image(), turnLine.image()), QRect(QPoint(468, 217), QPoint(614, 237)));
}

// Prints white text on a red patch and returns the area it changed.
QRect printOnRed(QtSurface& surface, double x, double y, const std::string& text, int points)
{
    surface.fillRect(x - 300, y - 300, 6000, 1200, red);
    const QImage before = surface.image();
    surface.printText(x, y, text, points, white);
    return changedArea(before, surface.image());
}

// Every changed pixel is red or white or between them: only glyphs were
// painted, and some red is left between them.
void expectOnlyGlyphs(const QImage& image, const QRect& area)
{
    int untouched = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = at(image, x, y);
            ASSERT_EQ(qRed(p), 255) << x << "," << y;
            ASSERT_EQ(qGreen(p), qBlue(p)) << x << "," << y;
            untouched += p == qRgb(255, 0, 0);
        }
    }
    EXPECT_GT(untouched, area.width() * area.height() / 4);
}

TEST(Surface, TextStandsWithItsTopLeftCornerAtTheCellPoint)
{
    QtSurface surface;
    // A row number at cell point (0.3, 1.3): 589 x 919 twips, pixel (39, 61).
    EXPECT_EQ(cellX(0.3), 589);
    EXPECT_EQ(cellY(1.3), 919);
    const QRect digit = printOnRed(surface, cellX(0.3), cellY(1.3), "8", 15);
    ASSERT_FALSE(digit.isEmpty());
    EXPECT_GE(digit.left(), 39);
    EXPECT_LE(digit.left(), 39 + 4);
    EXPECT_GE(digit.top(), 61);
    EXPECT_LE(digit.bottom(), 61 + 20);  // 15 points are 20 pixels at 96 dpi
    EXPECT_GE(digit.height(), 11);
    expectOnlyGlyphs(surface.image(), digit);

    // The column letters at cell point (1.4, 0.4): 1282 x 352 twips, pixel (85, 23).
    EXPECT_EQ(cellX(1.4), 1282);
    EXPECT_EQ(cellY(0.4), 352);
    QtSurface letters;
    const QRect line = printOnRed(letters, cellX(1.4), cellY(0.4), "a    b     c    d     e     f     g    h     i", 15);
    EXPECT_GE(line.left(), 85);
    EXPECT_LE(line.left(), 85 + 4);
    EXPECT_GE(line.top(), 23);
    EXPECT_LE(line.bottom(), 23 + QFontMetrics(QtSurface::textFont(15)).height());
    expectOnlyGlyphs(letters.image(), line);
}

// Centres of the runs of columns holding ink in the given rows.
std::vector<double> inkRuns(const QImage& image, const QRect& rows, QRgb ground)
{
    std::vector<double> centres;
    int start = -1;
    for (int x = rows.left(); x <= rows.right() + 1; ++x) {
        bool ink = false;
        for (int y = rows.top(); x <= rows.right() && y <= rows.bottom() && !ink; ++y)
            ink = at(image, x, y) != ground;
        if (ink && start < 0)
            start = x;
        if (!ink && start >= 0) {
            centres.push_back((start + x - 1) / 2.0);
            start = -1;
        }
    }
    return centres;
}

TEST(Surface, ColumnLettersStandOverTheirColumns)
{
    QtSurface surface;
    for (int x = 1; x <= 9; ++x)
        surface.copyPicture(Picture::MASU, 0, cellX(x), cellY(1));
    surface.printText(cellX(1.4), cellY(0.4), "a    b     c    d     e     f     g    h     i", 15, white);
    const std::vector<double> letters = inkRuns(surface.image(), QRect(0, 23, 653, 22), qRgb(0, 128, 0));
    ASSERT_EQ(letters.size(), 9u);
    for (int column = 1; column <= 9; ++column)
        EXPECT_NEAR(letters[column - 1], 69 + 42 * (column - 1) + 20, 5) << "column " << column;
}

TEST(Surface, TextUsesABoldProportionalMinchoSizedFor96Dpi)
{
    const QFont font = QtSurface::textFont(15);
    const QFontInfo info(font);
    EXPECT_TRUE(info.family() == QString::fromUtf8("ＭＳ Ｐ明朝") || info.family() == "IPAPMincho" ||
                info.family() == "Noto Serif CJK JP")
        << info.family().toStdString();
    EXPECT_TRUE(info.bold());
    EXPECT_EQ(info.pixelSize(), 20);
    EXPECT_EQ(QtSurface::textFont(12).pixelSize(), 16);
}

TEST(Surface, IconsFloatAboveTheDrawingWithTheirTransparentParts)
{
    QtSurface surface;
    surface.copyPicture(Picture::MASU, 0, cellX(5), cellY(5));
    const QImage drawing = surface.image();
    EXPECT_EQ(surface.render(), drawing);  // nothing shown yet

    surface.moveIcon(IconPicture::ICO_MAN, 2, 3600, 3300);  // pixel (240, 220)
    EXPECT_EQ(surface.render(), drawing);  // moved but hidden
    surface.setIconVisible(IconPicture::ICO_MAN, 2, true);
    const QImage shown = surface.render();
    EXPECT_EQ(surface.image(), drawing);  // the icon is not drawn into the surface
    EXPECT_TRUE(QRect(240, 220, 32, 32).contains(changedArea(drawing, shown)));
    const QImage person = QtSurface::iconPicture(IconPicture::ICO_MAN, 2);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb icon = person.pixel(x, y);
            if (qAlpha(icon) == 0) {
                EXPECT_EQ(shown.pixel(240 + x, 220 + y), drawing.pixel(240 + x, 220 + y));
            } else if (qAlpha(icon) == 255) {
                EXPECT_EQ(at(shown, 240 + x, 220 + y), qRgb(0, 255, 255));
            }
        }
    }

    surface.moveIcon(IconPicture::ICO_MAN, 2, 650, 3200);
    EXPECT_TRUE(QRect(43, 213, 32, 32).contains(changedArea(drawing, surface.render())));
    surface.setIconVisible(IconPicture::ICO_MAN, 2, false);
    EXPECT_EQ(surface.render(), drawing);
    EXPECT_FALSE(surface.icon(IconPicture::ICO_MAN, 2).visible);
    EXPECT_EQ(surface.icon(IconPicture::ICO_MAN, 2).left, 650);
}

// 2 x 2 blocks of device pixels that are not all one colour: a picture
// enlarged from 96 dpi by doubling its pixels has none.
int mixedBlocks(const QImage& image, const QRect& area)
{
    int mixed = 0;
    for (int y = area.top(); y + 1 <= area.bottom(); y += 2)
        for (int x = area.left(); x + 1 <= area.right(); x += 2) {
            const QRgb p = image.pixel(x, y);
            mixed += image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p;
        }
    return mixed;
}

TEST(Surface, AtRatioTwoPicturesTextsAndIconsAreDrawnAtTheirOwnResolution)
{
    QtSurface sharp(QtSurface::defaultPixels, 2);
    EXPECT_EQ(sharp.image().size(), QSize(1306, 1066));
    sharp.copyPicture(Picture::KURO, 1, cellX(3), cellY(3));   // logical pixel (153, 133)
    sharp.copyPicture(Picture::SIRO, 1, cellX(4), cellY(3));
    sharp.printText(cellX(4.4), cellY(3.2), "7", 14, 0);       // black on the white stone
    sharp.printText(cellX(1.4), cellY(0.4), "a    b", 15, white);
    sharp.moveIcon(IconPicture::TE, 2, 3600, 300);               // logical pixel (240, 20)
    sharp.setIconVisible(IconPicture::TE, 2, true);
    const QImage shown = sharp.render();

    const QImage stone = QtSurface::picture(Picture::KURO, 1);
    const QImage doubled = stone.scaled(82, 82, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    ASSERT_EQ(mixedBlocks(doubled, doubled.rect()), 0);
    const QRect stoneArea(2 * 153, 2 * 133, 82, 82);
    EXPECT_EQ(shown.copy(stoneArea).convertToFormat(QImage::Format_RGB32),
              QtSurface::picture(Picture::KURO, 1, 2).convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(shown.copy(stoneArea).convertToFormat(QImage::Format_RGB32), doubled.convertToFormat(QImage::Format_RGB32));
    // The rim's edges run through the doubled pixels.
    EXPECT_GT(mixedBlocks(shown, stoneArea), 40);
    EXPECT_GT(mixedBlocks(shown, QRect(2 * 195, 2 * 133, 82, 82)), 40);       // the white stone with its number
    EXPECT_GT(mixedBlocks(shown, QRect(2 * 85, 2 * 23, 2 * 60, 2 * 20)), 10);  // the letters
    EXPECT_GT(mixedBlocks(shown, QRect(2 * 240, 2 * 20, 64, 64)), 20);         // the hand
    // The same places as at ratio 1: the board's green starts where it did.
    EXPECT_EQ(at(shown, 2 * 153 - 1, 2 * 133), background);
    EXPECT_EQ(at(shown, 2 * 153, 2 * 133), squareGreen);
}

TEST(Surface, AtEveryRatioAGridLineStaysBetweenTheSquares)
{
    for (double ratio : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0}) {
        SCOPED_TRACE(ratio);
        QtSurface surface(QtSurface::defaultPixels, ratio);
        for (int x = 1; x <= 9; ++x)
            surface.copyPicture(Picture::MASU, 0, cellX(x), cellY(1));
        // Across the middle of row 1: nine runs of square green, each about
        // 41 logical pixels wide, with the background between them.
        const QImage& image = surface.image();
        const int y = static_cast<int>((49 + 20) * ratio);
        std::vector<int> runs;
        int length = 0;
        for (int x = 0; x < image.width(); ++x) {
            if (at(image, x, y) == squareGreen) {
                ++length;
            } else {
                EXPECT_EQ(at(image, x, y), background) << x;
                if (length > 0)
                    runs.push_back(length);
                length = 0;
            }
        }
        ASSERT_EQ(runs.size(), 9u);
        for (int run : runs)
            EXPECT_NEAR(run, 41 * ratio, 1);
    }
}

TEST(Surface, TextPrintedAgainOverItselfChangesNothingAtRatiosOneAndTwo)
{
    for (double ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        QtSurface surface(QtSurface::defaultPixels, ratio);
        surface.copyPicture(Picture::AO, 1, cellX(3), cellY(4));
        surface.copyPicture(Picture::SIRO, 1, cellX(4), cellY(4));
        surface.printText(cellX(3.3), cellY(4.2), "12", 14, white);
        surface.printText(cellX(4.4), cellY(4.2), "7", 14, 0);
        const QImage once = surface.image();
        for (int again = 0; again < 60; ++again) {
            surface.printText(cellX(3.3), cellY(4.2), "12", 14, white);
            surface.printText(cellX(4.4), cellY(4.2), "7", 14, 0);
        }
        EXPECT_EQ(surface.image(), once);

        // A stone drawn again covers its number; the number printed on it
        // then is a first print again.
        surface.copyPicture(Picture::AO, 1, cellX(3), cellY(4));
        EXPECT_NE(surface.image(), once);
        surface.printText(cellX(3.3), cellY(4.2), "12", 14, white);
        EXPECT_EQ(surface.image(), once);

        // Another text over it is printed over it: both stay visible.
        surface.printText(cellX(3.3), cellY(4.2), "13", 14, white);
        EXPECT_NE(surface.image(), once);
    }
}

TEST(Surface, OnAScreenOfAnotherDensityTheDrawingStaysInPlace)
{
    QtSurface surface;
    surface.copyPicture(Picture::AKA, 1, cellX(5), cellY(5));  // logical pixel (237, 217)
    surface.printText(cellX(0.3), cellY(1.3), " 1", 15, white);
    surface.setRatio(2);
    EXPECT_EQ(surface.image().size(), QSize(1306, 1066));
    EXPECT_EQ(at(surface.image(), 2 * 237 + 40, 2 * 217 + 30), qRgb(255, 0, 0));  // the stone's face
    EXPECT_EQ(at(surface.image(), 2 * 237 - 4, 2 * 217 + 40), background);
    // What is drawn now is drawn at the new density.
    surface.copyPicture(Picture::KURO, 1, cellX(5), cellY(5));
    EXPECT_EQ(surface.image().copy(2 * 237, 2 * 217, 82, 82).convertToFormat(QImage::Format_RGB32),
              QtSurface::picture(Picture::KURO, 1, 2).convertToFormat(QImage::Format_RGB32));
}

// Whatever the first drawing is, it survives the move to another density;
// with nothing drawn yet, the move gives the background alone.
TEST(Surface, OnlyASurfaceWithNothingDrawnComesToAnotherDensityAsTheBackgroundAlone)
{
    const std::vector<std::function<void(QtSurface&)>> firstDrawings = {
        [](QtSurface& s) { s.copyPicture(Picture::AKA, 1, cellX(5), cellY(5)); },
        [](QtSurface& s) { s.fillRect(cellX(5), cellY(5), 630, 630, red); },
        [](QtSurface& s) { s.printText(cellX(5), cellY(5), "8", 40, red); },
    };
    for (const auto& draw : firstDrawings) {
        QtSurface surface;
        draw(surface);
        surface.setRatio(2);
        QImage background(surface.image().size(), QImage::Format_RGB32);
        background.fill(qRgb(0, 128, 0));
        EXPECT_NE(surface.image(), background);
    }
    QtSurface blank;
    blank.setBackColour(red);
    blank.setRatio(1.5);
    QImage expected(980, 800, QImage::Format_RGB32);
    expected.fill(qRgb(255, 0, 0));
    EXPECT_EQ(blank.image(), expected);
}

}  // namespace
}  // namespace korvalo
