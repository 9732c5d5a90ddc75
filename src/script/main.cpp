// korvalo-script: plays the game from a script of window events on Qt's
// offscreen platform and prints every observable event, one line each.
//
//   korvalo-script [--dir DIR] [--draw] [--ratio R] [--no-sound-device] [--no-sound-library] [SCRIPT]
#include <QDir>
#include <QGuiApplication>

#include <iostream>
#include <unistd.h>

#include "drawing/qt_surface.h"
#include "drawing/surface_platform.h"
#include "script/script_reader.h"
#include "script/script_runner.h"

namespace {

constexpr const char* usage =
    "usage: korvalo-script [--dir DIR] [--draw] [--ratio R] [--no-sound-device] [--no-sound-library] [SCRIPT]\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace korvalo;
    ScriptOptions options;
    std::string dir, scriptFile, error;
    if (!parseScriptArguments(argc, argv, &options, &dir, &scriptFile, &error)) {
        std::cerr << "korvalo-script: " << error << '\n' << usage;
        return 2;
    }
    // The script is named relative to where the driver was started; "-" or
    // no name reads standard input, whatever it is.
    int fd = STDIN_FILENO;
    if (!scriptFile.empty() && scriptFile != "-" && (fd = openScriptFile(scriptFile, &error)) < 0) {
        std::cerr << "korvalo-script: " << error << '\n';
        return 2;
    }
    if (!dir.empty() && !QDir::setCurrent(QString::fromStdString(dir))) {
        std::cerr << "korvalo-script: cannot change to " << dir << '\n';
        return 2;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    // Snapshots at the given density, 1 unless asked for.
    QtSurface surface(QtSurface::defaultPixels, options.ratio);
    SurfacePlatform surfacePlatform(surface);
    ScriptRunner runner(options, std::cout, &surfacePlatform, [&surface](const std::string& png) {
        return surface.render().save(QString::fromStdString(png), "PNG");
    });
    ScriptReader reader(fd, true);
    return runner.run(reader, std::cerr);
}
