// Writes every picture of the game as a PNG file into the folder given on the
// command line: NAME.png for screens of 96 dpi, NAME@2x.png and NAME@3x.png
// drawn at two and three times the pixels for denser screens. With
// --sheet FILE it also writes a contact sheet of all pictures, enlarged, for
// looking at them.
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "artwork.h"

namespace {

using Named = std::pair<QString, QImage>;

// The pictures drawn on the board and over it, at a scale of device pixels
// to logical pixels.
std::vector<Named> boardPictures(int scale)
{
    using namespace artgen;
    struct Seat {
        const char* piece;
        QColor face;
        QColor computerBody, computerScreen;
        QColor person;
        QColor hand;
    };
    const Seat seats[] = {
        {"KURO", QColor(0, 0, 0), QColor(0, 0, 0), QColor(128, 128, 128), QColor(0, 0, 0), QColor(0, 0, 0)},
        {"AO", QColor(0, 0, 255), QColor(0, 0, 255), QColor(0, 0, 128), QColor(0, 255, 255), QColor(0, 0, 255)},
        {"SIRO", QColor(255, 255, 255), QColor(255, 255, 255), QColor(192, 192, 192), QColor(255, 255, 255),
         QColor(255, 255, 255)},
        {"AKA", QColor(255, 0, 0), QColor(255, 0, 0), QColor(128, 0, 0), QColor(255, 0, 0), QColor(255, 0, 0)},
    };

    std::vector<Named> out;
    out.emplace_back("MASU", emptySquare(scale));
    for (const Seat& seat : seats)
        for (int frame = 1; frame <= 5; ++frame)
            out.emplace_back(QStringLiteral("%1_%2").arg(seat.piece).arg(frame),
                             pieceFrame(frame, seat.face, rimYellow, scale));
    out.emplace_back("KOMA_SIDOU", pieceFrame(1, QColor(192, 192, 192), QColor(128, 128, 128), scale));
    out.emplace_back("RABERU", titlePicture(scale));
    for (int i = 0; i < 4; ++i)
        out.emplace_back(QStringLiteral("ICO_COM_%1").arg(i + 1),
                         computerIcon(seats[i].computerBody, seats[i].computerScreen, scale));
    for (int i = 0; i < 4; ++i)
        out.emplace_back(QStringLiteral("ICO_MAN_%1").arg(i + 1), personIcon(seats[i].person, scale));
    for (int i = 0; i < 4; ++i)
        out.emplace_back(QStringLiteral("TE_%1").arg(i + 1), handIcon(seats[i].hand, scale));
    return out;
}

std::vector<Named> allPictures()
{
    std::vector<Named> out = boardPictures(1);
    out.emplace_back("korvalo_32", artgen::windowIcon(32));
    out.emplace_back("korvalo_256", artgen::windowIcon(256));
    return out;
}

// All pictures enlarged four times on the window's dark green, in rows.
QImage contactSheet(const std::vector<Named>& pictures)
{
    const int scale = 4;
    const int columns = 5;
    const int pitch = 41 * scale + 16;
    int rows = 0;
    int column = columns;
    std::vector<QPoint> places;
    for (const Named& named : pictures) {
        const bool wide = named.second.width() > 41;
        if (column >= columns || wide || named.first.endsWith("_1")) {
            ++rows;
            column = 0;
        }
        places.emplace_back(column * pitch + 8, (rows - 1) * 272 + 8);
        column += wide ? columns : 1;
    }
    QImage sheet(columns * pitch + 8, rows * 272 + 8, QImage::Format_RGB32);
    sheet.fill(QColor(0, 128, 0));
    QPainter p(&sheet);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const QImage& image = pictures[i].second;
        const int factor = image.width() > 128 ? 1 : scale;
        p.drawImage(QRect(places[i], image.size() * factor), image);
        p.setPen(Qt::white);
        p.drawText(places[i] + QPoint(0, std::min(image.height() * factor, 256) + 12), pictures[i].first);
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv)
{
    // Text is drawn through the font system, which needs a GUI application;
    // no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [--sheet FILE]\n", argv[0]);
        return 2;
    }
    const QDir folder(args[1]);
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder.path()));
        return 1;
    }
    const std::vector<Named> pictures = allPictures();
    std::vector<Named> files = pictures;
    for (int scale : {2, 3})
        for (Named& named : boardPictures(scale))
            files.emplace_back(QStringLiteral("%1@%2x").arg(named.first).arg(scale), std::move(named.second));
    for (const Named& named : files) {
        const QString file = folder.filePath(named.first + ".png");
        if (!named.second.save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const qsizetype sheetAt = args.indexOf("--sheet");
    if (sheetAt > 0 && sheetAt + 1 < args.size() && !contactSheet(pictures).save(args[sheetAt + 1])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[sheetAt + 1]));
        return 1;
    }
    return 0;
}
