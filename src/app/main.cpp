// The Korvalo program: the game window on the desktop.
//
//   korvalo [--user-folder] [--computer LEVEL] [--record FILE] [--replay FILE]
//   korvalo --host [--port N] [--code CODE] [--port-mapping|--no-port-mapping]
//   korvalo --join HOST[:PORT]|- [--code CODE] [--seat COLOUR|watch]
//   korvalo [--join] korvalo://HOST:PORT/CODE [--seat COLOUR|watch]
//   korvalo --help | --version
#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QFontInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QTimer>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <string>

#include "app/close_on_signal.h"
#include "app/japanese.h"
#include "input/game_record.h"
#include "app/main_window.h"
#include "app/network_role.h"
#include "app/notice.h"
#include "app/replay.h"
#include "input/trace.h"
#include "log/log.h"
#include "net/protocol.h"
#include "app/user_folder.h"
#include "flow/form1.h"
#include "script/command_line.h"
#include "script/join_link.h"
#include "script/script_reader.h"
#include "script/session_options.h"
#include "sound/background_music.h"
#include "sound/dll_loader.h"

namespace {

struct LoadedSound {
    std::unique_ptr<korvalo::DsLibrary> library;
    std::string error;
};

// Tells the loading thread whether the program goes on to its window, and so
// whether to load the sound library and open the sound device: no, unless
// told yes before it ends.
class GoOn {
public:
    explicit GoOn(std::promise<bool>& answer) : answer_(answer) {}
    ~GoOn() { say(false); }
    GoOn(const GoOn&) = delete;
    GoOn& operator=(const GoOn&) = delete;
    void say(bool goingOn)
    {
        if (!said_)
            answer_.set_value(goingOn);
        said_ = true;
    }

private:
    std::promise<bool>& answer_;
    bool said_ = false;
};

// The Wayland client of Qt 6.4 now and then (about one closing in thirty on
// a busy machine) hangs for good in its display's destructor, which waits
// for its event thread while that thread waits to read. On Wayland, once
// everything of the game's own has been let go (it is made after this and
// so goes first), the program ends without taking the toolkit down; the
// compositor lets go of the window when the connection closes.
class EndOnWaylandWithoutTheToolkit {
public:
    EndOnWaylandWithoutTheToolkit() = default;
    EndOnWaylandWithoutTheToolkit(const EndOnWaylandWithoutTheToolkit&) = delete;
    EndOnWaylandWithoutTheToolkit& operator=(const EndOnWaylandWithoutTheToolkit&) = delete;
    ~EndOnWaylandWithoutTheToolkit()
    {
        if (!QGuiApplication::platformName().startsWith(QStringLiteral("wayland")))
            return;
        std::fflush(nullptr);
        std::_Exit(status_);
    }
    int leave(int status)
    {
        status_ = status;
        return status;
    }

private:
    int status_ = 0;
};

// Menus and message boxes keep the desktop's font for Latin letters; their
// Japanese comes from the proportional Mincho the board is drawn in, so only
// one ideographic font is opened, and like the board's it is unhinted (see
// QtSurface::textFont).
void useOneIdeographicFont()
{
    QFont font = QApplication::font();
    // The desktop's font is often named by an alias ("Sans Serif"), which a
    // list of families does not resolve; the family it stands for does.
    font.setFamilies({QFontInfo(font).family(), QStringLiteral("IPAPMincho")});
    font.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(font);
}

struct Options {
    // A join link that cannot be read, as the desktop passes a clicked one:
    // the person is told in the window, not on a terminal.
    korvalo::JoinLinkProblem linkProblem = korvalo::JoinLinkProblem::None;
    std::string link;
    bool userFolder = false;
    korvalo::SessionOptions session;
    std::string record;  // keep the game in this file
    std::string replay;  // replay this script first
};

// The program's own options; Qt has taken its own out of argv already.
korvalo::CommandLine readOptions(int argc, char** argv, Options* options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Reversi for four colours on a 9 x 9 board."));
    const QCommandLineOption userFolder(QStringLiteral("user-folder"),
                                        QStringLiteral("Play in the user's own folder, ~/.local/share/korvalo."));
    const QCommandLineOption record(QStringLiteral("record"), QStringLiteral("Keep the game in <file>."),
                                    QStringLiteral("file"));
    const QCommandLineOption replay(QStringLiteral("replay"),
                                    QStringLiteral("Replay <file> in the window, then play on."), QStringLiteral("file"));
    parser.addOptions({userFolder, record, replay});
    // The window asks the router unless told not to, asks the person for a
    // missing code, looks for games on the local network and has a keyboard.
    const korvalo::SessionCommandLine session(parser, {korvalo::net::defaultPort, true, true, true});
    parser.addPositionalArgument(QStringLiteral("link"), QStringLiteral("Join the game of a korvalo:// link."),
                                 QStringLiteral("[korvalo://host:port/code]"));
    const korvalo::CommandLine result = korvalo::readCommandLine(parser, argc, argv);
    if (result != korvalo::CommandLine::Run)
        return result;
    // A link given alone, as the desktop passes one, is a --join.
    QString link;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() == 1 && korvalo::isJoinLink(korvalo::argumentBytes(positional.front())) &&
        !parser.isSet(QStringLiteral("join")) && !parser.isSet(QStringLiteral("host")))
        link = positional.front();
    else if (!positional.isEmpty()) {
        std::fprintf(stderr, "korvalo: unknown argument %s\n%s",
                     korvalo::argumentBytes(parser.positionalArguments().front()).c_str(),
                     parser.helpText().toLocal8Bit().constData());
        return korvalo::CommandLine::Wrong;
    }
    std::string why;
    if (!session.read(parser, link, &options->session, &why, &options->linkProblem)) {
        if (options->linkProblem != korvalo::JoinLinkProblem::None) {
            options->link = korvalo::argumentBytes(link.isEmpty() ? parser.value(QStringLiteral("join")) : link);
            korvalo::log::print("korvalo: 参加リンクを読めません: %s\n",
                                korvalo::joinLinkProblemText(options->linkProblem).toLocal8Bit().constData());
        } else {
            std::fprintf(stderr, "korvalo: %s\n%s", why.c_str(), parser.helpText().toLocal8Bit().constData());
        }
        return korvalo::CommandLine::Wrong;
    }
    options->userFolder = parser.isSet(userFolder);
    options->record = korvalo::argumentBytes(parser.value(record));
    options->replay = korvalo::argumentBytes(parser.value(replay));
    return korvalo::CommandLine::Run;
}

// Says in a box what is wrong with a join link and waits until it is closed.
// The link may come from anyone: it is shown without its control characters,
// and shortened.
void showLinkProblem(const std::string& link, korvalo::JoinLinkProblem problem)
{
    QString shown = QString::fromUtf8(link.substr(0, 300));
    for (QChar& c : shown)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QChar::ReplacementCharacter;
    if (link.size() > 300)
        shown += QStringLiteral("…");
    const QString text = QStringLiteral("参加リンクを読めません: %1\n\n%2\n\nリンクの形: korvalo://アドレス:ポート番号/合言葉")
                             .arg(korvalo::joinLinkProblemText(problem), shown);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Korvalo"), text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // Noted once the box is on the screen, with its text on one line.
    if (korvalo::trace::enabled())
        QTimer::singleShot(0, &box, [line = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8()] {
            korvalo::trace::event("refusal", line.constData());
        });
    box.exec();
}

// Help and version need no display: they are answered before the window
// system is reached.
bool asksOnlyForHelpOrVersion(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char* flag : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], flag) == 0)
                return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    korvalo::log::takeQtMessages();
    if (asksOnlyForHelpOrVersion(argc, argv)) {
        QCoreApplication core(argc, argv);
        Options options;
        return readOptions(argc, argv, &options) == korvalo::CommandLine::Done ? 0 : 2;
    }
    // Timing for the benchmarks, when asked for (bench/run.sh).
    if (const char* file = std::getenv("KORVALO_TRACE"); file && *file && !korvalo::trace::start(file))
        korvalo::log::print("korvalo: cannot write the trace %s\n", file);
    korvalo::trace::event("main");
    // Two slow parts of start-up need neither the display nor each other, so
    // a second thread does them while this one connects to the display:
    // reading the font configuration, which Qt would otherwise do when the
    // menu is first measured, and loading the sound library, which brings
    // some sixty shared libraries with it. The library is loaded only once
    // the program is sure to go on to its window (a wrong option or --help
    // never loads it), and only after Qt has loaded its plugins here: the
    // loading of one shared library waits for that of any other, and the
    // library's would otherwise hold up Qt's for most of ten milliseconds.
    // It is loaded from the program's own folder, whatever the working
    // folder becomes. The thread then opens the sound device while the
    // window is made, and the load event only takes that opening
    // (connecting to a sound server, or giving up on a missing card, takes
    // milliseconds, even a tenth of a second).
    std::promise<LoadedSound> loadedSound;
    std::future<LoadedSound> sound = loadedSound.get_future();
    std::promise<bool> goingOn;
    std::future<void> loading = std::async(std::launch::async, [&loadedSound, go = goingOn.get_future()]() mutable {
        LoadedSound loaded;
        try {
            FcInit();
            if (!go.get())
                return;
            loaded.library = korvalo::loadSoundLibrary(korvalo::programDirectory(), &loaded.error);
        } catch (...) {
            loadedSound.set_exception(std::current_exception());
            return;
        }
        korvalo::DsLibrary* library = loaded.library.get();
        loadedSound.set_value(std::move(loaded));
        if (library)
            library->openAhead();
    });
    GoOn goOn(goingOn);
    QApplication app(argc, argv);
    EndOnWaylandWithoutTheToolkit ending;
    korvalo::trace::event("application");
    QApplication::setApplicationName(QStringLiteral("Korvalo"));
    // Ties the window to its desktop entry (the Wayland app id), so that the
    // desktop shows the entry's name and icon for it.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.korvalo.Korvalo"));
    useOneIdeographicFont();

    Options options;
    switch (readOptions(argc, argv, &options)) {
    case korvalo::CommandLine::Run: break;
    case korvalo::CommandLine::Done: return ending.leave(0);
    case korvalo::CommandLine::Wrong:
        if (options.linkProblem != korvalo::JoinLinkProblem::None)
            showLinkProblem(options.link, options.linkProblem);
        return ending.leave(2);
    }
    // (After the options: the terminal's help and errors stay Qt's English.)
    korvalo::speakJapanese();
    // The files are named relative to where the program was started, by the
    // bytes the system gives. A script that cannot be read is reported in the
    // window, which is then the person's.
    std::string replayProblem;
    int script = -1;
    if (!options.replay.empty() && (script = korvalo::openScriptFile(options.replay, &replayProblem)) < 0)
        korvalo::log::print("korvalo: %s\n", replayProblem.c_str());
    korvalo::GameRecord record;
    if (!options.record.empty()) {
        std::string opened, why;
        if (!record.open(options.record, &opened, &why)) {
            korvalo::log::print("korvalo: cannot record into %s: %s\n", options.record.c_str(), why.c_str());
            return ending.leave(2);
        }
        if (opened != options.record)
            korvalo::log::print("korvalo: %s already exists; the game is recorded into %s\n",
                         options.record.c_str(), opened.c_str());
    }

    // From a terminal the game plays in the working folder; the desktop entry
    // asks for the user's own folder.
    if (options.userFolder) {
        QString folderError;
        if (!korvalo::enterUserFolder(&folderError))
            korvalo::log::print("korvalo: %s\n", folderError.toLocal8Bit().constData());
    }

    // The image format plugins, which the window's icon and its menu bar
    // load, are loaded before the sound library: the window is then made
    // while the library is loaded, and the load event is the first to need
    // it.
    QImageReader::supportedImageFormats();
    goOn.say(true);
    korvalo::MainWindow window(nullptr);
    korvalo::trace::event("window");
    window.session().apply(options.session);
    window.keyboard().setAsked(options.session.keyboard);
    if (!options.record.empty())
        window.recordInto(&record);
    // A replay answers the boxes of start-up too, as the driver does.
    std::unique_ptr<korvalo::Replay> replay;
    if (script >= 0) {
        replay = std::make_unique<korvalo::Replay>(window, script);
        replay->hold();
    }
    // Without the sound library the game plays silently.
    LoadedSound loaded = sound.get();
    if (!loaded.library)
        korvalo::log::print("korvalo: no sound: %s\n", loaded.error.c_str());
    // A player's own long music is converted beside the window, not before it.
    if (loaded.library)
        loaded.library = std::make_unique<korvalo::BackgroundMusicLibrary>(std::move(loaded.library));
    window.useSound(std::move(loaded.library));
    // The opening of the sound device is over before the load event asks
    // for it.
    loading.wait();
    korvalo::trace::event("library");
    window.load();
    korvalo::trace::event("load");
    if (window.ended())
        return ending.leave(0);
    // Asked to end while the window is still coming onto the screen, the
    // game closes as it would later.
    korvalo::closeOnTerminationSignal(&window);
    // Framed and in its place before a network game or a replay opens a box.
    window.showInPlace();
    if (window.ended())
        return ending.leave(0);
    // A network game starts once the window is on the screen.
    if (options.session.role != korvalo::SessionOptions::Role::None) {
        QString problem;
        if (!window.session().startNetwork(korvalo::loadNetworkRole(window, &problem), options.session, &problem)) {
            korvalo::log::print("korvalo: %s\n", problem.toLocal8Bit().constData());
            korvalo::showNotice(window, problem);
            return ending.leave(1);
        }
    }
    if (replay)
        replay->start();
    else if (!replayProblem.empty())
        QTimer::singleShot(0, &window, [&window, file = options.replay] {
            korvalo::showNotice(window, QStringLiteral("再生できません。この局面から続けられます。\n\n") +
                                            korvalo::cannotReplay(file));
        });
    const int status = app.exec();
    window.session().stopNetwork();
    return ending.leave(status);
}
