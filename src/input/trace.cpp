#include "input/trace.h"

#include <time.h>

#include <cstdio>

namespace korvalo::trace {

namespace {

// Lines are flushed as they are written, so a reader sees each event at once
// and nothing is lost when the program ends without returning from main.
std::FILE* file = nullptr;

long long nanoseconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace

bool start(const std::string& path)
{
    stop();
    // Not passed on to programs started from this one.
    file = std::fopen(path.c_str(), "ae");
    return file != nullptr;
}

void stop()
{
    if (file)
        std::fclose(file);
    file = nullptr;
}

bool enabled()
{
    return file != nullptr;
}

long long monotonicNow()
{
    return nanoseconds(CLOCK_MONOTONIC);
}

long long processCpuNow()
{
    return nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
}

void event(const char* name, const char* details)
{
    if (file)
        eventAt(name, monotonicNow(), processCpuNow(), details);
}

void eventAt(const char* name, long long monotonic, long long cpu, const char* details)
{
    if (!file)
        return;
    if (details)
        std::fprintf(file, "%s %lld %lld %s\n", name, monotonic, cpu, details);
    else
        std::fprintf(file, "%s %lld %lld\n", name, monotonic, cpu);
    std::fflush(file);
}

}  // namespace korvalo::trace
