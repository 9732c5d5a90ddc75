#pragma once
// The game window: its menus, its close button and its size on the screen.
// It owns the game object and the sound library; the drawing area shows the
// surface the game draws into (through the window's platform), and the
// person's input at the window reaches the game through the input path, the
// one way in for every source of input.
#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "app/keyboard_cursor.h"
#include "app/person_input.h"
#include "app/window_platform.h"
#include "drawing/qt_surface.h"
#include "input/input_path.h"
#include "input/window_events.h"
#include "session/session.h"
#include "sound/ds_library.h"

class QAction;
class QEventLoop;

namespace korvalo {

class DrawingArea;
class GameRecord;

// The window is the face of its session: it shows what the session tells in
// boxes, and its network role (loaded with the network module) shows what
// that tells.
class MainWindow : public QMainWindow, private SessionListener {
    Q_OBJECT
public:
    using PlatformMaker = std::function<std::unique_ptr<WindowPlatform>(MainWindow&)>;

    // library may be null: the game then plays silently. events, when given,
    // receives the window's events instead of the game (for testing the
    // window); it must outlive the window. makePlatform, when given, makes
    // the window's platform (for tests that watch it).
    explicit MainWindow(std::unique_ptr<DsLibrary> library, WindowEvents* events = nullptr,
                        const PlatformMaker& makePlatform = {});
    ~MainWindow() override;

    // The sound library, when it comes after the window was made: given
    // before the load event starts it. Null: the game plays silently.
    void useSound(std::unique_ptr<DsLibrary> library);

    // Runs the load event once; drawing goes into the surface, so it may run
    // before the window is shown.
    void load();

    // A menu item by name (a menu by its menuAction()); null for unknown names.
    QAction* menuItem(const QString& name) const;
    QWidget* drawingArea() const;
    QtSurface& surface() { return surface_; }
    WindowPlatform& platform() { return *platform_; }
    Session& session() { return *session_; }
    InputPath& path() { return session_->path(); }
    PersonInput& person() { return *person_; }
    KeyboardPlay& keyboard() { return *keyboard_; }
    Form1& form() { return session_->form(); }
    bool ended() const { return session_->ended(); }

    // Writes every input the game handles into record from now on (null:
    // none), and tells the person once should it no longer be written. The
    // record must outlive the window.
    void recordInto(GameRecord* record);

    // Places the window, in pixels: the position is the frame's, the size the
    // outer size, frame and title bar included. The same place asked again
    // leaves the window as it is.
    void place(int left, int top, int width, int height);

    // The first time: shows the window (where the load event places it, when
    // nothing was asked yet) and waits, a few seconds at most and without
    // taking the person's input, until the window manager has framed it and
    // it stands in its place, so that no box of the start-up opens over a
    // window that moves afterwards. Later, nothing.
    void showInPlace();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // ---- SessionListener: a line on standard error, a notice.
    void logLine(const std::string& line) override;
    void recordFailed(const std::string& why) override;

    void fitOuterSize();

    std::unique_ptr<DsLibrary> library_;
    // What the game plays through: the library, quiet while catching up.
    std::unique_ptr<DsLibrary> sound_;
    QtSurface surface_;
    DrawingArea* area_ = nullptr;
    QHash<QString, QAction*> items_;
    std::unique_ptr<WindowPlatform> platform_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<PersonInput> person_;
    std::unique_ptr<KeyboardPlay> keyboard_;
    // The place asked for; the outer size, and whether it has been fitted
    // to the frame.
    QRect placeAsked_;
    QSize outerSize_;
    std::optional<QPoint> framePosition_;  // where the frame's top-left goes
    std::optional<QPoint> clientPosition_;  // where the client area goes then
    int framePlacings_ = 0;                // times it was placed again since
    void keepFramePosition();
    bool framed_ = false;
    QMargins frame_;  // the frame's margins it was fitted to
    void askForClientPosition();
    bool positionAnswered_ = false;  // the window has moved since then
    bool inPlace() const;
    bool shownInPlace_ = false;
    QEventLoop* awaitingPlace_ = nullptr;  // showInPlace's wait, while it runs
};

}  // namespace korvalo
