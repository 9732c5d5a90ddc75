#pragma once
// The sound module: starts and ends the sound library and makes sound buffers
// from wave files, warning the user when that fails.
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "sound/ds_library.h"

namespace korvalo {

class Module1 {
public:
    // library may be null: no sound library could be loaded, and every sound
    // stays silent.
    Module1(Platform& ui, DsLibrary* library) : ui_(ui), lib_(library) {}

    // The library to start, given before soundInit when it was still being
    // loaded as the window was made.
    void useLibrary(DsLibrary* library) { lib_ = library; }

    void soundInit(int32_t window);
    int32_t soundLoad(const std::string& fileName, int32_t flags);
    void soundTerm();
    void soundWarn(const std::string& text);

    // The library as the game calls it; null when none was loaded.
    DsLibrary* library() const { return lib_; }
    int32_t soundLibHandle() const { return soundLibHandle_; }

private:
    // The warning for a wave file that exists but cannot be used.
    void warnUnreadable(const std::string& fileName, const std::string& why);

    Platform& ui_;
    DsLibrary* lib_;
    int32_t soundLibHandle_ = 0;
};

}  // namespace korvalo
