// A network game between real windows (bench/network_windows.sh runs it under
// Xvfb): a hosting window replays black's clicks of one whole game of one
// person against the computer, while three joined windows watch, each in a
// folder of its own. Then the same game is replayed in a plain window.
// Prints how long each of the host's presses took to reach every joined
// window (from the program's own traces, all on CLOCK_MONOTONIC), and the
// peak memory (VmHWM) of the hosting window, of the joined ones and of the
// plain one.
//
//   network_windows PLAY_FOLDER
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "flow/form1.h"
#include "platform/recording/recording_platform.h"
#include "first_square.h"

namespace {

using namespace korvalo;
namespace fs = std::filesystem;

// Black's clicks of one whole game of one person on black: at each turn the
// first legal square in scan order, or a1 to pass.
std::string blackClicks(int* clicks)
{
    RecordingPlatform ui;
    ui.keepLines = false;
    Form1 form(ui, nullptr);
    form.Form_Load();
    form.JYUNBAN_1_Click();
    std::string script = "menu JYUNBAN_1\n";
    for (*clicks = 0; form.state().turnColour != noneValue && *clicks < 100; ++*clicks)
        script += bench::clickFirstSquare(form);
    return script;
}

// A window playing in its own copy of the play folder, tracing into it.
struct Window {
    fs::path folder;
    pid_t pid = 0;

    void start(const fs::path& play, const fs::path& where, const std::vector<std::string>& args)
    {
        folder = where;
        fs::copy(play, folder, fs::copy_options::recursive);
        pid = ::fork();
        if (pid == 0) {
            if (::chdir(folder.c_str()) != 0)
                std::_Exit(127);
            ::setenv("KORVALO_TRACE", "trace", 1);
            std::freopen("out", "w", stdout);
            std::freopen("errors", "w", stderr);
            std::vector<char*> argv{const_cast<char*>(KORVALO_PROGRAM)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            std::_Exit(127);
        }
    }
    // The times of the trace's events of that name, in nanoseconds.
    std::vector<long long> times(const std::string& name) const
    {
        std::vector<long long> out;
        std::ifstream trace(folder / "trace");
        for (std::string line; std::getline(trace, line);) {
            std::istringstream words(line);
            std::string event;
            long long when = 0;
            if (words >> event >> when && event == name)
                out.push_back(when);
        }
        return out;
    }
    // A figure of /proc/PID/FILE, in KiB; the sum of those named alike.
    long kib(const char* file, const std::string& name) const
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/" + file);
        long sum = 0;
        for (std::string line; std::getline(status, line);)
            if (line.rfind(name, 0) == 0)
                sum += std::atol(line.c_str() + line.find(':') + 1);
        return sum;
    }
    long peakKiB() const { return kib("status", "VmHWM:"); }
    // Pages of its own, not shared with another process (library code read
    // from disk is shared, and counted in the peak).
    long privateKiB() const { return kib("smaps_rollup", "Private_"); }
    void stop()
    {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
};

// Waits (at most limit) until done(); false when it did not come to that.
template <typename Done>
bool await(Done done, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// Waits until the window has given every release and its trace has not grown
// for three seconds: the game is over (its last boxes wait for a person).
bool awaitTheEnd(const Window& window, std::size_t releases)
{
    if (!await([&] { return window.times("release").size() >= releases; }, std::chrono::seconds(900)))
        return false;
    std::uintmax_t size = 0;
    int quiet = 0;
    return await(
        [&] {
            const std::uintmax_t now = fs::file_size(window.folder / "trace");
            quiet = now == size ? quiet + 1 : 0;
            size = now;
            return quiet >= 30;
        },
        std::chrono::seconds(120));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: network_windows PLAY_FOLDER\n");
        return 2;
    }
    const fs::path play = argv[1];
    char made[] = "/tmp/korvalo-windows-XXXXXX";
    if (!::mkdtemp(made))
        return 1;
    const fs::path folder = made;
    int clicks = 0;
    const std::string script = blackClicks(&clicks);
    std::ofstream(folder / "game.txt") << script;
    const std::string port = std::to_string(47600 + ::getpid() % 1000);

    // The host replays from a pipe that the bench fills once the three
    // windows have joined and painted, so that all of the game is played live.
    const fs::path pipe = folder / "pipe";
    ::mkfifo(pipe.c_str(), 0600);
    Window host;
    host.start(play, folder / "host",
               {"--host", "--no-port-mapping", "--port", port, "--code", "bench", "--replay", pipe.string()});
    bool ok = await([&] { return !host.times("paint").empty(); }, std::chrono::seconds(30));
    std::array<Window, 3> joined;
    for (std::size_t i = 0; i < joined.size() && ok; ++i) {
        joined[i].start(play, folder / ("joined" + std::to_string(i)),
                        {"--join", "127.0.0.1:" + port, "--code", "bench"});
        ok = await([&] { return !joined[i].times("paint").empty(); }, std::chrono::seconds(30));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int writer = ok ? ::open(pipe.c_str(), O_WRONLY) : -1;
    ok = writer >= 0 && ::write(writer, script.data(), script.size()) == static_cast<ssize_t>(script.size());
    if (writer >= 0)
        ::close(writer);
    ok = ok && awaitTheEnd(host, static_cast<std::size_t>(clicks));
    // Every joined window's presses, matched with the host's in order.
    std::vector<double> delays;
    const std::vector<long long> sent = host.times("press");
    for (const Window& window : joined) {
        ok = ok && await([&] { return window.times("press").size() >= sent.size(); }, std::chrono::seconds(60));
        const std::vector<long long> heard = window.times("press");
        for (std::size_t k = 0; k < std::min(sent.size(), heard.size()); ++k)
            delays.push_back((heard[k] - sent[k]) / 1e6);
    }
    const long hostPeak = host.peakKiB();
    const long hostPrivate = host.privateKiB();
    std::array<long, 3> joinedPeaks{};
    for (std::size_t i = 0; i < joined.size(); ++i)
        joinedPeaks[i] = joined[i].peakKiB();
    for (Window& window : joined)
        window.stop();
    host.stop();

    Window plain;
    plain.start(play, folder / "plain", {"--replay", (folder / "game.txt").string()});
    ok = ok && awaitTheEnd(plain, static_cast<std::size_t>(clicks));
    const long plainPeak = plain.peakKiB();
    const long plainPrivate = plain.privateKiB();
    plain.stop();

    std::printf("one game of one person on black: %d clicks, replayed at the hosting window\n", clicks);
    if (!delays.empty())
        std::printf("a press reaching each of 3 joined windows: median %.2f ms, at most %.2f ms (%zu presses)\n",
                    median(delays), *std::max_element(delays.begin(), delays.end()), delays.size());
    std::printf("peak KiB: hosting window %ld, plain window %ld (%+ld KiB), joined windows %ld, %ld, %ld\n", hostPeak,
                plainPeak, hostPeak - plainPeak, joinedPeaks[0], joinedPeaks[1], joinedPeaks[2]);
    std::printf("private KiB at the end: hosting window %ld, plain window %ld (%+ld KiB)\n", hostPrivate, plainPrivate,
                hostPrivate - plainPrivate);
    if (!ok)
        std::printf("SOMETHING DID NOT COME TO ITS END: the figures are not to be trusted (see %s)\n", made);
    else
        fs::remove_all(folder);
    return ok ? 0 : 1;
}
