#pragma once
// The platform over a retained drawing surface: drawing, icons and the
// background go into a QtSurface, the check marks are kept here. On its own
// it lets the game draw pictures of itself with no screen (behind the
// recording platform, which answers the message boxes and keeps the time
// itself); the window's platform builds on it and shows the surface.
#include <array>
#include <chrono>
#include <functional>

#include "drawing/qt_surface.h"
#include "platform/platform.h"

namespace korvalo {

class SurfacePlatform : public Platform {
public:
    explicit SurfacePlatform(QtSurface& surface);

    // Told at every refresh, e.g. to save a picture of the surface.
    std::function<void()> onRefresh;
    bool ended() const { return ended_; }
    QtSurface& surface() { return surface_; }

    void copyPicture(Picture picture, int element, double x, double y) override;
    void fillRect(double x, double y, double w, double h, int rgb) override;
    void printText(double x, double y, const std::string& text, int points, int rgb) override;
    void refresh() override;
    void moveIcon(IconPicture icon, int element, int left, int top) override;
    void setIconVisible(IconPicture icon, int element, bool visible) override;
    bool isChecked(CheckItem item) const override;
    void setChecked(CheckItem item, bool checked) override;
    // There is nobody to ask: the box's first button is the answer.
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                      BoxIcon icon) override;
    double clock() override;
    // Sleeps: with no window there is nothing to repaint meanwhile.
    void wait(double seconds) override;
    // There is no window to place; the surface keeps its size.
    void placeWindow(int left, int top, int width, int height) override;
    void setBackColour(int rgb) override;
    int windowHandle() override { return 0; }
    void endProgram() override { ended_ = true; }

protected:
    // Called after every change to the surface's drawing or icons.
    virtual void drawn() {}

private:
    QtSurface& surface_;
    std::array<bool, 3> checks_{};
    bool ended_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace korvalo
