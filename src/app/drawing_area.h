#pragma once
// The client area below the menu bar: shows the surface and its icons at the
// screen's density, with what the window draws over it, and hands mouse
// presses and releases on.
#include <QWidget>
#include <functional>

class QMouseEvent;
class QPainter;

namespace korvalo {

class QtSurface;

class DrawingArea : public QWidget {
public:
    DrawingArea(QtSurface& surface, QWidget* parent);

    // Told of each press (true) and release (false) of a mouse button.
    std::function<void(const QMouseEvent& event, bool press)> onMouse;
    // Draws over the surface at each paint (the keyboard's cursor square).
    std::function<void(QPainter& painter)> overlay;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // A second press soon after the first is still a press to the game.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QtSurface& surface_;
    bool painted_ = false;
};

}  // namespace korvalo
