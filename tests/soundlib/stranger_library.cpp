// A stand-in for Korvalo.dll that answers 4242 from dsInitialize, so a test
// can tell whether it was loaded instead of the real one. Built without
// dsTerminate when KORVALO_LEAVE_OUT_TERMINATE is defined.
#include <cstdint>

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int32_t dsInitialize(int32_t) { return 4242; }
EXPORT int32_t dsCreateDSB(int32_t, const void*, int32_t) { return 0; }
EXPORT int32_t dsPlay(int32_t) { return 0; }
EXPORT int32_t dsPlayLooping(int32_t) { return 0; }
EXPORT int32_t dsStop(int32_t) { return 0; }
EXPORT int32_t dsFree(int32_t) { return 0; }
#ifndef KORVALO_LEAVE_OUT_TERMINATE
EXPORT int32_t dsTerminate(int32_t) { return 0; }
#endif
