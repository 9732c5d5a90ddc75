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

    // The game's sounds, each played from its start.
    void playOther() { dsPlay(soundOther_); }          // その他.wav: the about box
    void playForbidden() { dsPlay(soundForbidden_); }  // 禁止.wav: refusals
    void playStone() { dsPlay(soundStone_); }          // 石打音.wav: every stone set down or turned
    // BGM.wav, the music: looping from its start, or stopped.
    void playMusic() { dsPlayLooping(soundBgm_); }
    void stopMusic() { dsStop(soundBgm_); }

    // The buffer of each sound, 0 meaning none; a buffer made elsewhere may
    // take its place (a test that plays sounds without loading them).
    enum class Sound { Other, Forbidden, Stone, Music };
    int32_t buffer(Sound sound) const { return this->*handle(sound); }
    void setBuffer(Sound sound, int32_t buffer) { this->*handle(sound) = buffer; }

    Module1 module1;

private:
    // The member that holds a sound's buffer.
    static constexpr int32_t GameSounds::*handle(Sound sound)
    {
        switch (sound) {
        case Sound::Other: return &GameSounds::soundOther_;
        case Sound::Forbidden: return &GameSounds::soundForbidden_;
        case Sound::Stone: return &GameSounds::soundStone_;
        case Sound::Music: break;
        }
        return &GameSounds::soundBgm_;
    }

    void dsPlay(int32_t buffer);
    void dsPlayLooping(int32_t buffer);
    void dsStop(int32_t buffer);
    void dsFree(int32_t buffer);

    // Sound buffer handles, 0 meaning no buffer.
    int32_t soundOther_ = 0;
    int32_t soundForbidden_ = 0;
    int32_t soundStone_ = 0;
    int32_t soundBgm_ = 0;
};

}  // namespace korvalo
