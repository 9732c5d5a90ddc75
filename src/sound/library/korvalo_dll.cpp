// Korvalo.dll: the game's sound library. It makes sound buffers from
// wave-file images and plays, loops and stops them, mixing through SDL2_mixer.
//
// Every exported function takes and returns 32-bit integers, except the
// address of the wave image. Handles are small integers: the library handle
// is 1 while the audio device is open, and a buffer handle is its slot in the
// buffer table plus one. Handle 0, and any handle not currently in use, is
// accepted by every function and does nothing.
//
// Each buffer owns two mixer channels and sounds on one of them at a time, so
// playing a buffer that is still sounding starts it again rather than adding
// a voice, and several buffers mix freely. The second channel is for that
// restart: the old voice fades out on one while the new one fades in on the
// other. Stopping and freeing fade out too, so no sound is ever cut mid-wave.
//
// Music in mono, for a stereo device, is held in one channel, half the bytes
// of a stereo copy: its channels play a short silent chunk in a loop, over
// which a Feed writes the music, so fades and restarts work as for any other
// buffer and the device gets the same samples.
//
// The functions may be called from more than one thread.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "sound/library/conversion.h"
#include "sound/library/mixing.h"
#include "sound/wave_image.h"

#define KORVALO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using korvalo::sound::Feed;
using korvalo::sound::Voice;

constexpr int32_t libraryHandle = 1;
constexpr int maxBuffers = 64;
constexpr int channelsPerBuffer = 2;

// Flag word of dsCreateDSB: bit 1 marks a short effect (the game passes 3),
// played at full volume. A buffer without it is background music (the game
// passes 1), played at three quarters so the effects stand out over it.
constexpr int32_t effectFlag = 2;
constexpr int musicVolume = MIX_MAX_VOLUME * 3 / 4;

// Output format: CD rate, 16-bit stereo, 1024 frames per period (about 23 ms,
// short enough for a click to follow the stone it belongs to).
constexpr int outputRate = 44100;
constexpr int outputChannels = 2;
constexpr int periodFrames = 1024;
// The silent chunk under music held in one channel.
constexpr int silentFrames = periodFrames;

// A channel told to fade out is halted by the mixer this long after, when its
// ramp has long reached silence: a couple of periods and the ramp.
constexpr int fadedOutMilliseconds = 100;
// Closing waits for the last fades to be mixed and to leave the device's
// queue, but never longer than this.
constexpr Uint32 closingWaitMilliseconds = 250;

struct Buffer {
    Mix_Chunk* chunk = nullptr;    // what the mixer plays
    Mix_Chunk* samples = nullptr;  // music held in one channel, fed over `chunk`
    int64_t frames = 0;            // of `samples`
    bool looping = false;  // last started with dsPlayLooping, not since stopped
    bool freed = false;    // freed by the caller, its last sound still fading
    int sounding = 0;      // which of its two channels it last started on
};

struct Library {
    bool open = false;
    korvalo::sound::OutputFormat output;
    Buffer buffers[maxBuffers];
    Voice voices[maxBuffers * channelsPerBuffer];
    Feed feeds[maxBuffers * channelsPerBuffer];
    std::atomic<uint32_t> mixes{0};  // periods mixed so far
    // Times the device has been closed. A buffer whose making began before
    // the latest close is no longer wanted: its conversion, which runs
    // without the lock, sees the count change and stops.
    std::atomic<uint32_t> closings{0};
};

Library library;

// An opening of the device made ahead by dsPrepare, on the program's loading
// thread, for the next dsInitialize to answer: its handle, and what it would
// have printed, printed only then.
struct Opening {
    bool made = false;
    int32_t handle = 0;
    std::string message;
};
Opening ahead;

// Guards the library's state: buffers may be made on one thread while others
// play on another.
std::recursive_mutex tableMutex;
using Lock = std::lock_guard<std::recursive_mutex>;

Buffer* bufferOf(int32_t handle)
{
    if (!library.open || handle < 1 || handle > maxBuffers)
        return nullptr;
    Buffer& buffer = library.buffers[handle - 1];
    return buffer.chunk && !buffer.freed ? &buffer : nullptr;
}

int channelOf(int32_t handle, int which) { return (handle - 1) * channelsPerBuffer + which; }

// Whether the channel is still heard: playing, not past the end of music fed
// to it once, and not yet faded to silence.
bool audible(int channel)
{
    return Mix_Playing(channel) && !library.feeds[channel].ended() && !library.voices[channel].silent();
}

void fadeOut(int channel)
{
    if (!audible(channel) || library.voices[channel].fadingOrSilent())
        return;
    library.voices[channel].fadeOut();
    Mix_ExpireChannel(channel, fadedOutMilliseconds);
}

void fadeOutBuffer(int32_t handle)
{
    for (int which = 0; which < channelsPerBuffer; ++which)
        fadeOut(channelOf(handle, which));
}

// Starts the buffer from its beginning. When it is still heard, the old voice
// fades out and the new one fades in on the buffer's other channel.
bool start(int32_t handle, int loops)
{
    Buffer& buffer = library.buffers[handle - 1];
    const bool restart = audible(channelOf(handle, buffer.sounding));
    if (restart) {
        fadeOut(channelOf(handle, buffer.sounding));
        buffer.sounding = 1 - buffer.sounding;
    }
    const int channel = channelOf(handle, buffer.sounding);
    // Whatever is left on this channel is silent or nearly so by now; it is
    // halted before the effects are attached, as halting removes them.
    Mix_HaltChannel(channel);
    Mix_UnregisterAllEffects(channel);
    Voice& voice = library.voices[channel];
    voice.start(restart);
    const auto* samples = buffer.samples ? reinterpret_cast<const int16_t*>(buffer.samples->abuf) : nullptr;
    library.feeds[channel].start(samples, samples ? buffer.frames : 0, loops < 0);
    if ((samples && !library.feeds[channel].attach(channel, library.output.channels)) ||
        !voice.attach(channel, library.output.channels, library.output.rate))
        return false;
    // Music fed over the silent chunk, played once: the chunk repeats until
    // it has covered the music, then the channel ends by itself.
    if (samples && loops == 0)
        loops = static_cast<int>(std::min<int64_t>((buffer.frames + silentFrames - 1) / silentFrames - 1, INT32_MAX));
    return Mix_PlayChannel(channel, buffer.chunk, loops) >= 0;
}

bool quiet(int32_t handle)
{
    for (int which = 0; which < channelsPerBuffer; ++which)
        if (audible(channelOf(handle, which)))
            return false;
    return true;
}

void release(int32_t handle)
{
    Buffer& buffer = library.buffers[handle - 1];
    // Halting first: the mixer must be done with the samples before they go.
    for (int which = 0; which < channelsPerBuffer; ++which)
        Mix_HaltChannel(channelOf(handle, which));
    Mix_FreeChunk(buffer.chunk);
    if (buffer.samples)
        Mix_FreeChunk(buffer.samples);
    buffer = Buffer{};
}

// Releases the freed buffers whose last sound has faded out.
void releaseFaded()
{
    for (int32_t handle = 1; handle <= maxBuffers; ++handle)
        if (library.buffers[handle - 1].freed && quiet(handle))
            release(handle);
}

// Fades out everything and waits until the fades have been mixed and two more
// periods have followed them to the device, within closingWaitMilliseconds.
void fadeOutAll()
{
    bool any = false;
    for (int32_t handle = 1; handle <= maxBuffers; ++handle)
        if (library.buffers[handle - 1].chunk) {
            any = any || !quiet(handle);
            fadeOutBuffer(handle);
        }
    if (!any)
        return;
    const Uint32 giveUp = SDL_GetTicks() + closingWaitMilliseconds;
    const auto allQuiet = [] {
        for (int32_t handle = 1; handle <= maxBuffers; ++handle)
            if (library.buffers[handle - 1].chunk && !quiet(handle))
                return false;
        return true;
    };
    while (!allQuiet() && !SDL_TICKS_PASSED(SDL_GetTicks(), giveUp))
        SDL_Delay(1);
    const uint32_t after = library.mixes.load() + 2;
    while (static_cast<int32_t>(library.mixes.load() - after) < 0 && !SDL_TICKS_PASSED(SDL_GetTicks(), giveUp))
        SDL_Delay(1);
}

void closeLibrary()
{
    // First of all, so that music still being converted stops while the
    // fades are waited for: ending the program never waits for it.
    library.closings.fetch_add(1);
    fadeOutAll();
    Mix_SetPostMix(nullptr, nullptr);
    for (int32_t handle = 1; handle <= maxBuffers; ++handle)
        if (library.buffers[handle - 1].chunk)
            release(handle);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    library.open = false;
    // An opening made ahead and not yet answered was of this device.
    ahead = Opening{};
}

// Unloading the library with the device still open would leave the mixer
// playing buffers nobody can free; close it on the way out.
__attribute__((destructor)) void closeOnUnload()
{
    const Lock lock(tableMutex);
    if (library.open)
        closeLibrary();
}

// Opens the audio device: the library handle, or 0 with the reason in
// message when there is no usable device.
int32_t openDevice(std::string* message)
{
    // SDL would otherwise turn Ctrl+C and SIGTERM into events that nobody in
    // the game reads, and the program could no longer be interrupted.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *message = std::string("Korvalo.dll: no audio: ") + SDL_GetError() + "\n";
        return 0;
    }
    if (Mix_OpenAudio(outputRate, AUDIO_S16SYS, outputChannels, periodFrames) != 0) {
        *message = std::string("Korvalo.dll: cannot open the audio device: ") + Mix_GetError() + "\n";
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    Uint16 format = 0;
    Mix_QuerySpec(&library.output.rate, &format, &library.output.channels);
    library.output.format = format;
    Mix_AllocateChannels(maxBuffers * channelsPerBuffer);
    // No channel is ever picked automatically: each belongs to its buffer.
    Mix_ReserveChannels(maxBuffers * channelsPerBuffer);
    Mix_Volume(-1, korvalo::sound::headroomVolume);
    Mix_SetPostMix(&korvalo::sound::limitOutput, &library.mixes);
    library.open = true;
    return libraryHandle;
}

}  // namespace

// Opens the audio device ahead of dsInitialize, which then answers with this
// opening's result and prints its message, if any, as though it had opened
// the device itself. Opening a sound system may take a while (connecting to
// the sound server, giving up on a missing card), so the program does it on
// the thread that loads the library, beside the window's own start-up.
// Returns the handle the next dsInitialize will answer; does nothing while
// open or while an opening made ahead waits for its dsInitialize.
KORVALO_EXPORT int32_t dsPrepare()
{
    const Lock lock(tableMutex);
    if (library.open || ahead.made)
        return library.open ? libraryHandle : ahead.handle;
    ahead.made = true;
    ahead.handle = openDevice(&ahead.message);
    return ahead.handle;
}

// Opens the audio device, or takes the opening dsPrepare made ahead. Returns
// the library handle, or 0 when there is no usable device. Called again
// while open, it answers the same handle. The window handle is not needed.
KORVALO_EXPORT int32_t dsInitialize(int32_t /*window*/)
{
    const Lock lock(tableMutex);
    Opening opening;
    std::swap(opening, ahead);
    if (!opening.made) {
        if (library.open)
            return libraryHandle;
        opening.handle = openDevice(&opening.message);
    }
    std::fputs(opening.message.c_str(), stderr);
    return opening.handle;
}

// Makes a buffer from the wave-file image at `image`. The image's length is
// taken from its RIFF header; the caller guarantees that many bytes are
// readable. The samples are decoded into the library's own memory, so the
// image may be released as soon as this returns. Returns the buffer handle,
// or 0 when the image is refused or no slot is free. Closing the library
// (dsTerminate, from another thread) while the samples are being converted
// stops the conversion within a few thousand frames, and the answer is 0.
KORVALO_EXPORT int32_t dsCreateDSB(int32_t lib, const void* image, int32_t flags)
{
    korvalo::sound::OutputFormat output;
    uint32_t opened = 0;
    {
        const Lock lock(tableMutex);
        if (!library.open || lib != libraryHandle || image == nullptr)
            return 0;
        output = library.output;
        opened = library.closings.load();
    }
    const auto closedSince = [opened] { return library.closings.load(std::memory_order_relaxed) != opened; };
    const auto* bytes = static_cast<const unsigned char*>(image);
    // The size field is read only after "RIFF" matched, and nothing beyond
    // the claimed size is read. A claim over the limit is refused before
    // anything past the header is touched.
    if (std::memcmp(bytes, "RIFF", 4) != 0)
        return 0;
    const uint64_t claimed = (uint64_t{bytes[4]} | uint64_t{bytes[5]} << 8 | uint64_t{bytes[6]} << 16 |
                              uint64_t{bytes[7]} << 24) + 8;
    if (claimed > korvalo::maxWaveImageBytes)
        return 0;
    korvalo::WaveLayout layout;
    if (!korvalo::checkWaveImage(bytes, static_cast<std::size_t>(claimed), nullptr, &layout))
        return 0;
    // Converted without the lock: long music may take a second or more, and
    // the other buffers go on playing meanwhile. Music in mono stays in one
    // channel; effects are converted to the output's channels.
    const bool music = (flags & effectFlag) == 0;
    korvalo::sound::BufferChunks made =
        korvalo::sound::bufferChunks(bytes, layout, output, closedSince, music, silentFrames);
    if (!made.chunk)
        return 0;
    const Lock lock(tableMutex);
    // Closed meanwhile, and perhaps opened again in another format: the
    // buffer belongs to a device that is gone.
    if (closedSince()) {
        made.free();
        return 0;
    }
    // A slot is taken again only when the sound of its last buffer has faded.
    releaseFaded();
    int32_t handle = 0;
    for (int32_t k = 1; k <= maxBuffers && handle == 0; ++k)
        if (!library.buffers[k - 1].chunk)
            handle = k;
    if (handle == 0) {
        made.free();
        return 0;
    }
    Mix_VolumeChunk(made.chunk, music ? musicVolume : MIX_MAX_VOLUME);
    Buffer& buffer = library.buffers[handle - 1];
    buffer.chunk = made.chunk;
    buffer.samples = made.samples;
    buffer.frames = made.samples ? made.samples->alen / static_cast<int64_t>(sizeof(int16_t)) : 0;
    return handle;
}

// Plays the buffer once from its start and returns at once. A buffer still
// sounding starts again from the beginning.
KORVALO_EXPORT int32_t dsPlay(int32_t handle)
{
    const Lock lock(tableMutex);
    Buffer* buffer = bufferOf(handle);
    if (!buffer)
        return 0;
    buffer->looping = false;
    return start(handle, 0) ? 1 : 0;
}

// Repeats the buffer endlessly and returns at once. A buffer that is already
// looping goes on undisturbed: no second voice, no jump back to the start.
KORVALO_EXPORT int32_t dsPlayLooping(int32_t handle)
{
    const Lock lock(tableMutex);
    Buffer* buffer = bufferOf(handle);
    if (!buffer)
        return 0;
    if (buffer->looping && audible(channelOf(handle, buffer->sounding)) &&
        !library.voices[channelOf(handle, buffer->sounding)].fadingOrSilent())
        return 1;
    buffer->looping = true;
    return start(handle, -1) ? 1 : 0;
}

// Fades the buffer out and returns at once; it is silent within a few
// milliseconds of the next period.
KORVALO_EXPORT int32_t dsStop(int32_t handle)
{
    const Lock lock(tableMutex);
    Buffer* buffer = bufferOf(handle);
    if (!buffer)
        return 0;
    buffer->looping = false;
    fadeOutBuffer(handle);
    return 1;
}

// Fades the buffer out and returns at once; its handle is dead from now on.
// The samples are released once the fade has been mixed.
KORVALO_EXPORT int32_t dsFree(int32_t handle)
{
    const Lock lock(tableMutex);
    Buffer* buffer = bufferOf(handle);
    if (!buffer)
        return 0;
    fadeOutBuffer(handle);
    buffer->freed = true;
    releaseFaded();
    return 1;
}

// Fades out what still sounds, frees every buffer and closes the audio device.
KORVALO_EXPORT int32_t dsTerminate(int32_t lib)
{
    const Lock lock(tableMutex);
    if (!library.open || lib != libraryHandle)
        return 0;
    closeLibrary();
    return 1;
}

// Part of the library's interface but not used by the game: they accept any
// arguments and change nothing.
KORVALO_EXPORT int32_t dsCreateResDSB(int32_t /*lib*/, int32_t /*resource*/, int32_t /*flags*/) { return 0; }
KORVALO_EXPORT int32_t dsPlayPan(int32_t /*buffer*/, int32_t /*pan*/) { return 0; }
KORVALO_EXPORT int32_t dsPlayEx(int32_t /*buffer*/, int32_t /*flags*/) { return 0; }
KORVALO_EXPORT int32_t dsPlayLoopingEx(int32_t /*buffer*/, int32_t /*flags*/) { return 0; }
KORVALO_EXPORT int32_t dsSetVolume(int32_t /*buffer*/, int32_t /*volume*/) { return 0; }
KORVALO_EXPORT int32_t dsSetPan(int32_t /*buffer*/, int32_t /*pan*/) { return 0; }
KORVALO_EXPORT int32_t dsSetFrequency(int32_t /*buffer*/, int32_t /*frequency*/) { return 0; }
