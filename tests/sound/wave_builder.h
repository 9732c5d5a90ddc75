#pragma once
// Builds wave-file images byte by byte for tests, including damaged ones.
#include <cstdint>
#include <string>
#include <vector>

namespace korvalo::testing {

inline void put16(std::string& out, uint16_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

inline void put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Overwrites the 32-bit little-endian field at offset.
inline void set32(std::string& image, std::size_t offset, uint32_t v)
{
    std::string field;
    put32(field, v);
    image.replace(offset, 4, field);
}

// One chunk: id, length, body and the pad byte an odd body needs.
inline std::string chunk(const std::string& id, const std::string& body)
{
    std::string out = id;
    put32(out, static_cast<uint32_t>(body.size()));
    out += body;
    if (body.size() % 2)
        out += '\0';
    return out;
}

inline std::string fmtBody(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t formatTag = 1)
{
    const uint16_t blockAlign = static_cast<uint16_t>(channels * bits / 8);
    std::string out;
    put16(out, formatTag);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * blockAlign);
    put16(out, blockAlign);
    put16(out, bits);
    return out;
}

// "RIFF", the size of what follows, "WAVE" and the chunks.
inline std::string riffWave(const std::string& chunks)
{
    std::string out = "RIFF";
    put32(out, static_cast<uint32_t>(4 + chunks.size()));
    return out + "WAVE" + chunks;
}

inline std::string pcmBody(const std::vector<int16_t>& samples)
{
    std::string out;
    for (int16_t s : samples)
        put16(out, static_cast<uint16_t>(s));
    return out;
}

// A plain 16-bit PCM image: header, "fmt " at offset 12, "data" at 36.
inline std::string pcmWave(const std::vector<int16_t>& samples, uint32_t rate = 22050, uint16_t channels = 1)
{
    return riffWave(chunk("fmt ", fmtBody(channels, rate, 16)) + chunk("data", pcmBody(samples)));
}

}  // namespace korvalo::testing
