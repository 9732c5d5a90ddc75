// korvalo_icon_theme: writes the program's icon into a hicolor icon theme
// folder, as PNG files at every size desktops ask for and as a scalable SVG,
// all painted by the same vector operations as the window's own icon.
//
//   korvalo_icon_theme FOLDER    writes FOLDER/NxN/apps/korvalo.png and
//                                FOLDER/scalable/apps/korvalo.svg
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "artwork.h"

namespace {

constexpr int themeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

bool writePng(const QDir& theme, int size)
{
    const QString folder = theme.filePath(QStringLiteral("%1x%1/apps").arg(size));
    return QDir().mkpath(folder) && artgen::windowIcon(size).save(folder + QStringLiteral("/korvalo.png"));
}

bool writeSvg(const QDir& theme)
{
    const QString folder = theme.filePath(QStringLiteral("scalable/apps"));
    if (!QDir().mkpath(folder))
        return false;
    // Drawn in the icon's own 32-unit grid, so the paths keep their numbers.
    constexpr int units = 32;
    QSvgGenerator svg;
    svg.setFileName(folder + QStringLiteral("/korvalo.svg"));
    svg.setSize(QSize(units, units));
    svg.setViewBox(QRect(0, 0, units, units));
    svg.setResolution(96);  // so that the size in millimetres is 32 CSS pixels
    svg.setTitle(QStringLiteral("Korvalo"));
    QPainter p;
    if (!p.begin(&svg))
        return false;
    p.setRenderHint(QPainter::Antialiasing);
    artgen::paintWindowIcon(p, units);
    return p.end();
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s THEME_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    for (int size : themeSizes) {
        if (!writePng(theme, size)) {
            std::fprintf(stderr, "cannot write the %d pixel icon into %s\n", size, argv[1]);
            return 1;
        }
    }
    if (!writeSvg(theme)) {
        std::fprintf(stderr, "cannot write the scalable icon into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
