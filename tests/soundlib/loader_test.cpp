// Where the program finds Korvalo.dll: beside itself, never in the working
// folder, where anyone could have put a file of that name.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "sound/dll_loader.h"
#include "soundlib/disk_audio.h"

namespace korvalo {
namespace {

using namespace korvalo::testing;

const std::string strangerFolder = KORVALO_STRANGER_DIR;
const std::string incompleteFolder = KORVALO_INCOMPLETE_DIR;

// Runs a test in another working folder and returns to the first.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

bool isMapped(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

TEST(SoundLibraryLoader, TheStrangerIsALoadableLibrary)
{
    // Without this, the tests below could pass just because the stand-in
    // could never be loaded at all.
    std::string error;
    auto stranger = loadSoundLibrary(strangerFolder, &error);
    ASSERT_NE(stranger, nullptr) << error;
    EXPECT_EQ(stranger->dsInitialize(0), 4242);
}

TEST(SoundLibraryLoader, FindsTheLibraryBesideTheProgramNotInTheWorkingFolder)
{
    useAudioDriver("korvalo-no-such-driver");
    InFolder elsewhere(strangerFolder);
    ASSERT_TRUE(std::filesystem::exists("Korvalo.dll"));
    EXPECT_EQ(std::filesystem::path(programDirectory()), std::filesystem::canonical(KORVALO_BUILD_DIR));
    std::string error;
    auto lib = loadSoundLibrary(programDirectory(), &error);
    ASSERT_NE(lib, nullptr) << error;
    // The real library, finding no device, answers 0; the stand-in in the
    // working folder would have answered 4242.
    EXPECT_EQ(lib->dsInitialize(0), 0);
    EXPECT_FALSE(isMapped(strangerFolder + "/Korvalo.dll"));
}

TEST(SoundLibraryLoader, AProgramFolderWithoutTheLibraryLoadsNothing)
{
    TemporaryFolder programFolder;
    InFolder elsewhere(strangerFolder);
    std::string error;
    EXPECT_EQ(loadSoundLibrary(programFolder.path().string(), &error), nullptr);
    EXPECT_NE(error.find(programFolder.path().string() + "/Korvalo.dll"), std::string::npos) << error;
    // A folder that is not absolute would be looked up from the working
    // folder, so it is refused outright.
    EXPECT_EQ(loadSoundLibrary(".", &error), nullptr);
    EXPECT_EQ(loadSoundLibrary("", &error), nullptr);
    EXPECT_EQ(loadSoundLibrary("build", &error), nullptr);
    EXPECT_FALSE(isMapped(strangerFolder + "/Korvalo.dll"));
}

TEST(SoundLibraryLoader, ALibraryLackingAFunctionIsRefused)
{
    std::string error;
    EXPECT_EQ(loadSoundLibrary(incompleteFolder, &error), nullptr);
    EXPECT_NE(error.find("dsTerminate"), std::string::npos) << error;
}

TEST(SoundLibraryLoader, TheLibraryExportsAllFourteenFunctions)
{
    void* handle = dlopen((programDirectory() + "/Korvalo.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    for (const char* name : {"dsInitialize", "dsCreateDSB", "dsPlay", "dsPlayLooping", "dsStop", "dsFree",
                             "dsTerminate", "dsCreateResDSB", "dsPlayPan", "dsPlayEx", "dsPlayLoopingEx",
                             "dsSetVolume", "dsSetPan", "dsSetFrequency"})
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    dlclose(handle);
}

}  // namespace
}  // namespace korvalo
