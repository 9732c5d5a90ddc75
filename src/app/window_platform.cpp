#include "app/window_platform.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <utility>

#include "app/main_window.h"
#include "app/pause.h"
#include "input/input_path.h"
#include "input/trace.h"

namespace korvalo {

namespace {

// Message box texts break lines at carriage returns.
QString boxText(const std::string& text)
{
    QString out = QString::fromStdString(text);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

// A box is as wide as its text needs, but its title stands in the frame's
// title bar, in the title bar's font (bold on many desktops) beside the
// frame's buttons: a short text under a longer title ("　　PASS" under
// "　　赤の手番") would leave the title cut to "…". A row of the box's own
// layout is given the title's width, with room for three buttons and the
// margins, as the least width.
void widenForTitle(QMessageBox& box)
{
    const QFontMetrics metrics(QApplication::font("QTitleBar"));
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 6 * metrics.height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0,
                      1, grid->columnCount());
}

}  // namespace

WindowPlatform::WindowPlatform(MainWindow& window) : SurfacePlatform(window.surface()), window_(window) {}

void WindowPlatform::drawn()
{
    window_.drawingArea()->update();
}

void WindowPlatform::refresh()
{
    window_.drawingArea()->repaint();
}

bool WindowPlatform::isChecked(CheckItem item) const
{
    const QAction* action = window_.menuItem(QString::fromLatin1(checkItemName(item)));
    return action && action->isChecked();
}

void WindowPlatform::setChecked(CheckItem item, bool checked)
{
    if (QAction* action = window_.menuItem(QString::fromLatin1(checkItemName(item))))
        action->setChecked(checked);
}

Answer WindowPlatform::messageBox(const std::string& text, const std::string& title, Buttons buttons, BoxIcon icon)
{
    InputPath& path = window_.path();
    // A window catching up with a game under way closes the boxes with only
    // OK itself: they were read where the game was played.
    if (buttons == Buttons::OK && path.catchingUp()) {
        path.answered(buttons, Answer::OK);
        return Answer::OK;
    }
    // A box of the load event opens over the window in its place.
    window_.showInPlace();
    QMessageBox box(icon == BoxIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromStdString(title), boxText(text), QMessageBox::NoButton, &window_);
    box.setTextFormat(Qt::PlainText);
    widenForTitle(box);
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
    auto choice = [&](Answer answer) { return !yes ? box.defaultButton() : answer == Answer::No ? no : yes; };
    // Shown long enough to be read, then answered as the holding source says;
    // with no answer from it, the person answers.
    // A question answered at another window waits for that answer: the
    // person here cannot give it.
    if (yes && path.questionsAnsweredElsewhere()) {
        yes->setEnabled(false);
        no->setEnabled(false);
    }
    // A disabled button takes no click; the answer given enables it first.
    auto give = [](QPushButton* button) {
        button->setEnabled(true);
        button->click();
    };
    if (const std::optional<Answer> answer = path.answerFor(buttons)) {
        QPushButton* button = choice(*answer);
        QTimer::singleShot(answerDelay, button, [button, give] { give(button); });
    }
    // A source may answer the question while it is open (a box with only OK
    // is each window's own to close).
    std::function<void(Answer)> outer = path.openBox;
    path.openBox = nullptr;
    if (yes)
        path.openBox = [&](Answer answer) { give(choice(answer)); };
    std::function<void()> outerPerson = std::exchange(path.personMayAnswer, [&] {
        if (yes) {
            yes->setEnabled(true);
            no->setEnabled(true);
        }
    });
    box.exec();
    path.openBox = std::move(outer);
    path.personMayAnswer = std::move(outerPerson);
    const Answer answer = !yes ? Answer::OK : box.clickedButton() == yes ? Answer::Yes : Answer::No;
    path.answered(buttons, answer);
    return answer;
}

void WindowPlatform::wait(double seconds)
{
    // Catching up, the game runs what it missed without its pauses.
    const double length = window_.path().catchingUp() ? 0 : seconds;
    if (!trace::enabled()) {
        pauseWithoutInput(length);
        return;
    }
    const long long start = trace::monotonicNow();
    const long long startCpu = trace::processCpuNow();
    pauseWithoutInput(length);
    const long long end = trace::monotonicNow();
    char details[64];
    std::snprintf(details, sizeof details, "%.3f %lld", seconds, end);
    trace::eventAt("wait", start, startCpu, details);
}

void WindowPlatform::placeWindow(int left, int top, int width, int height)
{
    window_.place(QtSurface::toPixels(left), QtSurface::toPixels(top), QtSurface::toPixels(width),
                  QtSurface::toPixels(height));
}

int WindowPlatform::windowHandle()
{
    return static_cast<int>(window_.winId());
}

void WindowPlatform::endProgram()
{
    SurfacePlatform::endProgram();
    window_.path().end();
    window_.hide();
    // Leaves the running event loop. Before the loop has started, the
    // program's main function sees ended() and does not start it.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

}  // namespace korvalo
