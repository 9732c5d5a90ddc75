#include "script/script_runner.h"

#include "flow/menu_commands.h"

#include <charconv>
#include <cmath>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

namespace korvalo {

namespace {

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string word;
    while (in >> word)
        out.push_back(word);
    return out;
}

bool toNumber(const std::string& text, double* value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && std::isfinite(*value);
}

bool toInteger(const std::string& text, int* value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end;
}

}  // namespace

ScriptRunner::ScriptRunner(const ScriptOptions& options, std::ostream& out, Platform* surface,
                           std::function<bool(const std::string&)> snapshot)
    : options_(options), out_(out), snapshot_(std::move(snapshot)), ui_(surface)
{
    // Each line is printed as it happens and not kept: a script of any
    // length runs in the same memory.
    ui_.keepLines = false;
    ui_.onLine = [this](const std::string& line) {
        if (options_.draw || !RecordingPlatform::isDrawingLine(line))
            out_ << line << '\n' << std::flush;
    };
    if (options_.soundLibrary)
        library_ = std::make_unique<RecordingDsLibrary>([this](const std::string& line) { ui_.record(line); },
                                                        options_.soundDevice);
    form_ = std::make_unique<Form1>(ui_, library_.get());
}

int ScriptRunner::run(std::istream& script, std::ostream& err)
{
    form_->Form_Load();
    std::string line;
    int number = 0;
    while (!ui_.ended && std::getline(script, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string error;
        if (!execute(line, &error)) {
            err << "korvalo-script: line " << number << ": " << error << '\n';
            return 2;
        }
    }
    return 0;
}

bool ScriptRunner::execute(const std::string& line, std::string* error)
{
    const std::vector<std::string> w = words(line);
    if (w.empty() || w[0][0] == '#')
        return true;
    const std::string& command = w[0];
    auto fail = [&](const std::string& why) {
        *error = why + ": " + line;
        return false;
    };

    if (command == "menu") {
        if (w.size() != 2)
            return fail("menu takes one item name");
        const MenuHandler handler = menuHandler(w[1]);
        if (!handler)
            return fail("unknown menu item");
        (form_.get()->*handler)();
    } else if (command == "press" || command == "release") {
        double x = 0, y = 0;
        const bool pressWithButton = command == "press" && w.size() == 4;
        if (!(w.size() == 3 || pressWithButton) || !toNumber(w[1], &x) || !toNumber(w[2], &y))
            return fail(command + " takes X and Y in twips");
        if (pressWithButton && w[3] != "right")
            return fail("the only button word is right");
        const int button = pressWithButton ? 2 : 1;
        if (command == "press")
            form_->Form_MouseDown(button, 0, x, y);
        else
            form_->Form_MouseUp(button, 0, x, y);
    } else if (command == "click") {
        int column = 0, row = 0;
        if (w.size() != 3 || !toInteger(w[1], &column) || !toInteger(w[2], &row) || std::abs(column) > 1000 ||
            std::abs(row) > 1000)
            return fail("click takes a column and a row");
        const double x = boardLeft + cellWidth * column + cellWidth / 2;
        const double y = boardTop + cellHeight * row + cellHeight / 2;
        form_->Form_MouseDown(1, 0, x, y);
        if (!ui_.ended)
            form_->Form_MouseUp(1, 0, x, y);
    } else if (command == "key") {
        int code = 0;
        if (w.size() != 2 || !toInteger(w[1], &code))
            return fail("key takes a character code");
        form_->Form_KeyPress(code);
    } else if (command == "close") {
        if (w.size() != 1)
            return fail("close takes nothing");
        form_->Form_Unload();
    } else if (command == "answer") {
        if (w.size() < 2)
            return fail("answer takes one or more of OK, Yes, No");
        std::vector<Answer> answers;
        for (size_t i = 1; i < w.size(); ++i) {
            if (w[i] == "OK")
                answers.push_back(Answer::OK);
            else if (w[i] == "Yes")
                answers.push_back(Answer::Yes);
            else if (w[i] == "No")
                answers.push_back(Answer::No);
            else
                return fail("an answer is OK, Yes or No");
        }
        ui_.answers.insert(ui_.answers.end(), answers.begin(), answers.end());
    } else if (command == "state") {
        if (w.size() != 1)
            return fail("state takes nothing");
        printState();
    } else if (command == "snapshot") {
        const std::string::size_type at = line.find("snapshot") + 8;
        const std::string::size_type start = line.find_first_not_of(" \t", at);
        if (start == std::string::npos)
            return fail("snapshot takes a file name");
        const std::string file = line.substr(start, line.find_last_not_of(" \t") - start + 1);
        if (!snapshot_ || !snapshot_(file))
            return fail("cannot save the snapshot");
    } else {
        return fail("unknown command");
    }
    return true;
}

void ScriptRunner::printState()
{
    const GameState& s = form_->s;
    out_ << "state turn=" << s.turnColour << " mode=" << s.gameMode << " move=" << s.moveNumber
         << " last=" << s.lastMoveNumber << " kinds=" << s.playerKind[1] << ',' << s.playerKind[2] << ','
         << s.playerKind[3] << ',' << s.playerKind[4] << " checks=TEJYUN:" << ui_.isChecked(CheckItem::TEJYUN)
         << ",AICON:" << ui_.isChecked(CheckItem::AICON) << ",BGM:" << ui_.isChecked(CheckItem::BGM) << '\n';
    for (int row = 1; row <= 9; ++row) {
        out_ << "row " << row << ' ';
        for (int column = 1; column <= 9; ++column)
            out_ << s.board[column][row];
        out_ << '\n';
    }
    out_ << std::flush;
}

bool parseScriptArguments(int argc, char** argv, ScriptOptions* options, std::string* dir, std::string* script,
                          std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dir") {
            if (i + 1 >= argc) {
                *error = "--dir needs a folder";
                return false;
            }
            *dir = argv[++i];
        } else if (arg == "--draw") {
            options->draw = true;
        } else if (arg == "--no-sound-device") {
            options->soundDevice = false;
        } else if (arg == "--no-sound-library") {
            options->soundLibrary = false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg;
            return false;
        } else if (script->empty()) {
            *script = arg;
        } else {
            *error = "only one script file may be given";
            return false;
        }
    }
    return true;
}

}  // namespace korvalo
