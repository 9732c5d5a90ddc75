#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "sound/wave_builder.h"
#include "sound/wave_image.h"

namespace korvalo {
namespace {

using namespace korvalo::testing;

// Checks a copy of the image in a heap block of exactly its size, so that a
// read past the end is caught by the address sanitizer build.
bool check(const std::string& image, std::string* why = nullptr, WaveLayout* layout = nullptr)
{
    std::unique_ptr<unsigned char[]> exact(new unsigned char[image.size() ? image.size() : 1]);
    std::memcpy(exact.get(), image.data(), image.size());
    return checkWaveImage(exact.get(), image.size(), why, layout);
}

std::string reason(const std::string& image)
{
    std::string why;
    EXPECT_FALSE(check(image, &why));
    return why;
}

// A valid image with a chunk before "fmt ", an odd-sized chunk and its pad
// byte between "fmt " and "data".
std::string imageWithExtraChunks()
{
    return riffWave(chunk("LIST", std::string(10, 'x')) + chunk("fmt ", fmtBody(2, 44100, 16)) +
                    chunk("odd ", "abc") + chunk("data", pcmBody({1, -1, 2, -2, 3, -3})));
}

TEST(WaveImage, FindsTheFormatAndTheSamples)
{
    WaveLayout layout;
    const std::string plain = pcmWave({100, -100, 200}, 22050);
    ASSERT_TRUE(check(plain, nullptr, &layout));
    EXPECT_EQ(layout.imageSize, plain.size());
    EXPECT_EQ(layout.fmtOffset, 20u);
    EXPECT_EQ(layout.fmtSize, 16u);
    EXPECT_EQ(layout.dataOffset, 44u);
    EXPECT_EQ(layout.dataSize, 6u);
    EXPECT_EQ(layout.formatTag, 1);
    EXPECT_EQ(layout.channels, 1);
    EXPECT_EQ(layout.sampleRate, 22050u);
    EXPECT_EQ(layout.blockAlign, 2);
    EXPECT_EQ(layout.bitsPerSample, 16);

    const std::string extra = imageWithExtraChunks();
    ASSERT_TRUE(check(extra, nullptr, &layout));
    EXPECT_EQ(layout.channels, 2);
    EXPECT_EQ(layout.fmtOffset, 12u + 18u + 8u);
    EXPECT_EQ(layout.dataOffset, 12u + 18u + 24u + 12u + 8u);
    EXPECT_EQ(layout.dataSize, 12u);
}

TEST(WaveImage, AcceptsTrailingBytesAndAMissingLastPadByte)
{
    WaveLayout layout;
    // Bytes after the RIFF size are not part of the image.
    std::string trailing = pcmWave({1, 2, 3, 4}) + "trailing junk";
    ASSERT_TRUE(check(trailing, nullptr, &layout));
    EXPECT_EQ(layout.imageSize, trailing.size() - 13);

    // An odd data chunk at the very end whose pad byte was never written.
    std::string unpadded = riffWave(chunk("fmt ", fmtBody(1, 8000, 8)) + chunk("data", "\x80\x81\x82"));
    unpadded.pop_back();
    set32(unpadded, 4, static_cast<uint32_t>(unpadded.size() - 8));
    EXPECT_TRUE(check(unpadded));
}

TEST(WaveImage, GivesAReasonForEachKindOfDamage)
{
    EXPECT_EQ(reason(""), "ファイルが空です。");
    EXPECT_FALSE(checkWaveImage(nullptr, 0, nullptr));

    const std::string notRiff = "This is a text file, not a sound.\r\n";
    EXPECT_EQ(reason(notRiff), "RIFF 形式の WAVE ファイルではありません。");
    EXPECT_EQ(reason("RIF"), "RIFF 形式の WAVE ファイルではありません。");
    std::string avi = pcmWave({1, 2});
    avi.replace(8, 4, "AVI ");
    EXPECT_EQ(reason(avi), "RIFF 形式の WAVE ファイルではありません。");

    const std::string good = pcmWave({1, 2, 3, 4, 5, 6, 7, 8});
    // The file ends before the RIFF size says it does.
    EXPECT_EQ(reason(good.substr(0, good.size() - 1)),
              "ファイルが途中で切れています（ヘッダーでは 60 バイト、ファイルは 59 バイト）。");
    EXPECT_NE(reason(good.substr(0, 8)).find("途中で切れています"), std::string::npos);

    // A header that claims more than the file holds, up to the largest value
    // the field can carry (which must not wrap around when 8 is added).
    std::string overclaim = good;
    set32(overclaim, 4, 0xFFFFFFFFu);
    EXPECT_EQ(reason(overclaim),
              "ファイルが途中で切れています（ヘッダーでは 4294967303 バイト、ファイルは 60 バイト）。");
    std::string tooSmall = good;
    set32(tooSmall, 4, 3);
    EXPECT_EQ(reason(tooSmall), "RIFF ヘッダーの長さが正しくありません。");

    // A chunk that claims more than the RIFF holds.
    std::string longData = good;
    set32(longData, 40, 0xFFFFFFF0u);
    EXPECT_EQ(reason(longData), "「data」チャンクがファイルの終わりを越えています。");
    std::string longFmt = good;
    set32(longFmt, 16, 1000);
    EXPECT_EQ(reason(longFmt), "「fmt 」チャンクがファイルの終わりを越えています。");

    EXPECT_EQ(reason(riffWave(chunk("fmt ", fmtBody(1, 8000, 8).substr(0, 14)) + chunk("data", "ab"))),
              "fmt チャンクが短すぎます。");
    EXPECT_EQ(reason(riffWave(chunk("data", "abcd"))), "fmt チャンクがありません。");
    EXPECT_EQ(reason(riffWave(chunk("fmt ", fmtBody(1, 8000, 8)))), "data チャンクがありません。");
    EXPECT_EQ(reason(riffWave(chunk("fmt ", fmtBody(0, 8000, 8)) + chunk("data", "ab"))),
              "音声の形式が正しくありません。");
    EXPECT_EQ(reason(riffWave(chunk("fmt ", fmtBody(1, 0, 8)) + chunk("data", "ab"))),
              "音声の形式が正しくありません。");

    // Unprintable chunk names are shown with '?'.
    std::string binaryId = good;
    binaryId.replace(36, 4, std::string("\x01\xFF" "ab", 4));
    set32(binaryId, 40, 1000);
    EXPECT_EQ(reason(binaryId), "「??ab」チャンクがファイルの終わりを越えています。");
}

TEST(WaveImage, RefusesImagesOverTheSizeLimit)
{
    // Only the header is built; the claimed size is checked before the chunks.
    std::string header = pcmWave({0});
    set32(header, 4, static_cast<uint32_t>(maxWaveImageBytes - 8 + 2));
    // Left unwritten past the header, so it takes no memory: nothing past the
    // header may be read.
    const std::size_t size = maxWaveImageBytes + 2;
    const auto big = std::make_unique_for_overwrite<unsigned char[]>(size);
    std::memcpy(big.get(), header.data(), header.size());
    std::string why;
    EXPECT_FALSE(checkWaveImage(big.get(), size, &why));
    EXPECT_NE(why.find("大きすぎます"), std::string::npos) << why;
}

TEST(WaveImage, NoPrefixOfAnImageIsAccepted)
{
    const std::string image = imageWithExtraChunks();
    ASSERT_TRUE(check(image));
    for (std::size_t n = 0; n < image.size(); ++n)
        EXPECT_FALSE(check(image.substr(0, n))) << "prefix of " << n << " bytes";
}

TEST(WaveImage, DamagedImagesNeverLeadOutsideTheBytesGiven)
{
    const std::string original = imageWithExtraChunks();
    std::mt19937 random(20240607);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string image = original;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes; ++c)
            image[random() % image.size()] = static_cast<char>(random() & 0xFF);
        if (random() % 3 == 0)
            image.resize(random() % (image.size() + 1));
        WaveLayout layout;
        if (!check(image, nullptr, &layout))
            continue;
        ++accepted;
        // What is accepted lies wholly inside the bytes given.
        ASSERT_LE(layout.imageSize, image.size());
        ASSERT_LE(layout.fmtOffset + layout.fmtSize, layout.imageSize);
        ASSERT_LE(layout.dataOffset + layout.dataSize, layout.imageSize);
        ASSERT_GE(layout.fmtSize, 16u);
    }
    // Damage to sample bytes and unused chunks leaves the image usable; the
    // loop has to have tried both outcomes.
    EXPECT_GT(accepted, 100);
    EXPECT_LT(accepted, 5000);
}

}  // namespace
}  // namespace korvalo
