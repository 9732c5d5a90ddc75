// The yardstick of the start-up benchmark: a bare Qt window of the game
// window's size, with a menu bar of the same titles and a client area of the
// same least size, and nothing else: no game, no sound, no pictures. It
// appends "application NS" once its QApplication stands, "show NS" once the
// window is shown and "paint NS" on its first paint to the file named by
// KORVALO_TRACE, NS being CLOCK_MONOTONIC in nanoseconds followed by the
// process's processor time, as the game's own trace does, so bench/run.sh
// measures both the same way (from bench/launch.cpp's exec).
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QWidget>
#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace {

void note(const char* event)
{
    timespec now{}, cpu{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const char* trace = std::getenv("KORVALO_TRACE");
    if (std::FILE* file = trace && *trace ? std::fopen(trace, "a") : nullptr) {
        std::fprintf(file, "%s %lld %lld\n", event, static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                     static_cast<long long>(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec);
        std::fclose(file);
    }
}

class Area : public QWidget {
public:
    Area()
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        // What the game's drawing area asks for at least (9215 x 6300 twips
        // and a seat icon below).
        setMinimumSize(9215 / 15 + 1, 6300 / 15 + 32 + 1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), QColor(0, 128, 0));
        if (painted_)
            return;
        painted_ = true;
        note("paint");
    }

private:
    bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    note("application");
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setCentralWidget(new Area);
    // The game's menu bar: its menus with their items, and its commands.
    QMenuBar* bar = window.menuBar();
    QMenu* game = bar->addMenu(QString::fromUtf8("対局"));
    QMenu* kinds = game->addMenu(QString::fromUtf8("対局"));
    QMenu* one = kinds->addMenu(QStringLiteral("1_PLAY"));
    for (const char* colour : {"黒", "青", "白", "赤"})
        one->addAction(QString::fromUtf8(colour));
    QMenu* two = kinds->addMenu(QStringLiteral("2_PLAY"));
    two->addAction(QString::fromUtf8("黒　×　白"));
    two->addAction(QString::fromUtf8("青　×　赤"));
    kinds->addAction(QStringLiteral("4_PLAY"));
    game->addAction(QString::fromUtf8("終了"));
    bar->addMenu(QString::fromUtf8("局面"))->addAction(QString::fromUtf8("最初"));
    bar->addAction(QString::fromUtf8("戻"));
    bar->addAction(QString::fromUtf8("進"));
    QMenu* options = bar->addMenu(QString::fromUtf8("ｵﾌﾟｼｮﾝ"));
    for (const char* option : {"手順番号表示", "ｱｲｺﾝ表示", "BGM"})
        options->addAction(QString::fromUtf8(option))->setCheckable(true);
    bar->addAction(QString::fromUtf8("その他"));
    // The game window's outer size, 9800 x 8000 twips, at its place.
    window.resize(9800 / 15, 8000 / 15);
    window.move(-4, -4);
    window.show();
    note("show");
    return app.exec();
}
