#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "app/game_menu.h"
#include "app/game_record.h"
#include "app/notice.h"
#include "app/pause.h"
#include "app/trace.h"
#include "flow/form1.h"
#include "script/script_language.h"
#include "sound/ds_library.h"

namespace korvalo {

namespace {

// Everything the game draws lies within this many pixels of the drawing
// area's top-left corner: the turn line ends at 7015 + 2200 twips, the seat
// icon at the bottom starts at 6300 twips and is 32 pixels high.
constexpr QSize drawingExtent{(7015 + 2200) / twipsPerPixel + 1, 6300 / twipsPerPixel + 32 + 1};

int keyAscii(const QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return 27;
    const QString text = event->text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

// Message box texts break lines at carriage returns.
QString boxText(const std::string& text)
{
    QString out = QString::fromStdString(text);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

}  // namespace

// The client area below the menu bar: shows the surface and its icons, and
// hands mouse presses and releases to the window.
class DrawingArea : public QWidget {
public:
    DrawingArea(MainWindow& window, QtSurface& surface) : QWidget(&window), window_(window), surface_(surface)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(drawingExtent);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    bool event(QEvent* event) override
    {
        // On a screen of another density the surface follows at the next paint.
        if (event->type() == QEvent::ScreenChangeInternal)
            update();
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        if (event->type() == QEvent::DevicePixelRatioChange)
            update();
#endif
        return QWidget::event(event);
    }
    void paintEvent(QPaintEvent* event) override
    {
        if (devicePixelRatioF() != surface_.ratio())
            surface_.setRatio(devicePixelRatioF());
        QPainter painter(this);
        surface_.paint(painter, event->rect());
        if (!painted_ && trace::enabled()) {
            // Where the drawing starts on the screen, for a script that clicks squares.
            painted_ = true;
            const QPoint origin = mapToGlobal(QPoint(0, 0));
            char details[32];
            std::snprintf(details, sizeof details, "%d %d", origin.x(), origin.y());
            trace::event("paint", details);
        }
    }
    void mousePressEvent(QMouseEvent* event) override { window_.mouseEvent(event, true); }
    // A second press soon after the first is still a press to the game.
    void mouseDoubleClickEvent(QMouseEvent* event) override { window_.mouseEvent(event, true); }
    void mouseReleaseEvent(QMouseEvent* event) override { window_.mouseEvent(event, false); }

private:
    MainWindow& window_;
    QtSurface& surface_;
    bool painted_ = false;
};

MainWindow::MainWindow(std::unique_ptr<DsLibrary> library, WindowEvents* events)
    : library_(std::move(library)),
      form_(std::make_unique<Form1>(*this, library_.get())),
      formEvents_(std::make_unique<FormEvents>(*form_)),
      events_(events ? events : formEvents_.get())
{
    setWindowTitle(QStringLiteral("Korvalo"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/pictures/korvalo_32.png"));
    icon.addFile(QStringLiteral(":/pictures/korvalo_256.png"));
    setWindowIcon(icon);

    area_ = new DrawingArea(*this, surface_);
    setCentralWidget(area_);
    // Drawn at the density of the screen the window opens on.
    surface_.setRatio(area_->devicePixelRatioF());
    area_->setFocus();
    setBackColour(greenBackground);

    items_ = buildGameMenu(menuBar());
    for (const MenuEntry& item : gameMenu()) {
        if (item.kind == MenuEntry::Kind::Menu)
            continue;
        QAction* action = items_.value(QString::fromLatin1(item.name));
        const QString name = action->objectName();
        connect(action, &QAction::triggered, this, [this, action, name] { command(action, name); });
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::load()
{
    if (loaded_)
        return;
    loaded_ = true;
    gate_.run([this] { events_->load(); });
}

QAction* MainWindow::menuItem(const QString& name) const
{
    return items_.value(name);
}

QWidget* MainWindow::drawingArea() const
{
    return area_;
}

int MainWindow::buttonCode(Qt::MouseButton button)
{
    // Qt numbers the buttons as the game does: left 1, right 2, middle 4,
    // then back 8, forward 16 and every further button a bit of its own.
    return static_cast<int>(button);
}

int MainWindow::shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

QPointF MainWindow::toTwips(QPointF pixels)
{
    return pixels * twipsPerPixel;
}

void MainWindow::mouseEvent(QMouseEvent* event, bool press)
{
    const int button = buttonCode(event->button());
    if (button == 0)
        return;
    const int shift = shiftCode(event->modifiers());
    const QPointF at = toTwips(event->position());
    mouseInput(press, button, at.x(), at.y(), shift);
}

void MainWindow::command(QAction* action, const QString& name)
{
    // A checkable action has already flipped its own mark; the handler flips
    // it, so take that back first.
    if (action->isCheckable())
        action->setChecked(!action->isChecked());
    menuInput(name);
}

void MainWindow::handle(const char* event, std::string line, std::function<void()> handler, const char* details)
{
    // The trace tells a driving script when the window takes input again.
    trace::event(event, details);
    gate_.run(recorded(std::move(line), std::move(handler)));
    if (!gate_.busy()) {
        reportRecordFailure();
        trace::event("idle");
    }
}

void MainWindow::reportRecordFailure()
{
    QString why;
    if (!record_ || gate_.ended() || !record_->takeFailure(&why))
        return;
    showNotice(*this, QStringLiteral("この対局の記録を書けなくなりました。記録はここまでです。\n\n") + why);
}

std::function<void()> MainWindow::recorded(std::string line, std::function<void()> handler)
{
    if (!record_)
        return handler;
    return [this, line = std::move(line), handler = std::move(handler)] {
        record_->begin();
        handler();
        record_->handled(line);
    };
}

void MainWindow::mouseInput(bool press, int button, double x, double y, int shift)
{
    handle(press ? "press" : "release", mouseLine(press, button, x, y), [this, press, button, shift, x, y] {
        if (press)
            events_->mouseDown(button, shift, x, y);
        else
            events_->mouseUp(button, shift, x, y);
    });
}

void MainWindow::menuInput(const QString& item)
{
    handle("command", menuLine(item.toStdString()), [this, item] { events_->command(item); },
           item.toLatin1().constData());
}

void MainWindow::keyInput(int code)
{
    handle("key", keyLine(code), [this, code] { events_->keyPress(code); });
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    const int code = keyAscii(event);
    if (code == 0) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    keyInput(code);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (gate_.ended()) {
        event->accept();
        return;
    }
    event->ignore();
    closeInput();
}

void MainWindow::closeInput()
{
    // The unload handler decides; it ends the program when it agrees. A
    // close asked for while a handler runs is handled once, after it.
    if (gate_.ended() || closeQueued_)
        return;
    closeQueued_ = true;
    gate_.run(recorded(closeLine(), [this] {
        closeQueued_ = false;
        events_->unload();
    }));
    if (!gate_.busy())
        reportRecordFailure();
}

void MainWindow::answerBoxesFromScript(bool on, std::chrono::milliseconds delay, std::function<void()> atNo)
{
    scriptAnswers_ = on;
    answerDelay_ = delay;
    atScriptedNo_ = on ? std::move(atNo) : nullptr;
    answers_.clear();
}

bool MainWindow::queueAnswers(const std::vector<Answer>& answers)
{
    if (answers_.size() + answers.size() > maxQueuedAnswers)
        return false;
    answers_.insert(answers_.end(), answers.begin(), answers.end());
    return true;
}

void MainWindow::copyPicture(Picture picture, int element, double x, double y)
{
    surface_.copyPicture(picture, element, x, y);
    area_->update();
}

void MainWindow::fillRect(double x, double y, double w, double h, int rgb)
{
    surface_.fillRect(x, y, w, h, rgb);
    area_->update();
}

void MainWindow::printText(double x, double y, const std::string& text, int points, int rgb)
{
    surface_.printText(x, y, text, points, rgb);
    area_->update();
}

void MainWindow::refresh()
{
    area_->repaint();
}

void MainWindow::moveIcon(IconPicture icon, int element, int left, int top)
{
    surface_.moveIcon(icon, element, left, top);
    area_->update();
}

void MainWindow::setIconVisible(IconPicture icon, int element, bool visible)
{
    surface_.setIconVisible(icon, element, visible);
    area_->update();
}

bool MainWindow::isChecked(CheckItem item) const
{
    const QAction* action = items_.value(QString::fromLatin1(checkItemName(item)));
    return action && action->isChecked();
}

void MainWindow::setChecked(CheckItem item, bool checked)
{
    if (QAction* action = items_.value(QString::fromLatin1(checkItemName(item))))
        action->setChecked(checked);
}

Answer MainWindow::messageBox(const std::string& text, const std::string& title, Buttons buttons, BoxIcon icon)
{
    QMessageBox box(icon == BoxIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromStdString(title), boxText(text), QMessageBox::NoButton, this);
    box.setTextFormat(Qt::PlainText);
    // Noted from within the box's own loop, once it is on the screen.
    if (trace::enabled())
        QTimer::singleShot(0, &box, [] { trace::event("box"); });
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    if (buttons == Buttons::YesNo) {
        yes = box.addButton(QMessageBox::Yes);
        no = box.addButton(QMessageBox::No);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
    } else {
        box.setDefaultButton(box.addButton(QMessageBox::Ok));
    }
    if (scriptAnswers_) {
        // Shown long enough to be read, then answered as the script says; a
        // No is left for the person to give.
        const Answer answer = takeQueuedAnswer(answers_, buttons);
        if (yes && answer == Answer::No) {
            if (const std::function<void()> atNo = atScriptedNo_)
                atNo();
        } else {
            QPushButton* choice = yes ? yes : box.defaultButton();
            QTimer::singleShot(answerDelay_, choice, [choice] { choice->click(); });
        }
    }
    box.exec();
    const Answer answer = !yes ? Answer::OK : box.clickedButton() == yes ? Answer::Yes : Answer::No;
    if (record_)
        record_->answered(answer);
    return answer;
}

double MainWindow::clock()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void MainWindow::wait(double seconds)
{
    if (!trace::enabled()) {
        pauseWithoutInput(seconds);
        return;
    }
    const long long start = trace::monotonicNow();
    const long long startCpu = trace::processCpuNow();
    pauseWithoutInput(seconds);
    const long long end = trace::monotonicNow();
    char details[64];
    std::snprintf(details, sizeof details, "%.3f %lld", seconds, end);
    trace::eventAt("wait", start, startCpu, details);
}

void MainWindow::placeWindow(int left, int top, int width, int height)
{
    outerSize_ = QSize(QtSurface::toPixels(width), QtSurface::toPixels(height));
    framed_ = false;
    fitOuterSize();
    // The position is the frame's. A Wayland client cannot place its
    // window: the compositor does.
    if (!QGuiApplication::platformName().startsWith(QStringLiteral("wayland")))
        move(QtSurface::toPixels(left), QtSurface::toPixels(top));
}

void MainWindow::fitOuterSize()
{
    // The size is the outer size, frame and title bar included. The frame is
    // known only once the window manager has framed the window on the
    // screen; until then the window takes the whole size and is fitted again
    // as soon as the frame shows. The drawing area never becomes smaller
    // than what the game draws.
    if (outerSize_.isEmpty() || framed_)
        return;
    QMargins frame;
    if (QWindow* native = QWidget::windowHandle(); native && native->isVisible())
        frame = native->frameMargins();
    framed_ = !frame.isNull();
    resize(outerSize_.shrunkBy(frame).expandedTo(minimumSizeHint()));
}

bool MainWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::WindowActivate:
        fitOuterSize();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void MainWindow::setBackColour(int rgb)
{
    surface_.setBackColour(rgb);
    area_->update();
}

int MainWindow::windowHandle()
{
    return static_cast<int>(winId());
}

void MainWindow::endProgram()
{
    gate_.end();
    hide();
    // Leaves the running event loop. Before the loop has started, the
    // program's main function sees ended() and does not start it.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

}  // namespace korvalo
