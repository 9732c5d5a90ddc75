#include "input/input.h"

#include <array>
#include <charconv>

namespace korvalo {

namespace {

// The shortest text that reads back as the same number.
std::string numberText(double value)
{
    std::array<char, 32> buf{};
    auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return ec == std::errc() ? std::string(buf.data(), end) : std::string("0");
}

const char* answerName(Answer answer)
{
    switch (answer) {
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
    case Answer::OK: break;
    }
    return "OK";
}

std::string mouseLine(bool press, int button, double x, double y)
{
    // The game takes every button alike; the language names the right one.
    std::string line = (press ? "press " : "release ") + numberText(x) + " " + numberText(y);
    if (press && button == 2)
        line += " right";
    return line;
}

}  // namespace

bool Input::leaves() const
{
    return (kind == Kind::Key && code == 27) || kind == Kind::Close || (kind == Kind::Menu && item == "EXIT");
}

std::string inputLine(const Input& input)
{
    switch (input.kind) {
    case Input::Kind::Menu: return "menu " + input.item;
    case Input::Kind::Press: return mouseLine(true, input.button, input.x, input.y);
    case Input::Kind::Release: return mouseLine(false, input.button, input.x, input.y);
    case Input::Kind::Click:
        return mouseLine(true, input.button, input.x, input.y) + "\n" + mouseLine(false, input.button, input.x, input.y);
    case Input::Kind::Key: return "key " + std::to_string(input.code);
    case Input::Kind::Close: break;
    }
    return "close";
}

std::string answerLine(const std::vector<Answer>& answers)
{
    std::string line = "answer";
    for (Answer answer : answers)
        line += std::string(" ") + answerName(answer);
    return line;
}

std::string computerLine(int column, int row)
{
    return "computer " + std::to_string(column) + " " + std::to_string(row);
}

std::string recordingHeader(std::string_view when)
{
    return recordingMark + std::string(KORVALO_VERSION) + " on " + std::string(when);
}

}  // namespace korvalo
