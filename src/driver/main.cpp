// korvalo-script: plays the game from a script of window events on Qt's
// offscreen platform and prints every observable event, one line each.
//
//   korvalo-script [--computer LEVEL] [--dir DIR] [--draw] [--ratio R] [--no-sound-device] [--no-sound-library] [SCRIPT]
//   korvalo-script --host [--port N] [--code CODE] [--port-mapping|--no-port-mapping] [SCRIPT]
//   korvalo-script --join HOST[:PORT] --code CODE [--seat COLOUR|watch] [SCRIPT]
//   korvalo-script --join korvalo://HOST:PORT/CODE [--seat COLOUR|watch] [SCRIPT]
//   korvalo-script --help | --version
#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "drawing/qt_surface.h"
#include "drawing/surface_platform.h"
#include "log/log.h"
#include "net/protocol.h"
#include "script/command_line.h"
#include "script/script_language.h"
#include "script/script_reader.h"
#include "script/session_options.h"
#include "driver/script_runner.h"

namespace {

using namespace korvalo;

struct Arguments {
    ScriptOptions options;
    std::string dir;     // the folder to play in; empty: where the driver was started
    std::string script;  // empty or "-": standard input
};

CommandLine readArguments(int argc, char** argv, Arguments* read)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays Korvalo from a script of window events without a window and prints every observable event."));
    const QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("Play in <folder>."), QStringLiteral("folder"));
    const QCommandLineOption draw(QStringLiteral("draw"), QStringLiteral("Also print every drawing operation."));
    const QCommandLineOption ratio(QStringLiteral("ratio"),
                                   QStringLiteral("Take snapshots at <r> device pixels to a pixel (0.25 to 8)."),
                                   QStringLiteral("r"));
    const QCommandLineOption noDevice(QStringLiteral("no-sound-device"),
                                      QStringLiteral("Play as if no sound device were found."));
    const QCommandLineOption noLibrary(QStringLiteral("no-sound-library"),
                                       QStringLiteral("Play as if the sound library were missing."));
    parser.addOptions({dir, draw, ratio, noDevice, noLibrary});
    // A headless peer cannot ask for a code nor choose among games found.
    const SessionCommandLine session(parser, {net::defaultPort, false, false});
    parser.addPositionalArgument(QStringLiteral("script"),
                                 QStringLiteral("The script; standard input when missing or -."), QStringLiteral("[script]"));
    const CommandLine result = readCommandLine(parser, argc, argv);
    if (result != CommandLine::Run)
        return result;
    auto wrong = [&](const char* why) {
        std::fprintf(stderr, "korvalo-script: %s\n%s", why, parser.helpText().toLocal8Bit().constData());
        return CommandLine::Wrong;
    };
    // From a quarter to eight device pixels to a logical pixel.
    if (parser.isSet(ratio) &&
        (!toNumber(argumentBytes(parser.value(ratio)), &read->options.ratio) || read->options.ratio < 0.25 ||
         read->options.ratio > 8))
        return wrong("--ratio needs a number from 0.25 to 8");
    if (parser.positionalArguments().size() > 1)
        return wrong("only one script file may be given");
    SessionOptions& shared = read->options;
    if (std::string why; !session.read(parser, {}, &shared, &why))
        return wrong(why.c_str());
    read->options.draw = parser.isSet(draw);
    read->options.soundDevice = !parser.isSet(noDevice);
    read->options.soundLibrary = !parser.isSet(noLibrary);
    read->dir = argumentBytes(parser.value(dir));
    if (!parser.positionalArguments().isEmpty())
        read->script = argumentBytes(parser.positionalArguments().front());
    return CommandLine::Run;
}

}  // namespace

int main(int argc, char** argv)
{
    korvalo::log::setProgram("korvalo-script");
    korvalo::log::takeQtMessages();
    // Qt sees none of the arguments: they are all the driver's.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvalo-script"));

    Arguments arguments;
    switch (readArguments(argc, argv, &arguments)) {
    case CommandLine::Run: break;
    case CommandLine::Done: return 0;
    case CommandLine::Wrong: return 2;
    }
    const ScriptOptions& options = arguments.options;
    const std::string& dir = arguments.dir;
    const std::string& scriptFile = arguments.script;
    std::string error;
    // The script is named relative to where the driver was started; "-" or
    // no name reads standard input, whatever it is.
    int fd = STDIN_FILENO;
    if (!scriptFile.empty() && scriptFile != "-" && (fd = openScriptFile(scriptFile, &error)) < 0) {
        korvalo::log::line("korvalo-script: " + error);
        return 2;
    }
    if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
        korvalo::log::line("korvalo-script: cannot change to " + dir);
        return 2;
    }

    // Snapshots at the given density, 1 unless asked for.
    QtSurface surface(QtSurface::defaultPixels, options.ratio);
    SurfacePlatform surfacePlatform(surface);
    ScriptRunner runner(options, std::cout, &surfacePlatform, [&surface](const std::string& png) {
        return surface.render().save(QString::fromStdString(png), "PNG");
    });
    // A peer of a network game reads without blocking, so that it answers
    // the others while its script has nothing more yet.
    ScriptReader reader(fd, options.role == SessionOptions::Role::None);
    return runner.run(reader, std::cerr);
}
