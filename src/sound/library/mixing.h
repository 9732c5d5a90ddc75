#pragma once
// What the library adds to SDL_mixer's mixing: short gain ramps on each voice,
// so that no sound is cut or restarted mid-wave (heard as a click), and
// headroom with a soft limiter on the sum, so that sounds played together
// never clip.
#include <SDL_mixer.h>

#include <atomic>
#include <cstdint>

namespace korvalo::sound {

// Length of a fade in or out: 5 ms, well under anything the game times.
inline constexpr int rampMilliseconds = 5;

// Every voice is mixed at a quarter of its level: the music at three quarters
// and three effects at full scale still sum to less than full scale, so the
// mixer's 16-bit sum never saturates. The limiter restores the level.
inline constexpr int headroomVolume = MIX_MAX_VOLUME / 4;
inline constexpr int makeupGain = MIX_MAX_VOLUME / headroomVolume;

// The gain ramp of one mixer channel. The game thread asks, the mixer thread
// does: start() is called while the channel is silent, before it plays;
// fadeOut() at any time.
class Voice {
public:
    // Ready for a new sound on the channel: at full gain at once, or rising
    // from silence over a ramp.
    void start(bool fadeIn);
    // Falls to silence over a ramp, from whatever gain it has, and stays
    // silent.
    void fadeOut() { stopping_.store(true); }
    // True once a fade out has reached silence: the channel may be halted
    // without a click.
    bool silent() const { return silent_.load(); }
    bool fadingOrSilent() const { return stopping_.load(); }

    // Attaches the ramp to mixer channel `channel`, whose samples are 16-bit
    // with `channels` interleaved channels at `rate` frames per second. It
    // follows the effects registered on the channel before it.
    bool attach(int channel, int channels, int rate);

private:
    static void effect(int channel, void* stream, int length, void* voice);
    void apply(int16_t* samples, int frames);

    std::atomic<bool> stopping_{false};
    std::atomic<bool> silent_{false};
    // Owned by the mixer thread once the channel plays.
    int channels_ = 2;
    int rampFrames_ = 1;
    int rampAt_ = 0;        // frames into the ramp under way
    bool rising_ = false;   // a fade in is under way
    bool falling_ = false;  // a fade out is under way
    float gain_ = 1.0f;     // gain reached so far
    float fallFrom_ = 1.0f;
};

// Plays a sound held in one channel on a mixer channel of several: the mixer
// channel plays a silent chunk over and over, and this effect, registered
// before the Voice, writes the sound's next frames over it, each sample into
// every channel. It keeps its own place, so where the silent chunk repeats
// does not matter. A sound played once gives silence after its last frame.
// Same protocol as Voice: start() while the channel is silent, before it
// plays; ended() at any time.
class Feed {
public:
    // Ready to give out `frames` samples of `samples` from the first, once or
    // repeating without end. The samples must outlive the channel's play.
    void start(const int16_t* samples, int64_t frames, bool repeat);
    // True once a sound played once has given out its last frame: from then
    // on the channel only carries silence.
    bool ended() const { return ended_.load(); }

    // Registers the feed on mixer channel `channel`, whose samples are 16-bit
    // with `channels` interleaved channels.
    bool attach(int channel, int channels);

private:
    static void effect(int channel, void* stream, int length, void* feed);
    void write(int16_t* out, int frames);

    std::atomic<bool> ended_{false};
    // Owned by the mixer thread once the channel plays.
    const int16_t* samples_ = nullptr;
    int64_t frames_ = 0;
    int64_t at_ = 0;  // the next frame to give out
    bool repeat_ = false;
    int channels_ = 2;
};

// Registered with Mix_SetPostMix: restores the level taken for headroom and
// bends only peaks above the knee smoothly under full scale.
void limitOutput(void* mixes, Uint8* stream, int length);

// The limiter's curve on one sample in full-scale units (±1), after makeup.
float limited(float x);

}  // namespace korvalo::sound
