#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "sound/recording/recording_library.h"
#include "platform/recording/recording_platform.h"
#include "sound/module1.h"
#include "sound/wave_image.h"
#include "sound/wave_builder.h"
#include "support/test_game.h"

namespace korvalo {
namespace {

using namespace korvalo::testing;

const char* const waveNames[] = {"その他.wav", "禁止.wav", "石打音.wav", "BGM.wav"};
const std::string noDeviceBox =
    "msgbox \"Direct Soundインターフェースが作成できません。\" \"Korvalo.dll\" OK exclamation -> OK";

// A library that keeps a copy of each image it is given, as far as the image's
// RIFF header says it reaches, and answers a chosen buffer handle.
class CapturingLibrary : public DsLibrary {
public:
    int32_t answer = 7;
    std::vector<std::string> images;
    std::vector<int32_t> flags;

    int32_t dsInitialize(int32_t) override { return 5; }
    int32_t dsCreateDSB(int32_t library, const void* image, int32_t flag, const std::string&) override
    {
        EXPECT_EQ(library, 5);
        const auto* bytes = static_cast<const unsigned char*>(image);
        const uint32_t riffSize = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | uint32_t{bytes[7]} << 24;
        images.emplace_back(static_cast<const char*>(image), riffSize + 8);
        flags.push_back(flag);
        return answer;
    }
    int32_t dsPlay(int32_t) override { return 0; }
    int32_t dsPlayLooping(int32_t) override { return 0; }
    int32_t dsStop(int32_t) override { return 0; }
    int32_t dsFree(int32_t) override { return 0; }
    int32_t dsTerminate(int32_t) override { return 0; }
};

// Each test runs in a fresh, empty working folder.
class SoundModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder_.path()));
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    static void writeFile(const std::string& name, const std::string& bytes)
    {
        QFile file(QString::fromStdString(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
    }
    static void writeAllFour()
    {
        for (const char* name : waveNames)
            writeFile(name, pcmWave({0, 1000, -1000, 0}));
    }

    RecordingPlatform ui;

private:
    QTemporaryDir folder_;
    QString previous_;
};

TEST_F(SoundModule, NoDeviceWarnsOnceAndLeavesEveryHandleZero)
{
    writeAllFour();
    RecordingDsLibrary lib([this](const std::string& line) { ui.record(line); }, false);
    Module1 module(ui, &lib);
    module.soundInit(1);
    EXPECT_EQ(module.soundLibHandle(), 0);
    EXPECT_EQ(module.soundLoad("その他.wav", 3), 0);
    EXPECT_EQ(module.soundLoad("禁止.wav", 3), 0);
    EXPECT_EQ(module.soundLoad("石打音.wav", 3), 0);
    EXPECT_EQ(module.soundLoad("BGM.wav", 1), 0);
    module.soundTerm();
    EXPECT_EQ(ui.lines, (std::vector<std::string>{"sound dsInitialize", noDeviceBox}));
}

TEST_F(SoundModule, MakesABufferFromEachFileWithItsFlagWord)
{
    writeAllFour();
    RecordingDsLibrary lib([this](const std::string& line) { ui.record(line); });
    Module1 module(ui, &lib);
    module.soundInit(1);
    std::vector<int32_t> handles;
    for (const char* name : waveNames)
        handles.push_back(module.soundLoad(name, name == std::string("BGM.wav") ? 1 : 3));
    for (int32_t handle : handles)
        EXPECT_NE(handle, 0);
    EXPECT_EQ(lib.nameOf(handles[2]), "石打音.wav");
    module.soundTerm();
    EXPECT_EQ(ui.lines, (std::vector<std::string>{
                            "sound dsInitialize", "sound dsCreateDSB その他.wav 3", "sound dsCreateDSB 禁止.wav 3",
                            "sound dsCreateDSB 石打音.wav 3", "sound dsCreateDSB BGM.wav 1", "sound dsTerminate"}));
}

TEST_F(SoundModule, HandsTheLibraryTheWholeFileImage)
{
    const std::string image = riffWave(chunk("LIST", "abc") + chunk("fmt ", fmtBody(2, 44100, 16)) +
                                       chunk("data", pcmBody({5, -5, 7, -7})));
    writeFile("石打音.wav", image);
    CapturingLibrary lib;
    Module1 module(ui, &lib);
    module.soundInit(1);
    EXPECT_EQ(module.soundLoad("石打音.wav", 3), 7);
    ASSERT_EQ(lib.images.size(), 1u);
    EXPECT_EQ(lib.images[0], image);
    EXPECT_EQ(lib.flags[0], 3);

    // A handle of 0 from the library is passed back without a message.
    lib.answer = 0;
    EXPECT_EQ(module.soundLoad("石打音.wav", 1), 0);
    EXPECT_EQ(lib.flags.back(), 1);
    EXPECT_TRUE(ui.lines.empty());
}

TEST_F(SoundModule, MissingFilesAreSilentWithoutAMessage)
{
    RecordingDsLibrary lib([this](const std::string& line) { ui.record(line); });
    Module1 module(ui, &lib);
    module.soundInit(1);
    for (const char* name : waveNames)
        EXPECT_EQ(module.soundLoad(name, 3), 0) << name;
    EXPECT_EQ(ui.lines, std::vector<std::string>{"sound dsInitialize"});
}

TEST_F(SoundModule, EachBadFileGetsOneWarningNamingItAndNoBuffer)
{
    const std::string good = pcmWave({1, 2, 3, 4, 5, 6, 7, 8});
    std::string overclaim = good;
    set32(overclaim, 4, static_cast<uint32_t>(good.size() - 8 + 100));
    std::string longData = good;
    set32(longData, 40, 1u << 30);

    const struct {
        std::string name;
        std::string bytes;
        std::string why;
    } cases[] = {
        {"empty.wav", "", "ファイルが空です。"},
        {"text.wav", "[Sound]\r\nvolume=10\r\n", "RIFF 形式の WAVE ファイルではありません。"},
        {"cut.wav", good.substr(0, 30), "ファイルが途中で切れています（ヘッダーでは 60 バイト、ファイルは 30 バイト）。"},
        {"overclaim.wav", overclaim, "ファイルが途中で切れています（ヘッダーでは 160 バイト、ファイルは 60 バイト）。"},
        {"longdata.wav", longData, "「data」チャンクがファイルの終わりを越えています。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(c.name, c.bytes);
        ui.lines.clear();
        RecordingDsLibrary lib([this](const std::string& line) { ui.record(line); });
        Module1 module(ui, &lib);
        module.soundInit(1);
        EXPECT_EQ(module.soundLoad(c.name, 3), 0);
        EXPECT_EQ(ui.lines, (std::vector<std::string>{
                                "sound dsInitialize",
                                "msgbox " + quoted("サウンドファイル「" + c.name + "」を読み込めません。\n" + c.why) +
                                    " \"Korvalo.dll\" OK exclamation -> OK"}));
    }
}

TEST_F(SoundModule, AFileLargerThanAnyWaveImageIsNotRead)
{
    {
        QFile file("BGM.wav");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(static_cast<qint64>(maxWaveImageBytes) + 1));  // sparse: no real bytes written
    }
    RecordingDsLibrary lib([this](const std::string& line) { ui.record(line); });
    Module1 module(ui, &lib);
    module.soundInit(1);
    EXPECT_EQ(module.soundLoad("BGM.wav", 1), 0);
    EXPECT_EQ(ui.lines, (std::vector<std::string>{
                            "sound dsInitialize",
                            "msgbox " +
                                quoted("サウンドファイル「BGM.wav」を読み込めません。\nファイルが大きすぎます（" +
                                       std::to_string(maxWaveImageBytes + 1) + " バイト）。") +
                                " \"Korvalo.dll\" OK exclamation -> OK"}));
}

TEST_F(SoundModule, AFileThatCannotBeOpenedIsWarnedAbout)
{
    // A folder carrying the wave file's name exists but cannot be read.
    ASSERT_TRUE(QDir().mkdir("BGM.wav"));
    RecordingDsLibrary lib([this](const std::string& line) { ui.record(line); });
    Module1 module(ui, &lib);
    module.soundInit(1);
    EXPECT_EQ(module.soundLoad("BGM.wav", 1), 0);
    const auto boxes = linesStartingWith(ui.lines, "msgbox ");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("msgbox \"サウンドファイル「BGM.wav」を読み込めません。\\n", 0), 0u) << boxes[0];
    EXPECT_NE(boxes[0].find("\"Korvalo.dll\" OK exclamation"), std::string::npos);
    EXPECT_TRUE(linesStartingWith(ui.lines, "sound dsCreateDSB").empty());
}

TEST_F(SoundModule, WithoutALibraryNothingIsCalledAndNothingIsShown)
{
    writeAllFour();
    Module1 module(ui, nullptr);
    module.soundInit(1);
    for (const char* name : waveNames)
        EXPECT_EQ(module.soundLoad(name, 3), 0);
    module.soundTerm();
    EXPECT_EQ(module.library(), nullptr);
    EXPECT_TRUE(ui.lines.empty());
}

TEST_F(SoundModule, TermClosesAStartedLibraryOnce)
{
    RecordingDsLibrary lib([this](const std::string& line) { ui.record(line); });
    Module1 module(ui, &lib);
    module.soundTerm();  // never started: nothing to close
    EXPECT_TRUE(ui.lines.empty());
    module.soundInit(1);
    module.soundTerm();
    module.soundTerm();
    EXPECT_EQ(ui.lines, (std::vector<std::string>{"sound dsInitialize", "sound dsTerminate"}));
    EXPECT_TRUE(lib.terminated);
}

}  // namespace
}  // namespace korvalo
