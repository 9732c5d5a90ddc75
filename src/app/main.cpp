// The Korvalo program: the game window on the desktop.
#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>

#include "app/close_on_signal.h"
#include "app/main_window.h"
#include "app/trace.h"
#include "app/user_folder.h"
#include "sound/background_music.h"
#include "sound/dll_loader.h"

namespace {

struct LoadedSound {
    std::unique_ptr<korvalo::DsLibrary> library;
    std::string error;
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

}  // namespace

int main(int argc, char** argv)
{
    // Timing for the benchmarks, when asked for (bench/run.sh).
    if (const char* file = std::getenv("KORVALO_TRACE"); file && *file && !korvalo::trace::start(file))
        std::fprintf(stderr, "korvalo: cannot write the trace %s\n", file);
    korvalo::trace::event("main");
    // Two slow parts of start-up need neither the display nor each other, so
    // a second thread does them while this one connects to the display:
    // reading the font configuration, which Qt would otherwise do when the
    // menu is first measured, and loading the sound library, which brings
    // some sixty shared libraries with it. The library is loaded from the
    // program's own folder, whatever the working folder becomes.
    std::future<LoadedSound> sound = std::async(std::launch::async, [] {
        FcInit();
        LoadedSound loaded;
        loaded.library = korvalo::loadSoundLibrary(korvalo::programDirectory(), &loaded.error);
        return loaded;
    });
    QApplication app(argc, argv);
    korvalo::trace::event("application");
    QApplication::setApplicationName(QStringLiteral("Korvalo"));
    // Ties the window to its desktop entry (the Wayland app id), so that the
    // desktop shows the entry's name and icon for it.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.korvalo.Korvalo"));
    useOneIdeographicFont();

    // From a terminal the game plays in the working folder; the desktop entry
    // asks for the user's own folder.
    if (QCoreApplication::arguments().contains(QStringLiteral("--user-folder"))) {
        QString error;
        if (!korvalo::enterUserFolder(&error))
            std::fprintf(stderr, "korvalo: %s\n", error.toLocal8Bit().constData());
    }

    // Without the sound library the game plays silently.
    LoadedSound loaded = sound.get();
    if (!loaded.library)
        std::fprintf(stderr, "korvalo: no sound: %s\n", loaded.error.c_str());
    korvalo::trace::event("library");

    // A player's own long music is converted beside the window, not before it.
    if (loaded.library)
        loaded.library = std::make_unique<korvalo::BackgroundMusicLibrary>(std::move(loaded.library));
    korvalo::MainWindow window(std::move(loaded.library));
    korvalo::trace::event("window");
    window.load();
    korvalo::trace::event("load");
    if (window.ended())
        return 0;
    window.show();
    korvalo::trace::event("show");
    korvalo::closeOnTerminationSignal(&window);
    return app.exec();
}
