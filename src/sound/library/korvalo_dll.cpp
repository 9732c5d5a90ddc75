// Korvalo.dll: the game's sound library. It makes sound buffers from
// wave-file images and plays, loops and stops them, mixing through SDL2_mixer.
//
// Every exported function takes and returns 32-bit integers, except the
// address of the wave image. Handles are small integers: the library handle
// is 1 while the audio device is open, and a buffer handle is its slot in the
// buffer table plus one. Handle 0, and any handle not currently in use, is
// accepted by every function and does nothing.
//
// Each buffer sounds on one voice at most: buffer k always plays on mixer
// channel k - 1, so playing a buffer that is still sounding starts it again
// rather than adding a second voice, and several buffers mix freely.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "sound/wave_image.h"

#define KORVALO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t libraryHandle = 1;
constexpr int maxBuffers = 64;

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

struct Buffer {
    Mix_Chunk* chunk = nullptr;
    bool looping = false;  // last started with dsPlayLooping, not since stopped
};

struct Library {
    bool open = false;
    Buffer buffers[maxBuffers];
};

Library library;

Buffer* bufferOf(int32_t handle)
{
    if (!library.open || handle < 1 || handle > maxBuffers)
        return nullptr;
    Buffer& buffer = library.buffers[handle - 1];
    return buffer.chunk ? &buffer : nullptr;
}

int channelOf(int32_t handle) { return handle - 1; }

void release(int32_t handle)
{
    Buffer& buffer = library.buffers[handle - 1];
    // Halting first: the mixer must be done with the samples before they go.
    Mix_HaltChannel(channelOf(handle));
    Mix_FreeChunk(buffer.chunk);
    buffer = Buffer{};
}

void closeLibrary()
{
    for (int32_t handle = 1; handle <= maxBuffers; ++handle)
        if (library.buffers[handle - 1].chunk)
            release(handle);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    library.open = false;
}

// Unloading the library with the device still open would leave the mixer
// playing buffers nobody can free; close it on the way out.
__attribute__((destructor)) void closeOnUnload()
{
    if (library.open)
        closeLibrary();
}

}  // namespace

// Opens the audio device. Returns the library handle, or 0 when there is no
// usable device. Called again while open, it answers the same handle. The
// window handle is not needed.
KORVALO_EXPORT int32_t dsInitialize(int32_t /*window*/)
{
    if (library.open)
        return libraryHandle;
    // SDL would otherwise turn Ctrl+C and SIGTERM into events that nobody in
    // the game reads, and the program could no longer be interrupted.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "Korvalo.dll: no audio: %s\n", SDL_GetError());
        return 0;
    }
    if (Mix_OpenAudio(outputRate, AUDIO_S16SYS, outputChannels, periodFrames) != 0) {
        std::fprintf(stderr, "Korvalo.dll: cannot open the audio device: %s\n", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    Mix_AllocateChannels(maxBuffers);
    // No channel is ever picked automatically: each belongs to its buffer.
    Mix_ReserveChannels(maxBuffers);
    library.open = true;
    return libraryHandle;
}

namespace {

// The largest sound kept, in bytes of the output format (about 25 minutes).
constexpr uint64_t maxConvertedBytes = uint64_t{256} << 20;
// Sample rates accepted. SDL's resampler sizes its work space from the ratio
// of the rates and fails (or worse) for absurd ones.
constexpr int minSampleRate = 1000;
constexpr int maxSampleRate = 384000;
// Channels accepted, in any encoding.
constexpr int maxChannels = 8;

// Decodes a wave image and converts it to the mixer's output format into a
// chunk of exactly the size it needs. (SDL_mixer's own loader converts in a
// buffer several times larger, which it keeps, and computes that buffer's size
// in a 32-bit int: for a low sample rate the size wraps and the conversion
// writes past the buffer.) The output size is computed in 64 bits first; a
// sound larger than maxConvertedBytes, or with a sample rate outside
// minSampleRate..maxSampleRate, is refused. Returns null when the image
// cannot be decoded or converted.
// Plain integer PCM of 8 or 16 bits is read straight from the image's data
// chunk; other encodings are decoded by SDL first.
bool plainPcmFormat(const korvalo::WaveLayout& layout, SDL_AudioFormat* format)
{
    if (layout.formatTag != 1 || layout.channels == 0 || layout.channels > maxChannels ||
        layout.blockAlign != layout.channels * (layout.bitsPerSample / 8))
        return false;
    if (layout.bitsPerSample == 8)
        *format = AUDIO_U8;
    else if (layout.bitsPerSample == 16)
        *format = AUDIO_S16LSB;
    else
        return false;
    return true;
}

Mix_Chunk* convertedChunk(const unsigned char* bytes, const korvalo::WaveLayout& layout)
{
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    if (!Mix_QuerySpec(&rate, &format, &channels))
        return nullptr;
    SDL_AudioSpec source;
    const Uint8* samples = nullptr;
    Uint8* decoded = nullptr;
    Uint32 length = 0;
    if (plainPcmFormat(layout, &source.format)) {
        source.channels = static_cast<Uint8>(layout.channels);
        source.freq = static_cast<int>(std::min<uint32_t>(layout.sampleRate, INT32_MAX));
        samples = bytes + layout.dataOffset;
        length = static_cast<Uint32>(layout.dataSize);
    } else {
        // SDL's decoders size their buffers by the channel count: an image
        // claiming hundreds of channels made one of them ask for a gigabyte.
        // No sound of the game has more than two; eight is already generous.
        if (layout.channels == 0 || layout.channels > maxChannels)
            return nullptr;
        if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes, static_cast<int>(layout.imageSize)), 1, &source, &decoded,
                            &length))
            return nullptr;
        samples = decoded;
    }
    const uint64_t inFrameBytes = static_cast<uint64_t>(SDL_AUDIO_BITSIZE(source.format)) / 8 * source.channels;
    const uint64_t outFrameBytes =
        static_cast<uint64_t>(SDL_AUDIO_BITSIZE(format)) / 8 * static_cast<uint64_t>(channels);
    const uint64_t frames = inFrameBytes ? length / inFrameBytes : 0;
    const uint64_t outFrames =
        source.freq > 0 ? frames * static_cast<uint64_t>(rate) / static_cast<uint64_t>(source.freq) + 1 : 0;
    const uint64_t outBytes = outFrames * outFrameBytes;
    SDL_AudioStream* stream = nullptr;
    if (frames > 0 && outBytes <= maxConvertedBytes && source.freq >= minSampleRate && source.freq <= maxSampleRate)
        stream = SDL_NewAudioStream(source.format, source.channels, source.freq, format, static_cast<Uint8>(channels),
                                    rate);
    bool fed = stream != nullptr;
    // Fed in pieces of whole frames, so the stream's own work space stays
    // small; a partial frame at the end is left out.
    const Uint32 frameBytes = static_cast<Uint32>(inFrameBytes ? inFrameBytes : 1);
    const Uint32 piece = std::max<Uint32>(1, 16384 / frameBytes) * frameBytes;
    const Uint32 wholeFrames = static_cast<Uint32>(frames * frameBytes);
    for (Uint32 at = 0; fed && at < wholeFrames; at += piece)
        fed = SDL_AudioStreamPut(stream, samples + at, static_cast<int>(std::min(piece, wholeFrames - at))) == 0;
    if (decoded)
        SDL_FreeWAV(decoded);
    if (fed)
        fed = SDL_AudioStreamFlush(stream) == 0;
    const int available = fed ? SDL_AudioStreamAvailable(stream) : 0;
    Mix_Chunk* chunk = nullptr;
    if (available > 0 && static_cast<uint64_t>(available) <= outBytes + 4 * outFrameBytes) {
        auto* converted = static_cast<Uint8*>(SDL_malloc(static_cast<std::size_t>(available)));
        chunk = converted ? static_cast<Mix_Chunk*>(SDL_malloc(sizeof(Mix_Chunk))) : nullptr;
        const int got = chunk ? SDL_AudioStreamGet(stream, converted, available) : -1;
        if (chunk && got > 0) {
            // allocated = 1: Mix_FreeChunk frees the samples with the chunk.
            chunk->allocated = 1;
            chunk->abuf = converted;
            // Whole frames only.
            chunk->alen = static_cast<Uint32>(static_cast<uint64_t>(got) / outFrameBytes * outFrameBytes);
            chunk->volume = MIX_MAX_VOLUME;
        } else {
            SDL_free(converted);
            SDL_free(chunk);
            chunk = nullptr;
        }
    }
    if (stream)
        SDL_FreeAudioStream(stream);
    return chunk;
}

}  // namespace

// Makes a buffer from the wave-file image at `image`. The image's length is
// taken from its RIFF header; the caller guarantees that many bytes are
// readable. The samples are decoded into the library's own memory, so the
// image may be released as soon as this returns. Returns the buffer handle,
// or 0 when the image is refused or no slot is free.
KORVALO_EXPORT int32_t dsCreateDSB(int32_t lib, const void* image, int32_t flags)
{
    if (!library.open || lib != libraryHandle || image == nullptr)
        return 0;
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

    int32_t handle = 0;
    for (int32_t k = 1; k <= maxBuffers && handle == 0; ++k)
        if (!library.buffers[k - 1].chunk)
            handle = k;
    if (handle == 0)
        return 0;

    Mix_Chunk* chunk = convertedChunk(bytes, layout);
    if (!chunk)
        return 0;
    // A buffer without a single frame cannot be played, and looping it would
    // keep the mixer going round an empty loop.
    if (chunk->alen == 0) {
        Mix_FreeChunk(chunk);
        return 0;
    }
    Mix_VolumeChunk(chunk, (flags & effectFlag) ? MIX_MAX_VOLUME : musicVolume);
    library.buffers[handle - 1].chunk = chunk;
    return handle;
}

// Plays the buffer once from its start and returns at once. A buffer still
// sounding starts again from the beginning.
KORVALO_EXPORT int32_t dsPlay(int32_t handle)
{
    Buffer* buffer = bufferOf(handle);
    if (!buffer)
        return 0;
    buffer->looping = false;
    return Mix_PlayChannel(channelOf(handle), buffer->chunk, 0) >= 0 ? 1 : 0;
}

// Repeats the buffer endlessly and returns at once. A buffer that is already
// looping goes on undisturbed: no second voice, no jump back to the start.
KORVALO_EXPORT int32_t dsPlayLooping(int32_t handle)
{
    Buffer* buffer = bufferOf(handle);
    if (!buffer)
        return 0;
    if (buffer->looping && Mix_Playing(channelOf(handle)))
        return 1;
    buffer->looping = true;
    return Mix_PlayChannel(channelOf(handle), buffer->chunk, -1) >= 0 ? 1 : 0;
}

KORVALO_EXPORT int32_t dsStop(int32_t handle)
{
    Buffer* buffer = bufferOf(handle);
    if (!buffer)
        return 0;
    buffer->looping = false;
    Mix_HaltChannel(channelOf(handle));
    return 1;
}

KORVALO_EXPORT int32_t dsFree(int32_t handle)
{
    if (!bufferOf(handle))
        return 0;
    release(handle);
    return 1;
}

// Frees every buffer and closes the audio device.
KORVALO_EXPORT int32_t dsTerminate(int32_t lib)
{
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
