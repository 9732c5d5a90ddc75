#pragma once
// Checks a wave-file image (RIFF/WAVE) before it is handed to the sound
// library, which is given only its address and takes the length from the
// RIFF header. Used by the sound module on the bytes it read from a file and
// by the library itself on the bytes the header claims.
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvalo {

// The largest image accepted, header included: half an hour of 48 kHz 16-bit
// stereo (345 600 000 bytes of samples), the longest music a player is
// expected to bring, with room to spare for other chunks. A header claiming
// more than this is taken as damaged.
inline constexpr std::size_t maxWaveImageBytes = std::size_t{336} << 20;

// Where the chunks the library relies on lie inside an image.
struct WaveLayout {
    std::size_t imageSize = 0;  // RIFF size + 8: the bytes the image occupies
    std::size_t fmtOffset = 0;  // body of the first "fmt " chunk
    std::size_t fmtSize = 0;
    std::size_t dataOffset = 0;  // body of the first "data" chunk
    std::size_t dataSize = 0;
    uint16_t formatTag = 0;  // 1 = integer PCM
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

// True when data[0 .. size) holds a whole RIFF/WAVE image: the RIFF size fits
// in the bytes given, and a "fmt " chunk of at least 16 bytes with a usable
// format and a "data" chunk lie wholly inside it. Otherwise false, with a
// short Japanese explanation for the user in *why. Reads nothing outside
// data[0 .. size). layout, when given, receives the positions found.
bool checkWaveImage(const unsigned char* data, std::size_t size, std::string* why,
                    WaveLayout* layout = nullptr);

}  // namespace korvalo
