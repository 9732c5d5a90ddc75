// Fuzzes the sound library's dsCreateDSB, built into the target and playing
// on SDL's dummy audio driver.
//
// dsCreateDSB gets an address and no length: it reads the 4-byte magic and,
// after "RIFF", the 4-byte size, and the caller vouches for as many bytes as
// that size claims. Each input is turned into such an image, in a heap block
// of exactly the length the caller vouches for, so AddressSanitizer reports
// any read beyond it:
//   - not "RIFF": the input itself, at least the 4 bytes of the magic;
//   - a claimed size over the library's limit: only the 8 header bytes, as
//     nothing past them may be read before the claim is refused;
//   - otherwise exactly the claimed size: the input cut to it, or filled up
//     with zero bytes when the input is shorter (claims of more than 1 MiB
//     beyond the input are skipped, to keep each run fast).
// A buffer the library makes must come from an image the wave check accepts;
// it is played, looped, stopped and freed after the image has been released.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sound/wave_image.h"

extern "C" {
int32_t dsInitialize(int32_t window);
int32_t dsCreateDSB(int32_t library, const void* image, int32_t flags);
int32_t dsPlay(int32_t buffer);
int32_t dsPlayLooping(int32_t buffer);
int32_t dsStop(int32_t buffer);
int32_t dsFree(int32_t buffer);
}

namespace {

constexpr int32_t libraryHandle = 1;
constexpr std::size_t maxFill = std::size_t{1} << 20;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_sound_library: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (dsInitialize(0) != libraryHandle)
        fail("the library did not open SDL's dummy audio device");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const bool riff = size >= 4 && std::memcmp(data, "RIFF", 4) == 0;
    std::size_t length;
    if (!riff) {
        length = size < 4 ? 4 : size;
    } else {
        unsigned char header[8] = {};
        std::memcpy(header, data, size < 8 ? size : 8);
        const uint64_t claimed = (uint64_t{header[4]} | uint64_t{header[5]} << 8 | uint64_t{header[6]} << 16 |
                                  uint64_t{header[7]} << 24) + 8;
        if (claimed > korvalo::maxWaveImageBytes)
            length = 8;
        else if (claimed > size + maxFill)
            return 0;
        else
            length = static_cast<std::size_t>(claimed);
    }

    std::unique_ptr<unsigned char[]> image(new unsigned char[length]());
    std::memcpy(image.get(), data, size < length ? size : length);
    const bool wave = korvalo::checkWaveImage(image.get(), length, nullptr);

    const int32_t buffer = dsCreateDSB(libraryHandle, image.get(), 3);
    if (buffer == 0)
        return 0;
    if (!wave)
        fail("made a buffer from an image the wave check refuses");
    // The library keeps its own copy of the samples.
    image.reset();
    if (dsPlay(buffer) != 1 || dsPlayLooping(buffer) != 1 || dsStop(buffer) != 1)
        fail("cannot play, loop or stop a buffer just made");
    if (dsFree(buffer) != 1)
        fail("cannot free a buffer just made");
    return 0;
}
