#pragma once
// The platform of the game window: the drawing goes into the window's
// surface as without a window, and the drawing area shows it; the check marks
// are the menu's, message boxes are modal boxes over the window (answered by
// the source that holds the game, when one does), pauses keep the window
// painted without taking input, and the end of the program closes the window.
#include <chrono>

#include "drawing/surface_platform.h"

namespace korvalo {

class MainWindow;

class WindowPlatform : public SurfacePlatform {
public:
    // The window must outlive its platform.
    explicit WindowPlatform(MainWindow& window);

    // A box that the holding source answers is shown this long first.
    std::chrono::milliseconds answerDelay{500};

    // Repaints the window from the surface before returning.
    void refresh() override;
    bool isChecked(CheckItem item) const override;
    void setChecked(CheckItem item, bool checked) override;
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                      BoxIcon icon) override;
    void wait(double seconds) override;
    void placeWindow(int left, int top, int width, int height) override;
    int windowHandle() override;
    void endProgram() override;

protected:
    void drawn() override;

private:
    MainWindow& window_;
};

}  // namespace korvalo
