#include "log/log.h"

#include <QString>
#include <QtGlobal>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace korvalo::log {

namespace {

Limit& theLog()
{
    // Made on first use and never destroyed, since threads of the program
    // may still write at exit; what was left out last is said then.
    static Limit* limit = [] {
        auto* made = new Limit(Limit::Clock::now, [](const std::string& text) {
            std::fprintf(stderr, "%s\n", text.c_str());
            std::fflush(stderr);
        });
        std::atexit([] { theLog().sayLeftOut(); });
        return made;
    }();
    return *limit;
}

}  // namespace

void Limit::line(const std::string& text)
{
    std::lock_guard lock(mutex_);
    const Clock::time_point now = now_();
    if (!counting_ || now - second_ >= std::chrono::seconds(1)) {
        counting_ = true;
        second_ = now;
        written_ = 0;
        sayLeftOutLocked();
    }
    if (written_ >= linesPerSecond) {
        ++leftOut_;
        return;
    }
    ++written_;
    out_(text);
}

void Limit::sayLeftOut()
{
    std::lock_guard lock(mutex_);
    sayLeftOutLocked();
}

void Limit::sayLeftOutLocked()
{
    if (leftOut_ == 0)
        return;
    out_(program_ + ": " + std::to_string(leftOut_) + " log line" + (leftOut_ == 1 ? "" : "s") + " left out");
    leftOut_ = 0;
}

void Limit::setProgram(const std::string& name)
{
    std::lock_guard lock(mutex_);
    program_ = name;
}

void line(const std::string& text)
{
    theLog().line(text);
}

void print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (size > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<std::size_t>(size));
    }
    va_end(again);
    // A line of the log is one line: a trailing line feed is the caller's habit.
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    theLog().line(text);
}

void setProgram(const std::string& name)
{
    theLog().setProgram(name);
}

void takeQtMessages()
{
    // In the words and the form Qt would write them (QT_MESSAGE_PATTERN).
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        theLog().line(qFormatLogMessage(type, context, message).toLocal8Bit().toStdString());
    });
}

}  // namespace korvalo::log
