// Runs a program, first appending "exec NS" to the trace file named by
// KORVALO_TRACE, NS being CLOCK_MONOTONIC in nanoseconds just before the
// exec: the start of the start-up time, on the clock the program's own trace
// uses.
//   launch PROGRAM [ARGUMENTS...]
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: launch PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const char* trace = std::getenv("KORVALO_TRACE");
    if (!trace || !*trace) {
        std::fprintf(stderr, "launch: KORVALO_TRACE names no file\n");
        return 2;
    }
    std::FILE* file = std::fopen(trace, "a");
    if (!file) {
        std::perror(trace);
        return 2;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(file, "exec %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fclose(file);
    execv(argv[1], argv + 1);
    std::perror(argv[1]);
    return 127;
}
