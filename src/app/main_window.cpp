#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/drawing_area.h"
#include "app/game_menu.h"
#include "app/notice.h"
#include "app/pause.h"
#include "app/quiet_catch_up.h"
#include "flow/form1.h"
#include "input/game_record.h"
#include "input/trace.h"
#include "log/log.h"
#include "rules/game_state.h"

namespace korvalo {

namespace {

// The density of the screen a new window opens on: the surface is made at it
// at once, not made and then made again (at 200 %, four times the pixels).
double openingRatio()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1;
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<DsLibrary> library, WindowEvents* events, const PlatformMaker& makePlatform)
    : surface_(QtSurface::defaultPixels, openingRatio())
{
    setWindowTitle(QStringLiteral("Korvalo"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/pictures/korvalo_32.png"));
    icon.addFile(QStringLiteral(":/pictures/korvalo_256.png"));
    setWindowIcon(icon);

    area_ = new DrawingArea(surface_, this);
    setCentralWidget(area_);
    // Drawn at the density of the screen the window opens on.
    surface_.setRatio(area_->devicePixelRatioF());
    area_->setFocus();
    items_ = buildGameMenu(menuBar());

    platform_ = makePlatform ? makePlatform(*this) : std::make_unique<WindowPlatform>(*this);
    platform_->setBackColour(greenBackground);
    session_ = std::make_unique<Session>(*platform_, nullptr, static_cast<SessionListener&>(*this), events);
    useSound(std::move(library));
    person_ = std::make_unique<PersonInput>(path());
    form().computer().keepAnsweringWhileSearching([](const std::function<bool()>& done) { pauseUntil(done); });

    area_->onMouse = [this](const QMouseEvent& event, bool press) { person_->mouse(event, press); };
    keyboard_ = std::make_unique<KeyboardPlay>(*this, *area_, *person_, session_->form().state());
    for (const MenuEntry& item : gameMenu()) {
        if (item.kind == MenuEntry::Kind::Menu)
            continue;
        QAction* action = items_.value(QString::fromLatin1(item.name));
        const QString name = action->objectName();
        connect(action, &QAction::triggered, this, [this, action, name] {
            // A checkable action has already flipped its own mark; the
            // handler flips it, so take that back first.
            if (action->isCheckable())
                action->setChecked(!action->isChecked());
            person_->menu(name);
        });
    }
    // Made now rather than in the load event, which asks for the window's
    // handle first and sizes it soon after: at start-up the window is made
    // while the sound library is still being loaded, and the load event
    // waits for that library.
    winId();
    minimumSizeHint();
    // The native window hears of its frame (its exposure, a move the window
    // manager made while framing it) when the widget hears nothing: a box
    // opened at start-up takes the activation that would fit the frame.
    windowHandle()->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::useSound(std::unique_ptr<DsLibrary> library)
{
    form().sounds().module1.useLibrary(nullptr);
    sound_.reset();
    library_ = std::move(library);
    if (library_)
        sound_ = std::make_unique<QuietWhileCatchingUp>(*library_, [this] { return path().catchingUp(); });
    form().sounds().module1.useLibrary(sound_.get());
}

void MainWindow::load()
{
    session_->load();
}

QAction* MainWindow::menuItem(const QString& name) const
{
    return items_.value(name);
}

QWidget* MainWindow::drawingArea() const
{
    return area_;
}

void MainWindow::recordInto(GameRecord* record)
{
    session_->recordInto(record);
}

void MainWindow::logLine(const std::string& line)
{
    korvalo::log::print("korvalo: %s\n", line.c_str());
}

void MainWindow::recordFailed(const std::string& why)
{
    showNotice(*this, QStringLiteral("この対局の記録を書けなくなりました。記録はここまでです。\n\n") +
                          QString::fromLocal8Bit(why));
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (!person_->key(*event))
        QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (ended()) {
        // Closed before it stood in its place: nothing is left to wait for.
        if (awaitingPlace_)
            awaitingPlace_->quit();
        event->accept();
        return;
    }
    event->ignore();
    person_->close();
}

void MainWindow::place(int left, int top, int width, int height)
{
    if (placeAsked_ == QRect(left, top, width, height))
        return;
    placeAsked_ = QRect(left, top, width, height);
    outerSize_ = QSize(width, height);
    framed_ = false;
    clientPosition_.reset();
    framePlacings_ = 0;
    // The position is the frame's. A Wayland client cannot place its
    // window: the compositor does.
    if (!QGuiApplication::platformName().startsWith(QStringLiteral("wayland")))
        framePosition_ = QPoint(left, top);
    fitOuterSize();
    if (framePosition_)
        move(*framePosition_);
}

void MainWindow::fitOuterSize()
{
    // The size is the outer size, frame and title bar included. The frame is
    // known only once the window manager has framed the window on the
    // screen; until then the window takes the whole size and is fitted again
    // as soon as the frame shows. The drawing area never becomes smaller
    // than what the game draws. The frame is read once the window is on the
    // screen: what is asked while the window manager frames it, openbox may
    // undo when it maps the window. Even then the toolkit may read margins
    // the window manager has not finished (the client not yet moved inside
    // its frame): the window is fitted again when they change.
    if (outerSize_.isEmpty())
        return;
    QMargins frame;
    if (QWindow* native = windowHandle(); native && native->isVisible() && native->isExposed())
        frame = native->frameMargins();
    if (framed_ && (frame.isNull() || frame == frame_))
        return;
    frame_ = frame;
    framed_ = !frame.isNull();
    framePlacings_ = 0;
    resize(outerSize_.shrunkBy(frame).expandedTo(minimumSizeHint()));
    // Placed before the frame was known, the window's client area went
    // where the frame belongs (under openbox, the title bar above the
    // screen). Now that the margins are known, the client area is placed
    // just inside the frame's corner. It is placed as a client position, not
    // through the toolkit's frame position: under openbox, that one now and
    // then (about one start in eight on a busy machine) left the window
    // where it was, however often it was asked again.
    if (framed_ && framePosition_) {
        clientPosition_ = *framePosition_ + QPoint(frame.left(), frame.top());
        askForClientPosition();
        // The window manager may answer late: the position is looked at
        // again a little later too, whatever events come.
        for (int ms : {250, 750, 2000})
            QTimer::singleShot(ms, this, [this] { keepFramePosition(); });
    }
}

void MainWindow::showInPlace()
{
    if (shownInPlace_)
        return;
    shownInPlace_ = true;
    if (placeAsked_.isNull())
        place(QtSurface::toPixels(windowLeft), QtSurface::toPixels(windowTop), QtSurface::toPixels(windowWidth),
              QtSurface::toPixels(windowHeight));
    show();
    trace::event("show");
    if (inPlace())
        return;
    QEventLoop loop;
    awaitingPlace_ = &loop;
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    awaitingPlace_ = nullptr;
}

bool MainWindow::inPlace() const
{
    // Without a frame (no window manager, or one that draws none) the
    // window stands where it was asked to as soon as it shows; a Wayland
    // compositor places it itself. Framed, it stands in its place once the
    // window manager has answered the last position asked for, whether or
    // not it took it (one that keeps windows on the screen may not).
    const QWindow* native = windowHandle();
    if (!native->isExposed())
        return false;
    if (!framed_)
        return !framePosition_ || native->frameMargins().isNull();
    return !clientPosition_ || positionAnswered_;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() &&
        (event->type() == QEvent::Expose || event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        if (event->type() == QEvent::Move)
            positionAnswered_ = true;
        fitOuterSize();
        keepFramePosition();
        if (awaitingPlace_ && inPlace())
            awaitingPlace_->quit();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keepFramePosition()
{
    // A window manager that is slow to frame the window may still apply the
    // first position asked for (the client area's, not the frame's) after
    // the frame was placed: the client area is placed again, a few times at
    // most, so as never to fight a window manager that places windows itself.
    if (!framed_ || !clientPosition_ || windowHandle()->position() == *clientPosition_ || framePlacings_ >= 5)
        return;
    ++framePlacings_;
    askForClientPosition();
}

void MainWindow::askForClientPosition()
{
    positionAnswered_ = false;
    windowHandle()->setPosition(*clientPosition_);
}

bool MainWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::WindowActivate:
        fitOuterSize();
        keepFramePosition();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

}  // namespace korvalo
