#include "net/protocol.h"

#include <charconv>

#include "computer/levels.h"
#include "script/script_language.h"

namespace korvalo::net {

namespace {

constexpr const char* colourWords[] = {"watch", "black", "blue", "white", "red"};

}  // namespace

std::string colourWord(int colour)
{
    return colour >= 1 && colour <= 4 ? colourWords[colour] : colourWords[0];
}

std::optional<int> colourOf(std::string_view word)
{
    for (int colour = 1; colour <= 4; ++colour)
        if (word == colourWords[colour])
            return colour;
    if (word == "watch" || word == "any")
        return 0;
    return std::nullopt;
}

std::vector<std::string> splitLine(std::string_view line, std::size_t most)
{
    std::vector<std::string> words;
    while (!line.empty() && words.size() + 1 < most) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos)
            break;
        words.emplace_back(line.substr(0, blank));
        line.remove_prefix(blank + 1);
    }
    words.emplace_back(line);
    return words;
}

namespace {

// A whole number from low to high, in digits only.
std::optional<int> countIn(std::string_view text, int low, int high)
{
    int read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (text.empty() || text[0] == '-' || error != std::errc() || end != text.data() + text.size() || read < low ||
        read > high)
        return std::nullopt;
    return read;
}

std::optional<Input> inputIn(std::string_view line)
{
    ScriptCommand command;
    std::string error;
    if (!parseScriptLine(std::string(line), &command, &error) || command.kind != ScriptCommand::Kind::Input)
        return std::nullopt;
    return command.input;
}

}  // namespace

std::optional<Message> parseMessage(std::string_view line)
{
    using namespace message;
    const std::vector<std::string> w = splitLine(line, 3);
    const std::string& word = w[0];
    if (word == "hello") {
        const std::vector<std::string> h = splitLine(line, 7);
        if (h.size() != 6 || h[1] != "korvalo")
            return std::nullopt;
        return Hello{h[2], h[3], h[4], h[5]};
    }
    if (word == "welcome" && w.size() == 1)
        return Welcome{};
    if (word == "refused" && w.size() == 3 && w[1] == "wait")
        if (const auto seconds = countIn(w[2], 1, 3600))
            return RefusedWait{*seconds};
    if (word == "refused" && line.size() > 8)
        return Refused{std::string(line.substr(8))};
    if (word == "input" && w.size() == 3 && (w[1] == "host" || colourOf(w[1]).value_or(0) != 0))
        if (const auto input = inputIn(w[2]); input && input->kind != Input::Kind::Click)
            return InputOf{w[1], *input};
    if (word == "input" && w.size() == 3 && w[1] == "host" && w[2].rfind("computer ", 0) == 0) {
        ScriptCommand command;
        std::string error;
        if (parseScriptLine(w[2], &command, &error)) {
            // The standard level's squares are not sent, so it is not said.
            if (command.kind == ScriptCommand::Kind::Strength && choosesApart(command.level))
                return ComputerOf{true, command.level};
            if (command.kind == ScriptCommand::Kind::Computer)
                return ComputerOf{false, strongestLevel, command.column, command.row};
        }
    }
    if (word == "answer" && w.size() == 2 && (w[1] == "Yes" || w[1] == "No"))
        return AnswerOf{w[1] == "No" ? Answer::No : Answer::Yes};
    if (word == "seat" && w.size() == 2 && colourOf(w[1]) && w[1] != "any")
        return Seat{*colourOf(w[1])};
    if (word == "players" && w.size() == 2)
        if (const auto count = countIn(w[1], 1, maxPlayers))
            return Players{*count};
    if (word == "left" && w.size() == 2 && colourOf(w[1]).value_or(0) != 0)
        return Left{*colourOf(w[1])};
    if (word == "caught-up" && w.size() == 1)
        return CaughtUp{};
    if (word == "end" && (w.size() == 1 || (w.size() == 2 && w[1] == "No")))
        return End{w.size() == 2};
    if (word == "move" && w.size() >= 2)
        if (const auto input = inputIn(line.substr(5));
            input && (input->kind == Input::Kind::Press || input->kind == Input::Kind::Release))
            return Move{*input};
    if (word == "bye" && w.size() == 1)
        return Bye{};
    return std::nullopt;
}

std::string writeMessage(const Message& message)
{
    using namespace message;
    struct Writer {
        std::string operator()(const Hello& m) const
        {
            return "hello korvalo " + m.protocol + " " + m.version + " " + m.code + " " + m.seat;
        }
        std::string operator()(const Welcome&) const { return "welcome"; }
        std::string operator()(const Refused& m) const { return "refused " + m.reason; }
        std::string operator()(const RefusedWait& m) const { return "refused wait " + std::to_string(m.seconds); }
        std::string operator()(const InputOf& m) const { return "input " + m.from + " " + inputLine(m.input); }
        std::string operator()(const ComputerOf& m) const
        {
            // Level 5 keeps the word a window that knows no levels reads.
            if (m.announce)
                return m.level == strongestLevel ? "input host computer strong"
                                    : "input host computer " + std::to_string(m.level);
            return "input host " + computerLine(m.column, m.row);
        }
        std::string operator()(const AnswerOf& m) const { return m.answer == Answer::No ? "answer No" : "answer Yes"; }
        std::string operator()(const Seat& m) const { return "seat " + colourWord(m.colour); }
        std::string operator()(const Players& m) const { return "players " + std::to_string(m.count); }
        std::string operator()(const Left& m) const { return "left " + colourWord(m.colour); }
        std::string operator()(const CaughtUp&) const { return "caught-up"; }
        std::string operator()(const End& m) const { return m.byNo ? "end No" : "end"; }
        std::string operator()(const Move& m) const { return "move " + inputLine(m.input); }
        std::string operator()(const Bye&) const { return "bye"; }
    };
    return std::visit(Writer{}, message);
}

}  // namespace korvalo::net
