#pragma once
// The program's one log, on standard error: the lines of its connections, a
// host's refusals, the router's answers and each program's own lines go
// through here, at most linesPerSecond in each second in all. Lines beyond
// that are left out and counted; the count is said in one line of its own
// ("korvalo: 123 log lines left out") before the next line that is written,
// and at exit. Help and usage texts, and korvalo-script's trace, are no log.
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

namespace korvalo::log {

inline constexpr int linesPerSecond = 20;

// Writes one line (text without its line feed) to the log; from any thread.
void line(const std::string& text);
// The same, formatted as printf does.
void print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The name the count line starts with: "korvalo" unless set.
void setProgram(const std::string& name);
// Has Qt's own messages (its warnings, say) go through the log too.
void takeQtMessages();

// The bound itself, over a clock and an output of its own.
class Limit {
public:
    using Clock = std::chrono::steady_clock;
    Limit(std::function<Clock::time_point()> now, std::function<void(const std::string&)> out)
        : now_(std::move(now)), out_(std::move(out)) {}
    ~Limit() { sayLeftOut(); }

    void line(const std::string& text);
    // Says how many lines were left out, if any were.
    void sayLeftOut();
    void setProgram(const std::string& name);

private:
    void sayLeftOutLocked();

    std::function<Clock::time_point()> now_;
    std::function<void(const std::string&)> out_;
    std::mutex mutex_;
    std::string program_ = "korvalo";
    Clock::time_point second_{};  // the start of the second being counted
    bool counting_ = false;       // a second is being counted
    int written_ = 0;             // lines written in it
    long leftOut_ = 0;            // lines left out since the count was last said
};

}  // namespace korvalo::log
