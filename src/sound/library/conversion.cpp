#include "sound/library/conversion.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

namespace korvalo::sound {

namespace {

constexpr uint16_t formatPcm = 1;
constexpr uint16_t formatFloat = 3;
constexpr uint16_t formatExtensible = 0xFFFE;
// The extensible form names its encoding by a GUID whose first two bytes are
// the format tag; the rest is the same for PCM and float.
constexpr unsigned char subFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Frames handed to the converter at a time, about this many: a whole number
// of the smallest run of frames whose length at the output rate is a whole
// number of frames. The resampler drops the fraction of a frame that each
// piece would give, which over twenty minutes of 48 kHz in pieces of 4096
// frames came to 75 ms.
constexpr uint64_t pieceFrames = 4096;

uint64_t piecesOf(int from, int to)
{
    const uint64_t whole = static_cast<uint64_t>(from / std::gcd(from, to));
    return std::max<uint64_t>(1, pieceFrames / whole) * whole;
}

// Silent frames fed after the sound: whole pieces, well over what the
// resampler holds back (at most some 2 300 frames, from 384 kHz).
constexpr uint64_t heldBackFrames = 4096;
uint64_t tailFrames(uint64_t piece) { return (heldBackFrames + piece - 1) / piece * piece; }
// Room for a few frames more than the ratio of the rates says, should the
// resampler round up.
constexpr uint64_t slackFrames = 64;
// No chunk may be larger than its 32-bit length can say; a device with many
// channels at a high rate could otherwise get there within the time limit.
constexpr uint64_t maxChunkBytes = uint64_t{1} << 30;
// Channels accepted, in any encoding. SDL's decoders size their buffers by
// the channel count: an image claiming hundreds of channels made one of them
// ask for a gigabyte. No sound of the game has more than two.
constexpr int maxChannels = 8;

uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The samples to convert and how SDL is to read them.
struct Source {
    SDL_AudioFormat format = 0;  // as handed to SDL
    bool widen24 = false;        // 3-byte samples, widened to 32 bits on the way
    int channels = 0;
    int rate = 0;
    const unsigned char* samples = nullptr;
    uint64_t frames = 0;
    uint64_t frameBytes = 0;  // in `samples`
};

// The encoding: the format tag, or for the extensible form the tag that its
// sub-format carries (0 when that is not one of the known ones).
uint16_t encodingOf(const unsigned char* bytes, const WaveLayout& layout)
{
    if (layout.formatTag != formatExtensible)
        return layout.formatTag;
    if (layout.fmtSize < 40)
        return 0;
    const unsigned char* subFormat = bytes + layout.fmtOffset + 24;
    return std::memcmp(subFormat + 2, subFormatTail, sizeof subFormatTail) == 0 ? le16(subFormat) : 0;
}

// PCM that SDL's converter can take straight from the image (24-bit after
// widening): integer PCM of 8 to 32 bits, float PCM of 32 bits.
bool directSource(const unsigned char* bytes, const WaveLayout& layout, Source* source)
{
    const int bits = layout.bitsPerSample;
    const uint16_t encoding = encodingOf(bytes, layout);
    if (encoding == formatPcm && bits == 8)
        source->format = AUDIO_U8;
    else if (encoding == formatPcm && bits == 16)
        source->format = AUDIO_S16LSB;
    else if (encoding == formatPcm && bits == 24)
        source->format = AUDIO_S32SYS;
    else if (encoding == formatPcm && bits == 32)
        source->format = AUDIO_S32LSB;
    else if (encoding == formatFloat && bits == 32)
        source->format = AUDIO_F32LSB;
    else
        return false;
    if (layout.channels == 0 || layout.channels > maxChannels || layout.blockAlign != layout.channels * (bits / 8))
        return false;
    source->widen24 = bits == 24;
    source->channels = layout.channels;
    source->rate = static_cast<int>(std::min<uint32_t>(layout.sampleRate, maxSampleRate + 1));
    source->samples = bytes + layout.dataOffset;
    source->frameBytes = layout.blockAlign;
    source->frames = layout.dataSize / layout.blockAlign;
    return true;
}

// Hands `frames` frames to the converter, widening 24-bit samples first.
bool put(SDL_AudioStream* stream, const Source& source, const unsigned char* at, uint64_t frames,
         std::vector<int32_t>& widened)
{
    if (!source.widen24)
        return SDL_AudioStreamPut(stream, at, static_cast<int>(frames * source.frameBytes)) == 0;
    const std::size_t count = static_cast<std::size_t>(frames) * static_cast<std::size_t>(source.channels);
    widened.resize(count);
    for (std::size_t i = 0; i < count; ++i, at += 3)
        widened[i] = static_cast<int32_t>(uint32_t{at[0]} << 8 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 24);
    return SDL_AudioStreamPut(stream, widened.data(), static_cast<int>(count * sizeof(int32_t))) == 0;
}

// The last step of a conversion that the converter leaves out: from its float
// samples to the output's format, by SDL's own conversion so that each sample
// is rounded as SDL rounds it when it converts in one go.
struct Narrowing {
    SDL_AudioCVT cvt{};
    std::vector<Uint8> floats;
};

// Moves what the converter has ready to the end of `out`, through `narrowing`
// when there is one.
bool take(SDL_AudioStream* stream, Uint8* out, uint64_t capacity, uint64_t* used, Narrowing* narrowing)
{
    const int available = SDL_AudioStreamAvailable(stream);
    if (available <= 0)
        return available == 0;
    if (!narrowing) {
        if (*used + static_cast<uint64_t>(available) > capacity)
            return false;
        const int got = SDL_AudioStreamGet(stream, out + *used, available);
        if (got < 0)
            return false;
        *used += static_cast<uint64_t>(got);
        return true;
    }
    // Narrowing converts in place: the floats are wider than what they become.
    narrowing->floats.resize(static_cast<std::size_t>(available));
    const int got = SDL_AudioStreamGet(stream, narrowing->floats.data(), available);
    if (got < 0)
        return false;
    SDL_AudioCVT& cvt = narrowing->cvt;
    cvt.buf = narrowing->floats.data();
    cvt.len = got;
    if (cvt.needed && SDL_ConvertAudio(&cvt) != 0)
        return false;
    const auto bytes = static_cast<uint64_t>(cvt.needed ? cvt.len_cvt : got);
    if (*used + bytes > capacity)
        return false;
    std::memcpy(out + *used, narrowing->floats.data(), static_cast<std::size_t>(bytes));
    *used += bytes;
    return true;
}

// Converts the source into a buffer of `capacity` bytes, piece by piece, and
// returns the bytes it filled (0 on failure or when cancelled). With
// `viaFloat`, the converter gives float samples, narrowed to the output's
// format afterwards: how SDL converts whenever the rate or the channel count
// changes, which this spares a change of channel count from differing from.
uint64_t convert(const Source& source, const OutputFormat& output, Uint8* out, uint64_t capacity,
                 const std::function<bool()>& cancelled, bool viaFloat)
{
    const auto outChannels = static_cast<Uint8>(output.channels);
    Narrowing narrowing;
    if (viaFloat && SDL_BuildAudioCVT(&narrowing.cvt, AUDIO_F32SYS, outChannels, output.rate, output.format,
                                      outChannels, output.rate) < 0)
        return 0;
    SDL_AudioStream* stream =
        SDL_NewAudioStream(source.format, static_cast<Uint8>(source.channels), source.rate,
                           viaFloat ? AUDIO_F32SYS : output.format, outChannels, output.rate);
    if (!stream)
        return 0;
    Narrowing* narrow = viaFloat ? &narrowing : nullptr;
    std::vector<int32_t> widened;
    uint64_t used = 0;
    bool ok = true;
    const uint64_t piece = piecesOf(source.rate, output.rate);
    for (uint64_t frame = 0; ok && frame < source.frames; frame += piece) {
        const uint64_t frames = std::min(piece, source.frames - frame);
        ok = !cancelled() && put(stream, source, source.samples + frame * source.frameBytes, frames, widened) &&
             take(stream, out, capacity, &used, narrow);
    }
    // The resampler holds back the last few hundred frames and its flush does
    // not give them out: silence behind the sound pushes them through, and
    // the caller keeps only the sound's own length.
    const uint64_t fedFrameBytes = static_cast<uint64_t>(SDL_AUDIO_BITSIZE(source.format)) / 8 * source.channels;
    const std::vector<Uint8> silence(static_cast<std::size_t>(tailFrames(piece) * fedFrameBytes),
                                     source.format == AUDIO_U8 ? 0x80 : 0);
    ok = ok && SDL_AudioStreamPut(stream, silence.data(), static_cast<int>(silence.size())) == 0 &&
         SDL_AudioStreamFlush(stream) == 0 && take(stream, out, capacity, &used, narrow);
    SDL_FreeAudioStream(stream);
    return ok ? used : 0;
}

// A chunk over `bytes` samples allocated with SDL_malloc, which it owns:
// Mix_FreeChunk frees them with it (allocated = 1). Without memory for the
// chunk the samples are freed and the answer is null.
Mix_Chunk* chunkOwning(Uint8* samples, uint64_t bytes)
{
    auto* chunk = static_cast<Mix_Chunk*>(SDL_malloc(sizeof(Mix_Chunk)));
    if (!chunk) {
        SDL_free(samples);
        return nullptr;
    }
    chunk->allocated = 1;
    chunk->abuf = samples;
    chunk->alen = static_cast<Uint32>(bytes);
    chunk->volume = MIX_MAX_VOLUME;
    return chunk;
}

Mix_Chunk* chunkFrom(const Source& source, const OutputFormat& device, const std::function<bool()>& cancelled,
                     bool keepMono, int* channels)
{
    // A mono sound kept in one channel for a stereo device.
    const bool mono = keepMono && source.channels == 1 && device.channels == 2;
    OutputFormat output = device;
    if (mono)
        output.channels = 1;
    if (channels)
        *channels = output.channels;
    const uint64_t outFrameBytes =
        static_cast<uint64_t>(SDL_AUDIO_BITSIZE(output.format)) / 8 * static_cast<uint64_t>(output.channels);
    if (source.frames == 0 || outFrameBytes == 0 || source.rate < static_cast<int>(minSampleRate) ||
        source.rate > static_cast<int>(maxSampleRate) ||
        source.frames > maxSoundSeconds * static_cast<uint64_t>(source.rate))
        return nullptr;
    // 64-bit throughout: the number of output frames is known before any
    // memory is taken.
    const uint64_t outFrames =
        source.frames * static_cast<uint64_t>(output.rate) / static_cast<uint64_t>(source.rate);
    const uint64_t tailOutFrames = tailFrames(piecesOf(source.rate, output.rate)) *
                                   static_cast<uint64_t>(output.rate) / static_cast<uint64_t>(source.rate);
    const uint64_t capacity = (outFrames + tailOutFrames + slackFrames) * outFrameBytes;
    if (capacity > maxChunkBytes)
        return nullptr;
    auto* converted = static_cast<Uint8*>(SDL_malloc(static_cast<std::size_t>(capacity)));
    if (!converted)
        return nullptr;
    const uint64_t filled = convert(source, output, converted, capacity, cancelled, mono);
    const uint64_t bytes = std::min(filled / outFrameBytes, std::max<uint64_t>(outFrames, 1)) * outFrameBytes;
    // Shrinking gives back the unused room without moving the samples.
    auto* kept = bytes ? static_cast<Uint8*>(SDL_realloc(converted, static_cast<std::size_t>(bytes))) : nullptr;
    if (!kept) {
        SDL_free(converted);
        return nullptr;
    }
    return chunkOwning(kept, bytes);
}

// A chunk of `frames` silent frames in the output format, freed with
// Mix_FreeChunk like the converted ones.
Mix_Chunk* silentChunk(const OutputFormat& output, int frames)
{
    const auto bytes = static_cast<std::size_t>(frames) * static_cast<std::size_t>(output.channels) *
                       (SDL_AUDIO_BITSIZE(output.format) / 8);
    auto* silence = static_cast<Uint8*>(SDL_calloc(1, bytes));
    return silence ? chunkOwning(silence, bytes) : nullptr;
}

}  // namespace

void BufferChunks::free()
{
    if (chunk)
        Mix_FreeChunk(chunk);
    if (samples)
        Mix_FreeChunk(samples);
    chunk = samples = nullptr;
}

BufferChunks bufferChunks(const unsigned char* bytes, const WaveLayout& layout, const OutputFormat& output,
                          const std::function<bool()>& cancelled, bool music, int silentFrames)
{
    int channels = 0;
    BufferChunks made;
    made.chunk = convertedChunk(bytes, layout, output, cancelled, music, &channels);
    if (!made.chunk || channels == output.channels)
        return made;
    made.samples = made.chunk;
    made.chunk = silentChunk(output, silentFrames);
    if (!made.chunk)
        made.free();
    return made;
}

Mix_Chunk* convertedChunk(const unsigned char* bytes, const WaveLayout& layout, const OutputFormat& output,
                          const std::function<bool()>& cancelled, bool keepMono, int* channels)
{
    Source source;
    if (directSource(bytes, layout, &source))
        return chunkFrom(source, output, cancelled, keepMono, channels);
    // Other encodings: SDL decodes the whole image into 16-bit PCM first.
    if (layout.imageSize > maxDecodedImageBytes || layout.channels == 0 || layout.channels > maxChannels)
        return nullptr;
    SDL_AudioSpec decodedFormat;
    Uint8* decoded = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes, static_cast<int>(layout.imageSize)), 1, &decodedFormat, &decoded, &length))
        return nullptr;
    source.format = decodedFormat.format;
    source.channels = decodedFormat.channels;
    source.rate = decodedFormat.freq;
    source.samples = decoded;
    source.frameBytes = static_cast<uint64_t>(SDL_AUDIO_BITSIZE(decodedFormat.format)) / 8 * decodedFormat.channels;
    source.frames = source.frameBytes ? length / source.frameBytes : 0;
    Mix_Chunk* chunk = chunkFrom(source, output, cancelled, keepMono, channels);
    SDL_FreeWAV(decoded);
    return chunk;
}

}  // namespace korvalo::sound
