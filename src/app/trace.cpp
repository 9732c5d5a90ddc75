#include "app/trace.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace korvalo::trace {

namespace {

long long nanoseconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// Opened on first use and kept for the whole run; lines are flushed as they
// are written, so a reader sees each event at once and nothing is lost when
// the program ends without returning from main.
std::FILE* traceFile()
{
    static std::FILE* const file = [] {
        const char* name = std::getenv("KORVALO_TRACE");
        return name && *name ? std::fopen(name, "a") : nullptr;
    }();
    return file;
}

}  // namespace

bool enabled()
{
    return traceFile() != nullptr;
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
    if (enabled())
        eventAt(name, monotonicNow(), processCpuNow(), details);
}

void eventAt(const char* name, long long monotonic, long long cpu, const char* details)
{
    std::FILE* file = traceFile();
    if (!file)
        return;
    if (details)
        std::fprintf(file, "%s %lld %lld %s\n", name, monotonic, cpu, details);
    else
        std::fprintf(file, "%s %lld %lld\n", name, monotonic, cpu);
    std::fflush(file);
}

}  // namespace korvalo::trace
