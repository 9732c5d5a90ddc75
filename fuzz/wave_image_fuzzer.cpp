// Fuzzes the wave-image check on an exactly sized heap copy of each input, so
// that a read even one byte past the end is caught by AddressSanitizer.
//
// Besides not crashing, the check must keep its promises: an accepted image
// has its RIFF size within the bytes given and its "fmt " and "data" chunks
// wholly inside that size; a refused one gets an explanation in valid UTF-8
// (chunk names from the file are shown in it) and leaves the layout alone;
// and the answer does not depend on whether an explanation or a layout is
// asked for.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "sound/wave_image.h"

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_wave_image: %s\n", what);
    std::abort();
}

bool sameLayout(const korvalo::WaveLayout& a, const korvalo::WaveLayout& b)
{
    return a.imageSize == b.imageSize && a.fmtOffset == b.fmtOffset && a.fmtSize == b.fmtSize &&
           a.dataOffset == b.dataOffset && a.dataSize == b.dataSize && a.formatTag == b.formatTag &&
           a.channels == b.channels && a.sampleRate == b.sampleRate && a.blockAlign == b.blockAlign &&
           a.bitsPerSample == b.bitsPerSample;
}

// Strict UTF-8: no stray continuation bytes, no overlong forms, no surrogates.
bool isUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        uint32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            code = code << 6 | (d & 0x3F);
        }
        if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

uint32_t le32(const unsigned char* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void checkAccepted(const unsigned char* image, std::size_t size, const korvalo::WaveLayout& layout)
{
    if (size < 12 || layout.imageSize != uint64_t{le32(image + 4)} + 8)
        fail("accepted an image whose size is not the RIFF size plus 8");
    if (layout.imageSize > size || layout.imageSize > korvalo::maxWaveImageBytes)
        fail("accepted an image larger than the bytes given or the limit");
    if (layout.fmtSize < 16 || layout.fmtOffset < 20 || layout.fmtOffset + layout.fmtSize > layout.imageSize)
        fail("accepted an image whose fmt chunk is short or lies outside it");
    if (std::memcmp(image + layout.fmtOffset - 8, "fmt ", 4) != 0)
        fail("the fmt offset does not follow a fmt chunk header");
    if (layout.dataOffset < 20 || layout.dataOffset + layout.dataSize > layout.imageSize)
        fail("accepted an image whose data chunk lies outside it");
    if (std::memcmp(image + layout.dataOffset - 8, "data", 4) != 0)
        fail("the data offset does not follow a data chunk header");
    if (layout.channels == 0 || layout.sampleRate == 0 || layout.blockAlign == 0)
        fail("accepted an image without channels, rate or block size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // Allocated even for no bytes at all: a valid pointer to nothing.
    std::unique_ptr<unsigned char[]> image(new unsigned char[size]);
    if (size)
        std::memcpy(image.get(), data, size);

    std::string why;
    korvalo::WaveLayout untouched;
    untouched.imageSize = 1;  // a value the check itself never leaves
    korvalo::WaveLayout layout = untouched;
    const bool accepted = korvalo::checkWaveImage(image.get(), size, &why, &layout);

    if (korvalo::checkWaveImage(image.get(), size, nullptr, nullptr) != accepted)
        fail("the answer changes when no explanation or layout is asked for");

    if (accepted) {
        checkAccepted(image.get(), size, layout);
    } else {
        if (why.empty() || !isUtf8(why))
            fail("refused without an explanation in valid UTF-8");
        if (!sameLayout(layout, untouched))
            fail("a refused image changed the layout");
    }
    return 0;
}
