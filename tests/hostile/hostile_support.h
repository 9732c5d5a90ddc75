#pragma once
// A game window started in an unfriendly environment and the means to watch
// what it does to its working folder.
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

#include <QString>

#include "flow/form1.h"
#include "sound/recording/recording_library.h"
#include "platform/recording/recording_platform.h"
#include "property/game_watch.h"
#include "property/settings_text.h"

namespace korvalo::testing {

enum class Library {
    Present,   // the recording library with a sound device
    NoDevice,  // the library loads but finds no sound device
    Missing,   // no library at all
};

// A game window on the recording platform with the library as chosen.
struct Rig {
    explicit Rig(Library library);
    const RecordingDsLibrary* library() const { return kind == Library::Missing ? nullptr : &lib; }

    Library kind;
    RecordingPlatform ui;
    RecordingDsLibrary lib;
    Form1 form;
};

// Plays a random game (seed, opening index into allSeatings) from the state
// the window is in to the ranking, with every check of the game watch.
// Empty when all went well.
std::string playToTheRanking(Rig& rig, SettingsFile settingsFile, uint32_t seed, std::size_t opening);

// Message boxes recorded so far.
std::vector<std::string> boxes(const RecordingPlatform& ui);

// Closes the window and says what is wrong with the shutdown: the four
// buffers freed in order, the library closed when it was started, the end.
std::string closeWindow(Rig& rig);

// Watches a folder for entries that are created, written, renamed, deleted
// or changed in their attributes, by name.
class FolderEvents {
public:
    explicit FolderEvents(const QString& path);
    ~FolderEvents();
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    bool isValid() const { return fd_ >= 0 && watch_ >= 0; }
    // Names met so far, other than Korvalo.ini itself and the temporary
    // names its new content is written under before it replaces the file.
    std::set<std::string> otherNames();

private:
    int fd_ = -1;
    int watch_ = -1;
    std::set<std::string> names_;
};

// The whole content of a file, or nothing when it cannot be read.
std::optional<std::string> fileContent(const std::string& path);
// Creates or replaces a file with the bytes; false on failure.
bool putFile(const std::string& path, const std::string& bytes);
// The text in Shift_JIS.
std::string shiftJis(const std::string& utf8);

// Runs body in a child process and returns its report; a crash, or a child
// still running after timeoutSeconds, is reported as such. With asNobody the
// child first drops to the user and group nobody; nothing is returned when
// this process cannot do that.
std::optional<std::string> runInChild(const std::function<std::string()>& body, bool asNobody = false,
                                      unsigned timeoutSeconds = 60);
// Runs body in a child process as a user whom file permissions bind: this
// process's own user, or nobody when this process runs as root.
std::optional<std::string> runAsOrdinaryUser(const std::function<std::string()>& body);

// ---- Shared by the settings cases

// The options without a usable settings file: only the music is on.
inline const Marks startMarks = {false, false, true};
// The user id of nobody, for cases that need another user than root.
inline constexpr uid_t nobody = 65534;

std::vector<std::string> sorted(std::vector<std::string> names);
// The four wave files, sorted.
const std::vector<std::string>& waveFiles();
// names with Korvalo.ini, sorted.
std::vector<std::string> withSettingsFile(std::vector<std::string> names);
// What is wrong with the music against its mark; empty when nothing.
std::string musicProblem(const Rig& rig);
// Clicks each option switch twice. After every click its mark must have
// flipped and no other, the music must follow its mark, and fileProblem (what
// the case expects of Korvalo.ini) must answer nothing.
std::string switchEachOptionTwice(Rig& rig, const std::function<std::string()>& fileProblem);

}  // namespace korvalo::testing
