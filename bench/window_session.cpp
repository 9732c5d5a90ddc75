// A long session in the real game window: plays whole games one after the
// other through the window's own event path and prints the process's memory
// after some of them. Run by bench/session.sh under Xvfb.
//
//   window_session [--games N] [--pause-scale F]
//
// The window is the program's own MainWindow with the real sound library, on
// the desktop's platform (xcb under Xvfb), playing in the working folder the
// script gives it. Every game is started from the menu (the seven seatings in
// turn, with move numbers and seat icons switched on), each person's colour
// presses and releases the mouse on its first legal square in scan order,
// and every message box is answered with its default button, Yes to play on.
// The pauses are shortened by the factor given (everything else runs as in
// the program: drawing, sounds, message boxes, the event loop in pauses).
#include <QAction>
#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "app/main_window.h"
#include "app/pause.h"
#include "flow/form1.h"
#include "rules/legality.h"
#include "sound/dll_loader.h"

namespace {

using namespace korvalo;

constexpr const char* seatings[] = {"JYUNBAN_1", "JYUNBAN_2",   "JYUNBAN_3", "JYUNBAN_4",
                                    "PLAY_TOIMEN", "PLAY_TONARI", "PLAY_4"};

// VmHWM (peak) and VmRSS (now) of this process, in KiB.
struct Memory {
    long peak = 0;
    long now = 0;
};

Memory memory()
{
    std::ifstream status("/proc/self/status");
    Memory m;
    for (std::string key; status >> key;) {
        if (key == "VmHWM:")
            status >> m.peak;
        else if (key == "VmRSS:")
            status >> m.now;
        status.ignore(1 << 20, '\n');
    }
    return m;
}

// Answers every message box with its default button (OK, or Yes), once it
// is on the screen, as a player pressing Return would.
class BoxAnswerer : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* box = qobject_cast<QMessageBox*>(watched))
                QTimer::singleShot(0, box, [box] {
                    if (QPushButton* button = box->defaultButton())
                        button->click();
                });
        return false;
    }
};

// Menus and message boxes in the program's fonts (as its main function sets them).
void useProgramFonts()
{
    QFont font = QApplication::font();
    font.setFamilies({QFontInfo(font).family(), QStringLiteral("IPAPMincho")});
    font.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(font);
}

void mouse(QWidget* area, QEvent::Type type, int column, int row)
{
    // The pixel that holds the centre of the square.
    const QPointF at((400 + 630 * column + 315) / 15, (100 + 630 * row + 315) / 15);
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, at, area->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &event);
}

// Plays one game from its seating command to the answer that plays on.
// Returns false when it does not end.
bool playGame(MainWindow& window, const char* seating)
{
    Form1& form = window.form();
    window.menuItem(QString::fromLatin1(seating))->trigger();
    for (int presses = 0; form.state().turnColour != noneValue && !window.ended(); ++presses) {
        if (presses > 400)
            return false;
        // The first legal square of the colour to move; a1 when there is none
        // (a press while a computer colour is to move starts its turns).
        GameState copy = form.state();
        int column = 1, row = 1;
        for (int x = 9; x >= 1; --x)
            for (int y = 9; y >= 1; --y)
                if (置けるか(copy, x, y, form.state().turnColour) == trueValue)
                    column = x, row = y;
        mouse(window.drawingArea(), QEvent::MouseButtonPress, column, row);
        mouse(window.drawingArea(), QEvent::MouseButtonRelease, column, row);
    }
    return !window.ended();
}

// Lets the window catch up between games, as it does when the player rests:
// pending repaints and deferred deletions.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

int main(int argc, char** argv)
{
    int games = 100;
    double scale = 0.02;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--games" && i + 1 < argc)
            games = std::atoi(argv[++i]);
        else if (arg == "--pause-scale" && i + 1 < argc)
            scale = std::atof(argv[++i]);
        else {
            std::fprintf(stderr, "usage: window_session [--games N] [--pause-scale F]\n");
            return 2;
        }
    }
    if (games < 1 || !(scale > 0)) {
        std::fprintf(stderr, "window_session: --games takes a positive number, --pause-scale a positive factor\n");
        return 2;
    }

    QApplication app(argc, argv);
    useProgramFonts();
    std::string error;
    std::unique_ptr<DsLibrary> library = loadSoundLibrary(programDirectory(), &error);
    if (!library)
        std::fprintf(stderr, "window_session: no sound: %s\n", error.c_str());

    MainWindow window(std::move(library));
    BoxAnswerer answerer;
    app.installEventFilter(&answerer);
    window.load();
    window.show();
    settle();
    for (const char* option : {"TEJYUN", "AICON"})
        window.menuItem(QString::fromLatin1(option))->trigger();
    setPauseScale(scale);
    std::printf("Long session in the window: %d whole games on %s, the seven seatings in turn, "
                "move numbers and seat icons shown, sound %s; every pause shortened to %g of its length\n",
                games, qPrintable(QGuiApplication::platformName()), error.empty() ? "on" : "off", scale);
    std::printf("%6s %12s %12s\n", "game", "peak (KiB)", "now (KiB)");
    std::fflush(stdout);

    std::map<int, Memory> at;
    for (int game = 1; game <= games; ++game) {
        if (!playGame(window, seatings[(game - 1) % std::size(seatings)])) {
            std::fprintf(stderr, "window_session: game %d did not end\n", game);
            return 1;
        }
        settle();
        const Memory m = memory();
        if (game == 1 || game == 10 || game % 50 == 0 || game == games) {
            at[game] = m;
            std::printf("%6d %12ld %12ld\n", game, m.peak, m.now);
            std::fflush(stdout);
        }
    }
    if (games >= 100) {
        const long peakGrowth = at[100].peak - at[10].peak, nowGrowth = at[100].now - at[10].now;
        std::printf("growth from game 10 to game 100: peak %+ld KiB, now %+ld KiB (target < 1024 KiB): %s\n",
                    peakGrowth, nowGrowth, peakGrowth < 1024 && nowGrowth < 1024 ? "PASS" : "MISS");
    }
    return 0;
}
