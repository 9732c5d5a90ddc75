#include "net/protocol.h"

#include <QRandomGenerator>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "net/router_answers.h"
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
            if (command.kind == ScriptCommand::Kind::Strength && command.strong)
                return ComputerOf{true};
            if (command.kind == ScriptCommand::Kind::Computer)
                return ComputerOf{false, command.column, command.row};
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
            return m.announce ? "input host computer strong" : "input host " + computerLine(m.column, m.row);
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

std::optional<std::string> LineSplitter::feed(std::string_view bytes)
{
    pending_.append(bytes);
    std::size_t start = 0;
    for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1) {
        if (end - start > maxLine)
            return "a line longer than " + std::to_string(maxLine) + " bytes";
        ++heard_;
        std::string line = pending_.substr(start, end - start);
        if (line == pingLine)
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)utf8(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())));
        if (utf8.hasError())
            return std::string("a line that is not UTF-8");
        cost_ += line.size() + lineCost;
        lines_.push_back(std::move(line));
        if (cost_ > limit_)
            return std::string("more lines than this window can keep");
    }
    pending_.erase(0, start);
    if (pending_.size() > maxLine)
        return "a line longer than " + std::to_string(maxLine) + " bytes";
    return std::nullopt;
}

std::optional<std::string> LineSplitter::next()
{
    if (lines_.empty())
        return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    cost_ -= line.size() + lineCost;
    return line;
}

void LineSplitter::clear()
{
    std::deque<std::string>().swap(lines_);
    pending_.clear();
    cost_ = 0;
}

bool splitAddress(const std::string& text, std::string* host, int* port)
{
    std::string rest;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        *host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
    } else if (std::count(text.begin(), text.end(), ':') > 1) {
        *host = text;  // a bare IPv6 address
    } else {
        const std::size_t colon = text.find(':');
        *host = text.substr(0, colon);
        if (colon != std::string::npos)
            rest = text.substr(colon);
    }
    if (host->empty())
        return false;
    if (rest.empty())
        return true;
    if (rest[0] != ':' || !readPort(std::string_view(rest).substr(1)))
        return false;
    *port = readPort(std::string_view(rest).substr(1));
    return true;
}

bool isWindowsOwn(const Input& input)
{
    return input.kind == Input::Kind::Menu &&
           (input.item == "TEJYUN" || input.item == "AICON" || input.item == "BGM" || input.item == "SONOTA");
}

bool hostMaySend(std::string_view from, const Input& input)
{
    using Kind = Input::Kind;
    if (from != "host")
        return input.kind == Kind::Press || input.kind == Kind::Release;
    switch (input.kind) {
    case Kind::Press:
    case Kind::Release: return true;
    // Esc leaves the game; the game does nothing with the other keys.
    case Kind::Key: return input.code != 27;
    // The seatings and 最初, 戻 and 進: the commands that change the game for
    // every window. The options, the about box and 終了 stay at the host.
    case Kind::Menu: return !isWindowsOwn(input) && !input.leaves();
    case Kind::Click:
    case Kind::Close: return false;
    }
    return false;
}

namespace {

constexpr char consonants[] = "bdfgklmnprstvz";
constexpr char vowels[] = "aeiou";
constexpr int syllables = 8;

}  // namespace

std::string randomCode()
{
    std::string code;
    for (int i = 0; i < syllables; ++i) {
        if (i > 0 && i % 2 == 0)
            code += '-';
        code += consonants[QRandomGenerator::system()->bounded(int(sizeof consonants - 1))];
        code += vowels[QRandomGenerator::system()->bounded(int(sizeof vowels - 1))];
    }
    return code;
}

double randomCodeBits()
{
    return syllables * std::log2(double(sizeof consonants - 1) * double(sizeof vowels - 1));
}

double estimatedCodeBits(std::string_view code)
{
    bool small = false, capital = false, digit = false, sign = false, beyond = false;
    std::size_t characters = 0;
    for (const char c : code) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80)
            continue;  // the rest of a character beyond ASCII
        ++characters;
        const bool isSmall = byte >= 'a' && byte <= 'z', isCapital = byte >= 'A' && byte <= 'Z',
                   isDigit = byte >= '0' && byte <= '9';
        small |= isSmall;
        capital |= isCapital;
        digit |= isDigit;
        beyond |= byte >= 0x80;
        sign |= byte < 0x80 && !isSmall && !isCapital && !isDigit;
    }
    const int alphabet = 26 * small + 26 * capital + 10 * digit + 33 * sign + 128 * beyond;
    return alphabet == 0 ? 0.0 : static_cast<double>(characters) * std::log2(double(alphabet));
}

std::string printable(std::string_view text, std::size_t most)
{
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80 && characters++ == most) {
            out += "…";
            break;
        }
        // U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || c1) {
            const unsigned code = c1 ? static_cast<unsigned char>(text[++i]) : byte;
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
            out += escaped;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace korvalo::net
