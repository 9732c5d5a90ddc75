#include "hostile/hostile_support.h"

#include <grp.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <QStringEncoder>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "property/random_play.h"

namespace korvalo::testing {

Rig::Rig(Library library)
    : kind(library),
      lib([this](const std::string& line) { ui.record(line); }, library != Library::NoDevice),
      form(ui, library == Library::Missing ? nullptr : &lib)
{
}

std::string playToTheRanking(Rig& rig, SettingsFile settingsFile, uint32_t seed, std::size_t opening)
{
    GameWatch watch(rig.form, rig.ui, rig.library(), settingsFile);
    return playRandomGame(watch, seed, allSeatings[opening]);
}

std::vector<std::string> boxes(const RecordingPlatform& ui)
{
    std::vector<std::string> out;
    for (const std::string& line : ui.lines)
        if (line.rfind("msgbox ", 0) == 0)
            out.push_back(line);
    return out;
}

std::string closeWindow(Rig& rig)
{
    const bool started = rig.form.sounds().module1.soundLibHandle() != 0;
    rig.ui.lines.clear();
    rig.form.Form_Unload();
    std::vector<std::string> expected;
    if (const RecordingDsLibrary* lib = rig.library()) {
        const GameSounds& sounds = rig.form.sounds();
        using Sound = GameSounds::Sound;
        for (Sound sound : {Sound::Other, Sound::Forbidden, Sound::Stone, Sound::Music})
            expected.push_back("sound dsFree " + lib->nameOf(sounds.buffer(sound)));
        if (started)
            expected.push_back("sound dsTerminate");
    }
    expected.push_back("exit");
    const std::vector<std::string> lines = rig.ui.eventLines();
    if (lines != expected) {
        std::string text = "the window closed with:";
        for (const std::string& line : lines)
            text += "\n  " + line;
        return text;
    }
    if (!rig.form.programEnded())
        return "the program did not end";
    return {};
}

namespace {

// Korvalo.ini, or a name under which its new content is written before it
// replaces the file: "Korvalo.ini.XXXXXX", or "#" and digits for a file
// created without a name and then linked into the folder.
bool isSettingsFileName(const std::string& name)
{
    if (name == "Korvalo.ini" || name.rfind("Korvalo.ini.", 0) == 0)
        return true;
    return name.size() > 1 && name[0] == '#' &&
           name.find_first_not_of("0123456789", 1) == std::string::npos;
}

}  // namespace

FolderEvents::FolderEvents(const QString& path)
{
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0)
        watch_ = inotify_add_watch(fd_, QFile::encodeName(path).constData(),
                                   IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE |
                                       IN_ATTRIB);
}

FolderEvents::~FolderEvents()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::set<std::string> FolderEvents::otherNames()
{
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t pos = 0; pos < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + pos);
            if (event->mask & IN_Q_OVERFLOW)
                names_.insert("(events lost)");
            if (event->len > 0) {
                const std::string name = event->name;
                if (!isSettingsFileName(name))
                    names_.insert(name);
            }
            pos += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return names_;
}

std::optional<std::string> fileContent(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll().toStdString();
}

bool putFile(const std::string& path, const std::string& bytes)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

std::string shiftJis(const std::string& utf8)
{
    QStringEncoder encoder("Shift_JIS");
    const QByteArray bytes = encoder.encode(QString::fromUtf8(utf8));
    return bytes.toStdString();
}

std::optional<std::string> runInChild(const std::function<std::string()>& body, bool asNobody,
                                      unsigned timeoutSeconds)
{
    constexpr uid_t nobody = 65534;
    constexpr int cannotDrop = 3;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe: " + std::string(std::strerror(errno));
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return "no fork: " + std::string(std::strerror(errno));
    if (pid == 0) {
        ::close(pipeEnds[0]);
        if (asNobody &&
            (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0 || ::geteuid() != nobody))
            ::_exit(cannotDrop);
        ::alarm(timeoutSeconds);  // its signal ends the child
        const std::string report = body();
        for (std::size_t done = 0; done < report.size();) {
            const ssize_t n = ::write(pipeEnds[1], report.data() + done, report.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == cannotDrop)
        return std::nullopt;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        return "the game did not finish within " + std::to_string(timeoutSeconds) + " s\n" + report;
    if (WIFSIGNALED(status))
        return "the game crashed with signal " + std::to_string(WTERMSIG(status)) + "\n" + report;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child ended with status " + std::to_string(status) + "\n" + report;
    return report;
}

std::optional<std::string> runAsOrdinaryUser(const std::function<std::string()>& body)
{
    return runInChild(body, ::geteuid() == 0);
}

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string>& waveFiles()
{
    static const std::vector<std::string> names = sorted({"その他.wav", "禁止.wav", "石打音.wav", "BGM.wav"});
    return names;
}

std::vector<std::string> withSettingsFile(std::vector<std::string> names)
{
    names.push_back("Korvalo.ini");
    return sorted(names);
}

std::string musicProblem(const Rig& rig)
{
    const bool mark = rig.ui.isChecked(CheckItem::BGM);
    const int32_t music = rig.form.sounds().buffer(GameSounds::Sound::Music);
    const bool looping = rig.lib.looping.count(music) > 0 && music != 0;
    if (looping != (mark && music != 0))
        return std::string("the music ") + (looping ? "plays" : "is silent") + " with " + marksText(checkMarks(rig.ui));
    return {};
}

std::string switchEachOptionTwice(Rig& rig, const std::function<std::string()>& fileProblem)
{
    using Click = void (Form1::*)();
    const Click clicks[] = {&Form1::TEJYUN_Click, &Form1::AICON_Click, &Form1::BGM_Click};
    for (std::size_t i = 0; i < 3; ++i)
        for (int round = 0; round < 2; ++round) {
            Marks expected = checkMarks(rig.ui);
            expected[i] = !expected[i];
            (rig.form.*clicks[i])();
            if (checkMarks(rig.ui) != expected)
                return "after a switch the marks are " + marksText(checkMarks(rig.ui)) + ", expected " +
                       marksText(expected);
            if (std::string problem = musicProblem(rig); !problem.empty())
                return problem;
            if (std::string problem = fileProblem(); !problem.empty())
                return "after a switch to " + marksText(expected) + ": " + problem;
            if (!boxes(rig.ui).empty())
                return "a switch showed " + boxes(rig.ui).front();
        }
    return {};
}

}  // namespace korvalo::testing
