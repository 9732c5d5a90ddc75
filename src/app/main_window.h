#pragma once
// The game window: the desktop side of the platform seam. It owns the game
// object and the sound library, draws into a retained surface that it
// repaints from, turns mouse, key, menu and close events into the game's
// handlers one at a time, and pauses without spinning.
#include <QHash>
#include <QMainWindow>
#include <QPointF>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/event_gate.h"
#include "app/qt_surface.h"
#include "app/window_events.h"
#include "platform/platform.h"
#include "sound/ds_library.h"

class QAction;

namespace korvalo {

class Form1;
class DrawingArea;
class GameRecord;

class MainWindow : public QMainWindow, public Platform {
    Q_OBJECT
public:
    // library may be null: the game then plays silently. events, when given,
    // receives the window's events instead of the game (for testing the
    // window); it must outlive the window.
    explicit MainWindow(std::unique_ptr<DsLibrary> library, WindowEvents* events = nullptr);
    ~MainWindow() override;

    // Runs the load event once; drawing goes into the surface, so it may run
    // before the window is shown.
    void load();

    // A menu item by name (a menu by its menuAction()); null for unknown names.
    QAction* menuItem(const QString& name) const;
    QWidget* drawingArea() const;
    QtSurface& surface() { return surface_; }
    Form1& form() { return *form_; }
    bool ended() const { return gate_.ended(); }

    // Writes every input the game handles into record from now on (null:
    // none). The record must outlive the window.
    void recordInto(GameRecord* record) { record_ = record; }

    // Input given on the person's behalf (by a replayed script): handled,
    // queued and recorded exactly as the same input from the person. x and y
    // in twips; button and shift as in WindowEvents.
    void mouseInput(bool press, int button, double x, double y, int shift = 0);
    void menuInput(const QString& item);
    void keyInput(int code);
    void closeInput();

    // While a script gives the answers, every message box is shown and after
    // delay answered with the next queued answer (takeQueuedAnswer) instead of
    // by the person. A No to a question is where a recorded game was left:
    // that box stays open for the person, and atNo is called before it waits.
    // Turning it off drops what is still queued.
    void answerBoxesFromScript(bool on, std::chrono::milliseconds delay = std::chrono::milliseconds(500),
                               std::function<void()> atNo = {});
    // False, queuing nothing, when more than maxQueuedAnswers would wait.
    bool queueAnswers(const std::vector<Answer>& answers);

    // Event values as the game's handlers take them.
    static int buttonCode(Qt::MouseButton button);
    static int shiftCode(Qt::KeyboardModifiers modifiers);
    static QPointF toTwips(QPointF pixels);

    // ---- Platform
    void copyPicture(Picture picture, int element, double x, double y) override;
    void fillRect(double x, double y, double w, double h, int rgb) override;
    void printText(double x, double y, const std::string& text, int points, int rgb) override;
    // Repaints the window from the surface before returning.
    void refresh() override;
    void moveIcon(IconPicture icon, int element, int left, int top) override;
    void setIconVisible(IconPicture icon, int element, bool visible) override;
    bool isChecked(CheckItem item) const override;
    void setChecked(CheckItem item, bool checked) override;
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                      BoxIcon icon) override;
    double clock() override;
    void wait(double seconds) override;
    void placeWindow(int left, int top, int width, int height) override;
    void setBackColour(int rgb) override;
    int windowHandle() override;
    void endProgram() override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class DrawingArea;
    void mouseEvent(QMouseEvent* event, bool press);
    void fitOuterSize();
    void command(QAction* action, const QString& name);
    // Runs a handler through the gate; event and details name it in the
    // trace, line in the record.
    void handle(const char* event, std::string line, std::function<void()> handler,
                const char* details = nullptr);
    // The handler recorded as line.
    std::function<void()> recorded(std::string line, std::function<void()> handler);
    // Tells the person once, when no handler runs, that the record could not
    // be written.
    void reportRecordFailure();

    std::unique_ptr<DsLibrary> library_;
    QtSurface surface_;
    std::unique_ptr<Form1> form_;
    std::unique_ptr<FormEvents> formEvents_;
    WindowEvents* events_;
    EventGate gate_;
    DrawingArea* area_ = nullptr;
    QHash<QString, QAction*> items_;
    bool loaded_ = false;
    bool closeQueued_ = false;
    // The outer size asked for, and whether it has been fitted to the frame.
    QSize outerSize_;
    bool framed_ = false;
    GameRecord* record_ = nullptr;
    bool scriptAnswers_ = false;
    std::deque<Answer> answers_;
    std::chrono::milliseconds answerDelay_{500};
    std::function<void()> atScriptedNo_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace korvalo
