// The Korvalo program: the game window on the desktop.
#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/trace.h"
#include "app/user_folder.h"
#include "sound/dll_loader.h"

int main(int argc, char** argv)
{
    korvalo::trace::event("main");
    QApplication app(argc, argv);
    korvalo::trace::event("application");
    QApplication::setApplicationName(QStringLiteral("Korvalo"));

    // From a terminal the game plays in the working folder; the desktop entry
    // asks for the user's own folder.
    if (QCoreApplication::arguments().contains(QStringLiteral("--user-folder"))) {
        QString error;
        if (!korvalo::enterUserFolder(&error))
            std::fprintf(stderr, "korvalo: %s\n", error.toLocal8Bit().constData());
    }

    // Without the sound library the game plays silently.
    std::string error;
    std::unique_ptr<korvalo::DsLibrary> library =
        korvalo::loadSoundLibrary(QCoreApplication::applicationDirPath().toStdString(), &error);
    if (!library)
        std::fprintf(stderr, "korvalo: no sound: %s\n", error.c_str());
    korvalo::trace::event("library");

    korvalo::MainWindow window(std::move(library));
    korvalo::trace::event("window");
    window.load();
    korvalo::trace::event("load");
    if (window.ended())
        return 0;
    window.show();
    korvalo::trace::event("show");
    return app.exec();
}
