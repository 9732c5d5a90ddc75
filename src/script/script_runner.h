#pragma once
// Runs the game from a script of window events and prints every observable
// event as one line: the engine of the scenario driver korvalo-script.
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "flow/form1.h"
#include "sound/recording/recording_library.h"
#include "input/input_path.h"
#include "input/window_events.h"
#include "platform/recording/recording_platform.h"
#include "script/script_reader.h"

namespace korvalo {

struct ScriptOptions {
    bool draw = false;           // also print the drawing primitives
    bool soundDevice = true;     // false: dsInitialize answers 0
    bool soundLibrary = true;    // false: the program sees no sound library
    double ratio = 1;            // device pixels to a logical pixel in snapshots
};

// The script is a source of input like any other: its inputs and answers
// reach the game through the input path, which holds the game for it.
class ScriptRunner : public InputSource {
public:
    // surface, when given, receives every drawing call (for snapshots).
    // snapshot saves the drawing area with the visible icons as a PNG and
    // answers false when it cannot.
    ScriptRunner(const ScriptOptions& options, std::ostream& out, Platform* surface = nullptr,
                 std::function<bool(const std::string& file)> snapshot = {});

    // Runs Form_Load, then every command of the script. Returns the exit code:
    // 0 at the end of the script or when the program ended, 2 for a malformed
    // command (with a message on err).
    int run(ScriptReader& script, std::ostream& err);
    int run(std::istream& script, std::ostream& err);

    Form1& form() { return *form_; }
    InputPath& path() { return *path_; }

private:
    // Carries out one line; returns false with a message for a malformed one.
    bool execute(const std::string& line, std::string* error);
    void printState();

    ScriptOptions options_;
    std::ostream& out_;
    std::function<bool(const std::string&)> snapshot_;
    RecordingPlatform ui_;
    std::unique_ptr<RecordingDsLibrary> library_;
    std::unique_ptr<Form1> form_;
    std::unique_ptr<FormEvents> events_;
    std::unique_ptr<InputPath> path_;
};

}  // namespace korvalo
