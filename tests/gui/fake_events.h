#pragma once
// Stands in for the game's handlers: logs every event the window passes on,
// and lets a test act from inside a handler.
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "input/window_events.h"

namespace korvalo::testing {

class FakeEvents : public WindowEvents {
public:
    std::vector<std::string> log;
    // Runs inside the handler, between its "begin" and its entry.
    std::function<void(const std::string& event)> during;

    void load() override { handle("load"); }
    void mouseDown(int button, int shift, double x, double y) override
    {
        handle("down " + std::to_string(button) + " " + std::to_string(shift) + " " + number(x) + " " + number(y));
    }
    void mouseUp(int button, int shift, double x, double y) override
    {
        handle("up " + std::to_string(button) + " " + std::to_string(shift) + " " + number(x) + " " + number(y));
    }
    void keyPress(int keyAscii) override { handle("key " + std::to_string(keyAscii)); }
    void unload() override { handle("unload"); }
    void command(const QString& item) override { handle("command " + item.toStdString()); }

private:
    static std::string number(double v)
    {
        const long whole = static_cast<long>(v);
        return whole == v ? std::to_string(whole) : std::to_string(v);
    }
    void handle(const std::string& event)
    {
        if (during) {
            log.push_back("begin " + event);
            std::function<void(const std::string&)> act = std::move(during);
            during = nullptr;  // acts once
            act(event);
        }
        log.push_back(event);
    }
};

}  // namespace korvalo::testing
