// Fuzzes the reading of the settings file Korvalo.ini, and checks its
// writing.
//
// Each input is first given to the parser as it is. It is then written as
// Korvalo.ini into a private working folder, where the game's reader must
// give back exactly the bytes it reads (all of them, or the whole lines
// within its limit), and Form1 reads it on the recording platform as the
// initial setup does (読込_環境設定ファイル, then 読込_環境設定データ),
// starting from the marks of start-up: music looping with its check mark, a
// turn icon on the board. The check marks, the icon and the music afterwards
// must be what the parsed settings, applied in order, ask for.
//
// What Form1 writes (書込_環境設定ファイル) depends on the three check marks
// alone, never on the input, so it is checked once at start for each of the
// eight combinations: the file must hold exactly the three lines for them,
// and reading it back must leave the marks as they were.
//
// The game object is made once, at start; each input only puts the
// start-up marks back, so a run costs the file's reading and little else.
//
// The target changes into its folder only while it reads an input and
// changes back before returning. A crash inside that window writes its
// artifact there, so give libFuzzer absolute paths (fuzz/run.sh does).
#include <fcntl.h>
#include <unistd.h>

#include <QStringEncoder>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flow/form1.h"
#include "sound/recording/recording_library.h"
#include "platform/recording/recording_platform.h"
#include "settings/settings_file.h"

namespace {

using korvalo::CheckItem;
using korvalo::IconPicture;
namespace settings = korvalo::settings;

std::string folder;     // the private working folder
int startFolder = -1;   // the working folder the target was started in

// The game, made once. The recording platform and sound library keep their
// state but make no lines: nothing reads them, and the memory stays the same
// over millions of inputs.
struct Game {
    korvalo::RecordingPlatform ui;
    korvalo::RecordingDsLibrary lib{nullptr};
    korvalo::Form1 form{ui, &lib};
    Game()
    {
        ui.keepLines = false;
        form.sounds().setBuffer(korvalo::GameSounds::Sound::Music, lib.dsCreateDSB(1, nullptr, 1, "BGM.wav"));
    }
    // The marks of start-up: music looping with its check mark, no other
    // check mark, a turn icon on the board.
    void startUp()
    {
        ui.setChecked(CheckItem::TEJYUN, false);
        ui.setChecked(CheckItem::AICON, false);
        ui.setChecked(CheckItem::BGM, true);
        lib.dsPlayLooping(form.sounds().buffer(korvalo::GameSounds::Sound::Music));
        ui.moveIcon(IconPicture::ICO_MAN, 1, 0, 0);
        ui.setIconVisible(IconPicture::ICO_MAN, 1, true);
    }
};
Game* game = nullptr;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_settings: %s\n", what);
    std::abort();
}

void removeFolder()
{
    const std::string file = folder + "/" + settings::fileName;
    unlink(file.c_str());
    rmdir(folder.c_str());
}

void enterFolder()
{
    if (chdir(folder.c_str()) != 0)
        fail("cannot enter the working folder");
}

void leaveFolder()
{
    if (fchdir(startFolder) != 0)
        fail("cannot return to the starting folder");
}

void writeSettingsFile(std::string_view bytes)
{
    // A new file rather than the old one truncated: on ext4, truncating a
    // file just written waits for its data to reach the disk.
    unlink(settings::fileName);
    const int fd = open(settings::fileName, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        fail("cannot create Korvalo.ini");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            fail("cannot write Korvalo.ini");
        done += static_cast<std::size_t>(n);
    }
    close(fd);
}

// The bytes the game reads from a file holding these: all of them up to the
// read limit, and only the whole lines within the limit beyond it.
std::string_view bytesRead(std::string_view bytes)
{
    if (bytes.size() <= settings::readLimit)
        return bytes;
    const std::string_view head = bytes.substr(0, settings::readLimit);
    const std::size_t lastNewline = head.rfind('\n');
    return lastNewline == std::string_view::npos ? std::string_view() : head.substr(0, lastNewline + 1);
}

// The file's bytes as the game's reader gives them.
std::string readBack()
{
    const std::optional<std::string> bytes = settings::readFile();
    if (!bytes)
        fail("cannot read back Korvalo.ini");
    return *bytes;
}

// Form1 writes the file from each combination of the three check marks
// (TEJYUN 4, AICON 2, BGM 1); the file must hold the three lines for them in
// Shift_JIS, and reading it back must leave the marks as they are.
void checkWriting()
{
    korvalo::RecordingPlatform& ui = game->ui;
    const CheckItem items[] = {CheckItem::TEJYUN, CheckItem::AICON, CheckItem::BGM};
    enterFolder();
    for (int combination = 0; combination < 8; ++combination) {
        const bool marks[] = {(combination & 4) != 0, (combination & 2) != 0, (combination & 1) != 0};
        const QString text = QString::fromStdString(settings::fileText({.moveNumbers = marks[0], .icons = marks[1], .music = marks[2]}));
        QStringEncoder encoder("Shift_JIS");
        const QByteArray expected = encoder.encode(text);
        if (encoder.hasError() || expected.isEmpty())
            fail("cannot encode the settings text");
        for (int i = 0; i < 3; ++i)
            ui.setChecked(items[i], marks[i]);
        game->form.settings().書込_環境設定ファイル();
        if (readBack() != expected.toStdString())
            fail("the file written differs from the three lines for the check marks");
        for (int i = 0; i < 3; ++i)
            ui.setChecked(items[i], !marks[i]);
        game->form.settings().読込_環境設定ファイル();
        game->form.settings().読込_環境設定データ();
        for (int i = 0; i < 3; ++i)
            if (ui.isChecked(items[i]) != marks[i])
                fail("the file written does not read back as the check marks it was written from");
    }
    leaveFolder();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFolder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (startFolder < 0)
        fail("cannot open the starting folder");
    // Memory-backed when the system has /dev/shm: the file is rewritten on
    // every run.
    const char* tmp = std::getenv("TMPDIR");
    const std::string parent = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
    std::string pattern = parent + "/korvalo-fuzz-settings-XXXXXX";
    if (!mkdtemp(pattern.data()))
        fail("cannot make a working folder");
    folder = pattern;
    std::atexit(removeFolder);
    game = new Game;  // lives as long as the process
    checkWriting();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<settings::Setting> parsed = settings::parse(bytes);

    // What the game should end with: the start-up marks, changed by each
    // setting of the bytes it reads, in file order.
    const std::vector<settings::Setting> applied =
        bytes.size() > settings::readLimit ? settings::parse(bytesRead(bytes)) : parsed;
    std::array<bool, 3> marks{false, false, true};  // TEJYUN, AICON, BGM
    bool iconsErased = false;
    for (const settings::Setting& setting : applied) {
        marks[static_cast<int>(setting.item)] = setting.on;
        if (setting.item == CheckItem::AICON && !setting.on)
            iconsErased = true;
    }

    korvalo::RecordingPlatform& ui = game->ui;
    korvalo::RecordingDsLibrary& lib = game->lib;
    korvalo::Form1& form = game->form;
    game->startUp();

    enterFolder();
    writeSettingsFile(bytes);
    if (readBack() != bytesRead(bytes))
        fail("the bytes read differ from the bytes in the file");
    form.settings().読込_環境設定ファイル();
    form.settings().読込_環境設定データ();
    leaveFolder();

    if (ui.isChecked(CheckItem::TEJYUN) != marks[0] || ui.isChecked(CheckItem::AICON) != marks[1] ||
        ui.isChecked(CheckItem::BGM) != marks[2])
        fail("the check marks differ from the settings in the file");
    if (ui.icon(IconPicture::ICO_MAN, 1).visible == iconsErased)
        fail("the turn icon does not follow the icon setting");
    if ((lib.looping.count(form.sounds().buffer(korvalo::GameSounds::Sound::Music)) == 1) != marks[2])
        fail("the music does not follow the music setting");
    return 0;
}
