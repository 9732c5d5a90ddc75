#pragma once
// The game's sounds: the sound module with the four buffers the game plays,
// and the library calls as the game makes them, each doing nothing when no
// library was loaded.
#include <cstdint>

#include "platform/platform.h"
#include "sound/ds_library.h"
#include "sound/module1.h"

namespace korvalo {

class GameSounds {
public:
    // library may be null (no sound library): the game then plays silently.
    GameSounds(Platform& ui, DsLibrary* library) : module1(ui, library) {}

    // Starts the library for the window, makes the four buffers and starts
    // the music.
    void load(int32_t window);
    // Frees the four buffers and ends the library.
    void free();

    // Sound buffer handles, 0 meaning no buffer.
    int32_t soundOther = 0;      // その他.wav: the about box
    int32_t soundForbidden = 0;  // 禁止.wav: refusals
    int32_t soundStone = 0;      // 石打音.wav: every stone set down or turned
    int32_t soundBgm = 0;        // BGM.wav: looping music

    Module1 module1;

    void dsPlay(int32_t buffer);
    void dsPlayLooping(int32_t buffer);
    void dsStop(int32_t buffer);
    void dsFree(int32_t buffer);
};

}  // namespace korvalo
