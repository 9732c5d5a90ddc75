// Network games between four headless peers on loopback (bench/network.sh
// runs it): one whole four-person game, each colour's clicks played by its
// own korvalo-script peer (a host and three joined), repeated GAMES times in
// one session. Prints the time per game and per move (the game's pauses take
// no time in the driver, so what a move costs is the network and the game's
// own work), and each peer's peak memory after 10 games and after GAMES.
//
//   network_games [--games N]
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "flow/form1.h"
#include "platform/recording/recording_platform.h"
#include "first_square.h"

namespace {

using namespace korvalo;

struct Game {
    std::array<std::string, 5> mine;  // each colour's clicks
    int moves = 0;
};

// At each turn the colour to move clicks its first legal square in scan
// order, or a1 to pass.
Game fourPersonGame()
{
    RecordingPlatform ui;
    ui.keepLines = false;
    Form1 form(ui, nullptr);
    form.Form_Load();
    form.PLAY_4_Click();
    Game game;
    for (int n = 0; form.state().turnColour != noneValue && n < 200; ++n) {
        const int colour = form.state().turnColour;
        game.mine[colour] += bench::clickFirstSquare(form);
        ++game.moves;
    }
    return game;
}

struct Run {
    double seconds = 0;
    std::array<long, 4> peaks{};  // KiB: host, blue, white, red
    bool ok = true;
};

pid_t spawn(const std::vector<std::string>& args, const std::string& out)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen((out + ".err").c_str(), "w", stderr))
            std::_Exit(127);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    return pid;
}

Run play(const Game& game, int games, const std::string& folder, int port)
{
    const char* names[] = {"", "black", "blue", "white", "red"};
    std::array<std::string, 5> scripts;
    scripts[black] = "wait players 4\n";
    for (int g = 0; g < games; ++g) {
        scripts[black] += "menu PLAY_4\n" + game.mine[black] + "wait end\n";
        for (int c : {blue, white, red})
            scripts[c] += game.mine[c] + "wait end\n";
    }
    const auto start = std::chrono::steady_clock::now();
    std::array<pid_t, 5> pids{};
    for (int c = black; c <= red; ++c) {
        const std::string dir = folder + "/" + names[c];
        std::ofstream(dir + ".txt") << scripts[c];
        ::mkdir(dir.c_str(), 0700);
        std::vector<std::string> args{KORVALO_SCRIPT, "--no-sound-library", "--dir", dir};
        if (c == black)
            args.insert(args.end(), {"--host", "--port", std::to_string(port), "--code", "bench"});
        else
            args.insert(args.end(), {"--join", "127.0.0.1:" + std::to_string(port), "--code", "bench", "--seat", names[c]});
        args.push_back(dir + ".txt");
        pids[c] = spawn(args, dir + ".out");
        if (c == black)
            ::usleep(300 * 1000);  // the host listens before the others join
    }
    Run run;
    for (int c = black; c <= red; ++c) {
        int status = 0;
        rusage usage{};
        ::wait4(pids[c], &status, 0, &usage);
        run.ok = run.ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.peaks[c - 1] = usage.ru_maxrss;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

}  // namespace

int main(int argc, char** argv)
{
    int games = 100;
    if (argc == 3 && std::string(argv[1]) == "--games")
        games = std::atoi(argv[2]);
    if (games < 10) {
        std::fprintf(stderr, "usage: network_games [--games N], N at least 10\n");
        return 2;
    }
    char folder[] = "/tmp/korvalo-network-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const Game game = fourPersonGame();
    const int port = 47500 + ::getpid() % 1000;
    const Run ten = play(game, 10, folder, port);
    const Run many = play(game, games, folder, port + 1);
    std::printf("one game: %d moves between four headless peers on loopback\n", game.moves);
    for (const auto& [run, n] : {std::pair{&ten, 10}, std::pair{&many, games}}) {
        std::printf("%5d games: %s, %.1f ms a game, %.2f ms a move; peak KiB host %ld, blue %ld, white %ld, red %ld\n",
                    n, run->ok ? "all peers ended well" : "A PEER FAILED", 1000 * run->seconds / n,
                    1000 * run->seconds / (n * game.moves), run->peaks[0], run->peaks[1], run->peaks[2],
                    run->peaks[3]);
    }
    std::printf("growth from 10 to %d games: host %+ld KiB, joined peers at most %+ld KiB\n", games,
                many.peaks[0] - ten.peaks[0],
                std::max({many.peaks[1] - ten.peaks[1], many.peaks[2] - ten.peaks[2], many.peaks[3] - ten.peaks[3]}));
    std::string clean = std::string("rm -rf ") + folder;
    return std::system(clean.c_str()) == 0 && ten.ok && many.ok ? 0 : 1;
}
