#include "platform/recording/recording_platform.h"


#include <cmath>
#include <cstdio>

namespace korvalo {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char ch : text) {
        switch (ch) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        default: out += ch;
        }
    }
    return out + "\"";
}

std::string formatSeconds(double seconds)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", seconds);
    std::string text = buf;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

namespace {
long whole(double twips) { return std::lround(twips); }
std::string num(double twips) { return std::to_string(whole(twips)); }
}  // namespace

void RecordingPlatform::record(const std::string& line)
{
    if (keepLines)
        lines.push_back(line);
    if (onLine)
        onLine(line);
}

bool RecordingPlatform::isDrawingLine(const std::string& line)
{
    return line.rfind("picture ", 0) == 0 || line.rfind("fill ", 0) == 0 || line == "refresh";
}

std::vector<std::string> RecordingPlatform::eventLines() const
{
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (!isDrawingLine(line))
            out.push_back(line);
    return out;
}

void RecordingPlatform::copyPicture(Picture picture, int element, double x, double y)
{
    if (listening())
        record(std::string("picture ") + pictureName(picture) + " " + std::to_string(element) + " " +
               num(x) + " " + num(y));
    if (surface_)
        surface_->copyPicture(picture, element, x, y);
}

void RecordingPlatform::fillRect(double x, double y, double w, double h, int rgb)
{
    if (listening())
        record("fill " + num(x) + " " + num(y) + " " + num(w) + " " + num(h) + " " + std::to_string(rgb));
    if (surface_)
        surface_->fillRect(x, y, w, h, rgb);
}

void RecordingPlatform::printText(double x, double y, const std::string& text, int points, int rgb)
{
    if (listening())
        record("text " + quoted(text) + " " + num(x) + " " + num(y) + " " + std::to_string(points) + " " +
               std::to_string(rgb));
    if (surface_)
        surface_->printText(x, y, text, points, rgb);
}

void RecordingPlatform::refresh()
{
    record("refresh");
    if (surface_)
        surface_->refresh();
}

RecordingPlatform::IconState RecordingPlatform::icon(IconPicture icon, int element) const
{
    auto it = icons_.find({icon, element});
    return it == icons_.end() ? IconState{} : it->second;
}

void RecordingPlatform::moveIcon(IconPicture icon, int element, int left, int top)
{
    IconState& st = icons_[{icon, element}];
    st.left = left;
    st.top = top;
    if (st.visible && listening())
        record(std::string("icon ") + iconName(icon) + " " + std::to_string(element) + " shown " +
               std::to_string(left) + " " + std::to_string(top));
    if (surface_)
        surface_->moveIcon(icon, element, left, top);
}

void RecordingPlatform::setIconVisible(IconPicture icon, int element, bool visible)
{
    IconState& st = icons_[{icon, element}];
    if (visible != st.visible && listening()) {
        if (visible)
            record(std::string("icon ") + iconName(icon) + " " + std::to_string(element) + " shown " +
                   std::to_string(st.left) + " " + std::to_string(st.top));
        else
            record(std::string("icon ") + iconName(icon) + " " + std::to_string(element) + " hidden");
    }
    st.visible = visible;
    if (surface_)
        surface_->setIconVisible(icon, element, visible);
}

bool RecordingPlatform::isChecked(CheckItem item) const
{
    return checks_[static_cast<int>(item)];
}

void RecordingPlatform::setChecked(CheckItem item, bool checked)
{
    bool& mark = checks_[static_cast<int>(item)];
    if (mark != checked && listening())
        record(std::string("check ") + checkItemName(item) + (checked ? " 1" : " 0"));
    mark = checked;
    if (surface_)
        surface_->setChecked(item, checked);
}

Answer RecordingPlatform::messageBox(const std::string& text, const std::string& title, Buttons buttons,
                                     BoxIcon icon)
{
    const Answer answer = answerBox ? answerBox(buttons) : takeQueuedAnswer(answers, buttons);
    static const char* const answerNames[] = {"OK", "Yes", "No"};
    if (listening())
        record("msgbox " + quoted(text) + " " + quoted(title) + (buttons == Buttons::OK ? " OK" : " YesNo") +
               (icon == BoxIcon::Exclamation ? " exclamation" : " none") + " -> " +
               answerNames[static_cast<int>(answer)]);
    return answer;
}

void RecordingPlatform::wait(double seconds)
{
    if (listening())
        record("wait " + formatSeconds(seconds));
    now += seconds;
}

void RecordingPlatform::placeWindow(int left, int top, int width, int height)
{
    if (surface_)
        surface_->placeWindow(left, top, width, height);
}

void RecordingPlatform::setBackColour(int rgb)
{
    if (surface_)
        surface_->setBackColour(rgb);
}

void RecordingPlatform::endProgram()
{
    ended = true;
    record("exit");
    if (onEnd)
        onEnd();
}

}  // namespace korvalo
