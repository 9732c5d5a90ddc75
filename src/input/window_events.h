#pragma once
// Where the window sends the events it accepts: to the game's handlers
// (FormEvents), or to a stand-in when the window itself is under test.
#include <QString>

namespace korvalo {

class Form1;

class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void load() = 0;
    // button 1 left, 2 right, 4 middle, 8 back, 16 forward, higher bits the
    // further buttons; shift 1 Shift, 2 Ctrl, 4 Alt;
    // x, y in twips from the drawing area's top-left corner.
    virtual void mouseDown(int button, int shift, double x, double y) = 0;
    virtual void mouseUp(int button, int shift, double x, double y) = 0;
    virtual void keyPress(int keyAscii) = 0;
    virtual void unload() = 0;
    // A menu command, by the item's name (JYUNBAN_1, EXIT, TEJYUN, ...).
    virtual void command(const QString& item) = 0;
};

// The game's own handlers: Form_Load, Form_MouseDown, ..., ITEM_Click.
class FormEvents : public WindowEvents {
public:
    explicit FormEvents(Form1& form) : form_(form) {}
    void load() override;
    void mouseDown(int button, int shift, double x, double y) override;
    void mouseUp(int button, int shift, double x, double y) override;
    void keyPress(int keyAscii) override;
    void unload() override;
    // Unknown names are ignored.
    void command(const QString& item) override;

private:
    Form1& form_;
};

}  // namespace korvalo
