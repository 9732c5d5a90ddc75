#pragma once
// A platform that records every call as one line of text, in the order the
// calls happen, answers message boxes from a queue and advances a fake clock
// instead of waiting. Tests assert on its lines; the scenario driver prints
// them. Drawing may be forwarded to a real surface for pictures of the game.
// A long run that only streams its lines (the scenario driver) switches the
// log off, so its memory stays the same however many games it plays.
//
// Lines:
//   msgbox "TEXT" "TITLE" OK|YesNo none|exclamation -> ANSWER
//   wait SECONDS
//   text "STRING" X Y SIZE COLOUR
//   icon NAME INDEX shown LEFT TOP | icon NAME INDEX hidden
//   check ITEM 0|1
//   exit
//   picture NAME INDEX X Y | fill X Y W H COLOUR | refresh   (drawing)
#include <array>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace korvalo {

class RecordingPlatform : public Platform {
public:
    // surface, when given, also receives every drawing and window call.
    explicit RecordingPlatform(Platform* surface = nullptr) : surface_(surface) {}

    std::vector<std::string> lines;                  // every event so far, while keepLines
    bool keepLines = true;                           // false: lines stays empty; onLine still hears all
    std::function<void(const std::string&)> onLine;  // told of each line as it happens
    std::deque<Answer> answers;                      // answers for the next message boxes (takeQueuedAnswer)
    std::function<Answer(Buttons)> answerBox;        // when set, gives the answers instead of the queue
    std::function<void()> onEnd;                     // told when the program ends
    double now = 0;                                  // the fake clock, in seconds
    bool ended = false;                              // endProgram was called

    void record(const std::string& line);
    // Whether a line would go anywhere: with the log off and nobody told,
    // the platform keeps its state without making lines at all.
    bool listening() const { return keepLines || onLine; }
    // Lines that are not drawing primitives (picture, fill, refresh).
    std::vector<std::string> eventLines() const;
    static bool isDrawingLine(const std::string& line);

    void copyPicture(Picture picture, int element, double x, double y) override;
    void fillRect(double x, double y, double w, double h, int rgb) override;
    void printText(double x, double y, const std::string& text, int points, int rgb) override;
    void refresh() override;
    void moveIcon(IconPicture icon, int element, int left, int top) override;
    void setIconVisible(IconPicture icon, int element, bool visible) override;
    bool isChecked(CheckItem item) const override;
    void setChecked(CheckItem item, bool checked) override;
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons,
                      BoxIcon icon) override;
    double clock() override { return now; }
    void wait(double seconds) override;
    void placeWindow(int left, int top, int width, int height) override;
    void setBackColour(int rgb) override;
    int windowHandle() override { return 1; }
    void endProgram() override;

    struct IconState {
        bool visible = false;
        int left = 0;
        int top = 0;
    };
    IconState icon(IconPicture icon, int element) const;

private:
    Platform* surface_;
    std::array<bool, 3> checks_{};
    std::map<std::pair<IconPicture, int>, IconState> icons_;
};

// Text quoted as the lines show it: carriage return \r, line feed \n,
// backslash \\ and double quote \" escaped.
std::string quoted(const std::string& text);
// Seconds with up to three decimals and no trailing zeros: 0.05, 0.5, 2.
std::string formatSeconds(double seconds);

}  // namespace korvalo
