#pragma once
// A timing trace for measuring the running program from outside (see
// bench/run.sh). The program starts it when the environment variable
// KORVALO_TRACE names a file; each event is then appended to that file as
// one line
//   NAME MONOTONIC_NS PROCESS_CPU_NS [DETAILS]
// with CLOCK_MONOTONIC and the CPU time of the whole process (all threads),
// both in nanoseconds. While no trace runs, an event costs one test.
// Events are written from the window's thread only.
#include <string>

namespace korvalo::trace {

// Appends to the file from now on; false when it cannot be opened. A trace
// already running is stopped first.
bool start(const std::string& path);
void stop();
bool enabled();

// Both clocks now, in nanoseconds.
long long monotonicNow();
long long processCpuNow();

// Writes an event taken now.
void event(const char* name, const char* details = nullptr);
// Writes an event taken at the given times (from the two functions above).
void eventAt(const char* name, long long monotonic, long long cpu, const char* details = nullptr);

}  // namespace korvalo::trace
