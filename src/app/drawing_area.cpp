#include "app/drawing_area.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cstdio>

#include "drawing/qt_surface.h"
#include "input/trace.h"

namespace korvalo {

namespace {

// Everything the game draws lies within this many pixels of the drawing
// area's top-left corner: the turn line ends at 7015 + 2200 twips, the seat
// icon at the bottom starts at 6300 twips and is 32 pixels high.
constexpr QSize drawingExtent{(7015 + 2200) / twipsPerPixel + 1, 6300 / twipsPerPixel + 32 + 1};

}  // namespace

DrawingArea::DrawingArea(QtSurface& surface, QWidget* parent) : QWidget(parent), surface_(surface)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(drawingExtent);
    setFocusPolicy(Qt::StrongFocus);
}

bool DrawingArea::event(QEvent* event)
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

void DrawingArea::paintEvent(QPaintEvent* event)
{
    if (devicePixelRatioF() != surface_.ratio())
        surface_.setRatio(devicePixelRatioF());
    QPainter painter(this);
    surface_.paint(painter, event->rect());
    if (overlay)
        overlay(painter);
    if (!painted_ && trace::enabled()) {
        // Where the drawing starts on the screen, for a script that clicks squares.
        painted_ = true;
        const QPoint origin = mapToGlobal(QPoint(0, 0));
        char details[32];
        std::snprintf(details, sizeof details, "%d %d", origin.x(), origin.y());
        trace::event("paint", details);
    }
}

void DrawingArea::mousePressEvent(QMouseEvent* event)
{
    if (onMouse)
        onMouse(*event, true);
}

void DrawingArea::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (onMouse)
        onMouse(*event, true);
}

void DrawingArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (onMouse)
        onMouse(*event, false);
}

}  // namespace korvalo
