#pragma once
// A timing trace for measuring the running program from outside. Off unless
// the environment variable KORVALO_TRACE names a file; each event is then
// appended to it as one line
//   NAME MONOTONIC_NS PROCESS_CPU_NS [DETAILS]
// with CLOCK_MONOTONIC and the CPU time of the whole process (all threads),
// both in nanoseconds. When off, an event costs one test of a flag.

namespace korvalo::trace {

bool enabled();

// Both clocks now, in nanoseconds.
long long monotonicNow();
long long processCpuNow();

// Writes an event taken now.
void event(const char* name, const char* details = nullptr);
// Writes an event taken at the given times (from the two functions above).
void eventAt(const char* name, long long monotonic, long long cpu, const char* details = nullptr);

}  // namespace korvalo::trace
