#pragma once
// The one seam between the game and the desktop. Everything the game shows,
// asks or waits for goes through this interface: the Qt window implements it
// for play, the recording platform for tests and the scenario driver.
#include <deque>
#include <string>

namespace korvalo {

// Stored pictures copied into the drawing surface at their own size.
enum class Picture { MASU, KURO, AO, SIRO, AKA, KOMA_SIDOU, RABERU };

// Small pictures that float above the drawing surface as a whole.
enum class IconPicture { ICO_COM, ICO_MAN, TE };

// Menu items that carry a check mark; the mark is the option's only state.
enum class CheckItem { TEJYUN, AICON, BGM };

enum class Buttons { OK, YesNo };
enum class BoxIcon { None, Exclamation };
enum class Answer { OK, Yes, No };

const char* pictureName(Picture);
const char* iconName(IconPicture);
const char* checkItemName(CheckItem);

class Platform {
public:
    virtual ~Platform() = default;

    // Drawing surface. Positions and sizes in twips (15 to a pixel), origin at
    // the top-left corner of the drawing area. Nothing reaches the screen
    // before refresh().
    virtual void copyPicture(Picture picture, int element, double x, double y) = 0;
    // Fills the rectangle between (x, y) and (x + w, y + h), both corners included.
    virtual void fillRect(double x, double y, double w, double h, int rgb) = 0;
    // Prints text transparently with its top-left corner at (x, y).
    virtual void printText(double x, double y, const std::string& text, int points, int rgb) = 0;
    virtual void refresh() = 0;

    // Icon pictures, addressed by kind and element 1..4.
    virtual void moveIcon(IconPicture icon, int element, int left, int top) = 0;
    virtual void setIconVisible(IconPicture icon, int element, bool visible) = 0;

    // Menu check marks.
    virtual bool isChecked(CheckItem item) const = 0;
    virtual void setChecked(CheckItem item, bool checked) = 0;

    // Modal message box; returns the button pressed.
    virtual Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                              BoxIcon icon) = 0;

    // Monotonic clock in seconds, and a pause of at least the given seconds
    // during which no input is handled and no handler runs.
    virtual double clock() = 0;
    virtual void wait(double seconds) = 0;

    // The window: outer placement in twips, background colour, a handle for the
    // sound library.
    virtual void placeWindow(int left, int top, int width, int height) = 0;
    virtual void setBackColour(int rgb) = 0;
    virtual int windowHandle() = 0;

    // Ends the program at once: no further event of the window is handled.
    virtual void endProgram() = 0;
};

// The answer a message box with these buttons takes from answers queued by a
// script: a box that offers only OK takes a queued OK and leaves a queued Yes
// or No for the question it belongs to; a Yes/No box takes the next answer, a
// queued OK counting as its default, Yes. With nothing queued, OK and Yes.
Answer takeQueuedAnswer(std::deque<Answer>& queue, Buttons buttons);

}  // namespace korvalo
