#include "sound/wave_image.h"

#include <cstring>

namespace korvalo {

namespace {

uint32_t le32(const unsigned char* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool fail(std::string* why, const std::string& text)
{
    if (why)
        *why = text;
    return false;
}

// A chunk name as it can be shown: unprintable bytes become '?'.
std::string chunkName(const unsigned char* id)
{
    std::string name;
    for (int i = 0; i < 4; ++i)
        name += (id[i] >= 0x20 && id[i] < 0x7F) ? static_cast<char>(id[i]) : '?';
    return name;
}

}  // namespace

bool checkWaveImage(const unsigned char* data, std::size_t size, std::string* why, WaveLayout* layout)
{
    if (size == 0 || data == nullptr)
        return fail(why, "ファイルが空です。");
    const bool riffMagic = size >= 4 && std::memcmp(data, "RIFF", 4) == 0;
    if (!riffMagic)
        return fail(why, "RIFF 形式の WAVE ファイルではありません。");
    if (size < 12)
        return fail(why, "ファイルが途中で切れています（RIFF ヘッダーが不完全です）。");
    if (std::memcmp(data + 8, "WAVE", 4) != 0)
        return fail(why, "RIFF 形式の WAVE ファイルではありません。");

    // 64-bit arithmetic throughout: a size field of 0xFFFFFFFF plus the
    // header must not wrap around.
    const uint64_t imageSize = uint64_t{le32(data + 4)} + 8;
    if (imageSize < 12)
        return fail(why, "RIFF ヘッダーの長さが正しくありません。");
    if (imageSize > size)
        return fail(why, "ファイルが途中で切れています（ヘッダーでは " + std::to_string(imageSize) +
                             " バイト、ファイルは " + std::to_string(size) + " バイト）。");
    if (imageSize > maxWaveImageBytes)
        return fail(why, "ファイルが大きすぎます（" + std::to_string(imageSize) + " バイト）。");

    WaveLayout found;
    found.imageSize = static_cast<std::size_t>(imageSize);
    bool haveFmt = false;
    bool haveData = false;
    // Chunks follow the 12-byte header, each an id, a 32-bit length and a
    // body padded to an even length. Only whole chunk headers are read; a
    // last pad byte beyond the end is tolerated, as many writers omit it.
    uint64_t pos = 12;
    while (pos + 8 <= imageSize) {
        const unsigned char* header = data + pos;
        const uint64_t body = pos + 8;
        const uint64_t length = le32(header + 4);
        if (body + length > imageSize)
            return fail(why, "「" + chunkName(header) + "」チャンクがファイルの終わりを越えています。");
        if (!haveFmt && std::memcmp(header, "fmt ", 4) == 0) {
            if (length < 16)
                return fail(why, "fmt チャンクが短すぎます。");
            const unsigned char* fmt = data + body;
            found.fmtOffset = static_cast<std::size_t>(body);
            found.fmtSize = static_cast<std::size_t>(length);
            found.formatTag = le16(fmt);
            found.channels = le16(fmt + 2);
            found.sampleRate = le32(fmt + 4);
            found.blockAlign = le16(fmt + 12);
            found.bitsPerSample = le16(fmt + 14);
            haveFmt = true;
        } else if (!haveData && std::memcmp(header, "data", 4) == 0) {
            found.dataOffset = static_cast<std::size_t>(body);
            found.dataSize = static_cast<std::size_t>(length);
            haveData = true;
        }
        pos = body + length + (length & 1);
    }
    if (!haveFmt)
        return fail(why, "fmt チャンクがありません。");
    if (!haveData)
        return fail(why, "data チャンクがありません。");
    if (found.channels == 0 || found.sampleRate == 0 || found.blockAlign == 0)
        return fail(why, "音声の形式が正しくありません。");
    if (layout)
        *layout = found;
    return true;
}

}  // namespace korvalo
