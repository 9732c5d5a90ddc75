// The embedded pictures: sizes, the green ground, the frames' mirror images
// and the colours the board depends on.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "drawing/qt_surface.h"

namespace korvalo {
namespace {

const QRgb ground = qRgb(0, 255, 0);
const QRgb rim = qRgb(255, 255, 128);
const QRgb contact = qRgb(0, 255, 128);
const QRgb shadow = qRgb(0, 183, 0);
const QRgb deepShadow = qRgb(0, 176, 0);

struct PieceColour {
    Picture picture;
    QRgb face;
};
const PieceColour pieces[] = {{Picture::KURO, qRgb(0, 0, 0)},
                              {Picture::AO, qRgb(0, 0, 255)},
                              {Picture::SIRO, qRgb(255, 255, 255)},
                              {Picture::AKA, qRgb(255, 0, 0)}};

QRgb at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000u;
}

// Pixels of exactly one colour, as a one-bit picture.
QImage pixelsOf(const QImage& image, QRgb colour)
{
    QImage mask(image.size(), QImage::Format_Mono);
    mask.fill(0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (at(image, x, y) == colour)
                mask.setPixel(x, y, 1);
    return mask;
}

// Where the picture is not the plain ground.
QImage shapeOf(const QImage& image)
{
    QImage mask = pixelsOf(image, ground);
    mask.invertPixels();
    return mask;
}

int count(const QImage& mask)
{
    int n = 0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            n += mask.pixelIndex(x, y);
    return n;
}

QPointF centreOf(const QImage& mask)
{
    QPointF sum;
    int n = 0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (mask.pixelIndex(x, y)) {
                sum += QPointF(x, y);
                ++n;
            }
    return n ? sum / n : QPointF(-1, -1);
}

TEST(Artwork, EveryPictureHasItsSizeAndNoOtherElementsExist)
{
    EXPECT_EQ(QtSurface::picture(Picture::MASU, 0).size(), QSize(41, 41));
    EXPECT_EQ(QtSurface::picture(Picture::KOMA_SIDOU, 0).size(), QSize(41, 41));
    EXPECT_EQ(QtSurface::picture(Picture::RABERU, 0).size(), QSize(124, 56));
    for (const PieceColour& piece : pieces) {
        for (int frame = 1; frame <= 5; ++frame)
            EXPECT_EQ(QtSurface::picture(piece.picture, frame).size(), QSize(41, 41)) << frame;
        EXPECT_TRUE(QtSurface::picture(piece.picture, 0).isNull());
        EXPECT_TRUE(QtSurface::picture(piece.picture, 6).isNull());
    }
    for (IconPicture icon : {IconPicture::ICO_COM, IconPicture::ICO_MAN, IconPicture::TE}) {
        for (int seat = 1; seat <= 4; ++seat)
            EXPECT_EQ(QtSurface::iconPicture(icon, seat).size(), QSize(32, 32)) << iconName(icon) << seat;
        EXPECT_TRUE(QtSurface::iconPicture(icon, 0).isNull());
        EXPECT_TRUE(QtSurface::iconPicture(icon, 5).isNull());
    }
}

TEST(Artwork, EmptySquareIsPlainGreen)
{
    const QImage square = QtSurface::picture(Picture::MASU, 0);
    EXPECT_EQ(count(pixelsOf(square, ground)), 41 * 41);
}

TEST(Artwork, PieceAtRestShowsItsFaceWithTheRimBelowAndContactGreen)
{
    for (const PieceColour& piece : pieces) {
        const QImage image = QtSurface::picture(piece.picture, 1);
        SCOPED_TRACE(pictureName(piece.picture));
        EXPECT_EQ(at(image, 20, 18), piece.face);
        for (QPoint corner : {QPoint(0, 0), QPoint(40, 0), QPoint(0, 40), QPoint(40, 40)})
            EXPECT_EQ(at(image, corner.x(), corner.y()), ground);
        const QImage rimPixels = pixelsOf(image, rim);
        EXPECT_GT(count(rimPixels), 20);
        EXPECT_GT(centreOf(rimPixels).y(), 30);  // along the lower edge
        EXPECT_NEAR(centreOf(rimPixels).x(), 20.5, 1.0);
        const QImage contactPixels = pixelsOf(image, contact);
        EXPECT_GT(count(contactPixels), 5);
        EXPECT_GT(centreOf(contactPixels).y(), 28);
    }
}

TEST(Artwork, FourthFrameIsTheThirdMirroredPixelForPixel)
{
    for (const PieceColour& piece : pieces) {
        const QImage third = QtSurface::picture(piece.picture, 3);
        EXPECT_EQ(QtSurface::picture(piece.picture, 4), third.mirrored(true, false)) << pictureName(piece.picture);
        EXPECT_NE(QtSurface::picture(piece.picture, 4), third);  // not symmetric by itself
    }
}

TEST(Artwork, FifthFrameMirrorsTheSecondInShapeWithRimAndShadowOnTheRight)
{
    for (const PieceColour& piece : pieces) {
        SCOPED_TRACE(pictureName(piece.picture));
        const QImage second = QtSurface::picture(piece.picture, 2);
        const QImage fifth = QtSurface::picture(piece.picture, 5);
        EXPECT_EQ(shapeOf(fifth), shapeOf(second).mirrored(true, false));
        EXPECT_LT(centreOf(pixelsOf(second, rim)).x(), 20);
        EXPECT_GT(centreOf(pixelsOf(fifth, rim)).x(), 20);
        const QPointF shadowOf2 = centreOf(pixelsOf(second, shadow));
        const QPointF shadowOf5 = centreOf(pixelsOf(fifth, shadow));
        EXPECT_LT(shadowOf2.x(), 20);
        EXPECT_GT(shadowOf2.y(), 20);
        EXPECT_GT(shadowOf5.x(), 20);
        EXPECT_GT(shadowOf5.y(), 20);
        // The face lies from the upper left to the lower right in frame 2.
        EXPECT_EQ(at(second, 12, 10), piece.face);
        EXPECT_EQ(at(second, 29, 25), piece.face);
        EXPECT_EQ(at(second, 29, 8), ground);
    }
}

TEST(Artwork, EdgeOnFrameRunsDownToTheRightWithBothShadowsLowerLeft)
{
    for (const PieceColour& piece : pieces) {
        SCOPED_TRACE(pictureName(piece.picture));
        const QImage third = QtSurface::picture(piece.picture, 3);
        const QImage rimPixels = pixelsOf(third, rim);
        const QImage facePixels = pixelsOf(third, piece.face);
        ASSERT_GT(count(facePixels), 0);
        EXPECT_LT(centreOf(rimPixels).x(), centreOf(facePixels).x());  // rim left, face right
        for (QRgb colour : {shadow, deepShadow}) {
            const QImage shade = pixelsOf(third, colour);
            EXPECT_GT(count(shade), 10);
            EXPECT_LT(centreOf(shade).x(), centreOf(rimPixels).x());
            EXPECT_GT(centreOf(shade).y(), centreOf(rimPixels).y());
        }
        // The band's top lies left of its bottom: it runs down to the right.
        int topX = -1, bottomX = -1;
        for (int y = 0; y < 41 && topX < 0; ++y)
            for (int x = 0; x < 41 && topX < 0; ++x)
                if (at(third, x, y) == rim)
                    topX = x;
        for (int y = 40; y >= 0 && bottomX < 0; --y)
            for (int x = 0; x < 41 && bottomX < 0; ++x)
                if (at(third, x, y) == rim)
                    bottomX = x;
        EXPECT_LT(topX + 8, bottomX);
    }
}

TEST(Artwork, AllColoursShareTheFramesShapes)
{
    for (int frame = 1; frame <= 5; ++frame) {
        const QImage black = QtSurface::picture(Picture::KURO, frame);
        for (const PieceColour& piece : pieces) {
            const QImage other = QtSurface::picture(piece.picture, frame);
            // Fully covered face pixels have exactly the face colour.
            EXPECT_EQ(pixelsOf(other, piece.face), pixelsOf(black, qRgb(0, 0, 0))) << pictureName(piece.picture)
                                                                                   << frame;
            EXPECT_EQ(pixelsOf(other, shadow), pixelsOf(black, shadow)) << pictureName(piece.picture) << frame;
        }
    }
}

TEST(Artwork, MarkIsAGreyPieceOnTheSameGround)
{
    const QImage mark = QtSurface::picture(Picture::KOMA_SIDOU, 0);
    EXPECT_EQ(at(mark, 20, 18), qRgb(192, 192, 192));
    EXPECT_EQ(at(mark, 0, 0), ground);
    const QImage rimPixels = pixelsOf(mark, qRgb(128, 128, 128));
    EXPECT_GT(count(rimPixels), 20);
    EXPECT_GT(centreOf(rimPixels).y(), 30);
    EXPECT_EQ(count(pixelsOf(mark, rim)), 0);
}

TEST(Artwork, TitleStandsOnAPaleYellowGround)
{
    const QImage title = QtSurface::picture(Picture::RABERU, 0);
    int pale = 0;
    for (int y = 0; y < title.height(); ++y)
        for (int x = 0; x < title.width(); ++x) {
            const QRgb p = title.pixel(x, y);
            pale += qRed(p) == 255 && qGreen(p) == 255 && qBlue(p) > 128 && qBlue(p) < 255;
        }
    EXPECT_GT(pale, title.width() * title.height() / 2);
}

// Opaque pixels of an icon, and whether its corners are transparent.
int opaque(const QImage& icon)
{
    int n = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            n += qAlpha(icon.pixel(x, y)) == 255;
    return n;
}

int pixelsOfColour(const QImage& icon, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            n += icon.pixel(x, y) == colour;
    return n;
}

TEST(Artwork, IconsAreFiguresOnTransparentGround)
{
    const QRgb seatColours[] = {qRgb(0, 0, 0), qRgb(0, 0, 255), qRgb(255, 255, 255), qRgb(255, 0, 0)};
    const QRgb personColours[] = {qRgb(0, 0, 0), qRgb(0, 255, 255), qRgb(255, 255, 255), qRgb(255, 0, 0)};
    const QRgb screenColours[] = {qRgb(128, 128, 128), qRgb(0, 0, 128), qRgb(192, 192, 192), qRgb(128, 0, 0)};
    for (int seat = 1; seat <= 4; ++seat) {
        SCOPED_TRACE(seat);
        const QImage computer = QtSurface::iconPicture(IconPicture::ICO_COM, seat);
        const QImage person = QtSurface::iconPicture(IconPicture::ICO_MAN, seat);
        const QImage hand = QtSurface::iconPicture(IconPicture::TE, seat);
        for (const QImage* icon : {&computer, &person, &hand}) {
            EXPECT_EQ(qAlpha(icon->pixel(0, 0)), 0);
            EXPECT_EQ(qAlpha(icon->pixel(31, 0)), 0);
            EXPECT_GT(opaque(*icon), 150);
            EXPECT_LT(opaque(*icon), 32 * 32 * 3 / 4);
        }
        EXPECT_GT(pixelsOfColour(computer, seatColours[seat - 1]), 60);
        EXPECT_GT(pixelsOfColour(computer, screenColours[seat - 1]), 60);
        // The person is one flat colour: every opaque pixel has it.
        EXPECT_EQ(pixelsOfColour(person, personColours[seat - 1]), opaque(person));
        EXPECT_GT(pixelsOfColour(hand, seatColours[seat - 1]), 80);
        EXPECT_GT(pixelsOfColour(hand, qRgb(128, 128, 128)), 40);
    }
}

// The largest difference of one channel between two colours.
int difference(QRgb p, QRgb q)
{
    return std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q)),
                     std::abs(qAlpha(p) - qAlpha(q))});
}

TEST(Artwork, DenserPicturesAreTheSameDrawingWithMorePixels)
{
    std::vector<QImage (*)(double)> all = {
        [](double r) { return QtSurface::picture(Picture::MASU, 0, r); },
        [](double r) { return QtSurface::picture(Picture::KOMA_SIDOU, 0, r); },
        [](double r) { return QtSurface::picture(Picture::RABERU, 0, r); },
        [](double r) { return QtSurface::picture(Picture::AKA, 2, r); },
        [](double r) { return QtSurface::picture(Picture::SIRO, 4, r); },
        [](double r) { return QtSurface::iconPicture(IconPicture::ICO_COM, 1, r); },
        [](double r) { return QtSurface::iconPicture(IconPicture::ICO_MAN, 2, r); },
        [](double r) { return QtSurface::iconPicture(IconPicture::TE, 3, r); },
    };
    for (size_t i = 0; i < all.size(); ++i) {
        const QImage plain = all[i](1).convertToFormat(QImage::Format_ARGB32);
        for (int ratio : {2, 3}) {
            SCOPED_TRACE(testing::Message() << "picture " << i << " at " << ratio);
            const QImage dense = all[i](ratio);
            ASSERT_EQ(dense.size(), plain.size() * ratio);
            EXPECT_EQ(dense.deviceIndependentSize(), QSizeF(plain.size()));
            // Reduced to 96 dpi it is the plain picture, but for the smoothing of edges.
            const QImage reduced = dense.scaled(plain.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                       .convertToFormat(QImage::Format_ARGB32);
            int far = 0;
            for (int y = 0; y < plain.height(); ++y)
                for (int x = 0; x < plain.width(); ++x)
                    far += difference(plain.pixel(x, y), reduced.pixel(x, y)) > 96;
            EXPECT_LT(far, plain.width() * plain.height() / 100);
        }
    }
}

}  // namespace
}  // namespace korvalo
