#pragma once
// Turns the samples of a checked wave image into a Mix_Chunk in the mixer's
// output format.
#include <SDL_mixer.h>

#include <cstdint>
#include <functional>

#include "sound/wave_image.h"

namespace korvalo::sound {

// The longest sound kept: a player's own music of half an hour, with a little
// room for a file that runs a few seconds over. Anything longer is refused
// before a byte of it is converted.
inline constexpr uint64_t maxSoundSeconds = 32 * 60;
// Sample rates accepted. SDL's resampler sizes its work space from the ratio
// of the rates and fails (or worse) for absurd ones.
inline constexpr uint32_t minSampleRate = 1000;
inline constexpr uint32_t maxSampleRate = 384000;
// Encodings other than plain PCM (compressed ones such as ADPCM) are decoded
// by SDL into a second copy first; their images keep this smaller limit.
inline constexpr std::size_t maxDecodedImageBytes = std::size_t{64} << 20;

// The output format the chunk is made in: the mixer's.
struct OutputFormat {
    int rate = 0;
    SDL_AudioFormat format = 0;
    int channels = 0;
};

// Converts the sound of `bytes` (an image that checkWaveImage accepted with
// `layout`) into a chunk of exactly its size, allocated with SDL_malloc so
// that Mix_FreeChunk frees it. Integer PCM of 8, 16, 24 or 32 bits and 32-bit
// float PCM, plain or in the extensible form, is read straight from the image
// a few thousand frames at a time and converted into the chunk as it goes, so
// the only large allocation is the chunk itself. Returns null when the sound
// is refused (too long, absurd rate, no whole frame) or cannot be converted.
// `cancelled` is asked before each of those pieces; when it answers true the
// conversion stops there, everything it took is given back and the answer is
// null.
//
// With `keepMono`, a mono sound for a stereo output is kept in one channel, at
// the output's rate and sample format: half the bytes. Each of its samples is
// what the conversion to stereo gives in both channels, rounded the same way.
// `*channels`, when given, receives the chunk's channel count.
Mix_Chunk* convertedChunk(const unsigned char* bytes, const WaveLayout& layout, const OutputFormat& output,
                          const std::function<bool()>& cancelled, bool keepMono = false, int* channels = nullptr);

// The chunks of a buffer: `chunk` is what the mixer plays. Music (`music`) in
// mono for a stereo output is kept in one channel as `samples`, written over
// `chunk` as it is mixed, which is then a silent chunk of `silentFrames`
// frames played in a loop. Both are null when the sound cannot be made.
struct BufferChunks {
    Mix_Chunk* chunk = nullptr;
    Mix_Chunk* samples = nullptr;
    void free();
};
BufferChunks bufferChunks(const unsigned char* bytes, const WaveLayout& layout, const OutputFormat& output,
                          const std::function<bool()>& cancelled, bool music, int silentFrames);

}  // namespace korvalo::sound
