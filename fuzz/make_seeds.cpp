// Writes the seed corpus of the fuzz targets into the folder given on the
// command line (fuzz/corpus): settings files in Shift_JIS, and small wave
// images, sound and damaged, for both the wave check and the sound library;
// lines of the network protocol; the sessions a host and a joining window
// see; and join links.
// Every byte is built here, so the seeds are the same on every run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "sound/wave_builder.h"

namespace fs = std::filesystem;
using namespace korvalo::testing;
using namespace std::string_literals;

namespace {

// The three keys in Shift_JIS. 表 is 0x95 0x5C: its second byte is "\".
const std::string tejyun = "\x8E\xE8\x8F\x87\x94\xD4\x8D\x86\x95\x5C\x8E\xA6";  // 手順番号表示
const std::string aicon = "\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6";                    // ｱｲｺﾝ表示 (half-width)
const std::string bgm = "BGM";

const std::string fullWidthBgm = "\x82\x61\x82\x66\x82\x6C";                          // ＢＧＭ
const std::string fullWidthAicon = "\x83\x41\x83\x43\x83\x52\x83\x93\x95\x5C\x8E\xA6";  // アイコン表示

std::string crlf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

using Seeds = std::vector<std::pair<std::string, std::string>>;

Seeds settingsSeeds()
{
    return {
        {"first_start.ini", crlf({tejyun + "=NG", aicon + "=NG", bgm + "=OK"})},
        {"all_ok.ini", crlf({tejyun + "=OK", aicon + "=OK", bgm + "=OK"})},
        {"all_ng.ini", crlf({tejyun + "=NG", aicon + "=NG", bgm + "=NG"})},
        {"fallback.ini", crlf({tejyun + "=NG", aicon + "=OK", bgm + "=NG"})},
        {"lf_no_last_newline.ini", tejyun + "=OK\n" + aicon + "=NG\n" + bgm + "=NG"},
        {"reordered_with_others.ini",
         crlf({"[Korvalo]", bgm + "=NG", "Volume=80", "", tejyun + "=OK", "; " + aicon + "=NG"})},
        {"key_carried_on.ini", crlf({bgm + "=NG", "=OK", "NG", "OK", aicon + "=", "=NG"})},
        {"key_twice.ini", crlf({bgm + "=OK", bgm + "=NG", tejyun + "=NG", tejyun + "=OK"})},
        {"case_width_blanks.ini",
         crlf({fullWidthBgm + "=OK", "bgm=NG", bgm + "=ok", bgm + " =NG", bgm + "= NG", fullWidthAicon + "=NG",
               tejyun + "=OK=OK"})},
        {"broken_shift_jis.ini", crlf({bgm + "=NG\x81", tejyun + "=OK\x80", aicon + "=N\xFDG", "\x95=OK", bgm + "=OK"})},
        {"bare_cr.ini", bgm + "=NG\r" + aicon + "=NG\r\n\r\n\r\r\n" + tejyun + "=OK\r"},
        {"empty.ini", ""},
    };
}

Seeds waveSeeds()
{
    const std::vector<int16_t> ramp{0, 1000, 2000, 3000, -3000, -2000, -1000, 0,
                                    500, 1500, 2500, 3500, -3500, -2500, -1500, -500};
    const std::string fmt16 = chunk("fmt ", fmtBody(1, 22050, 16));
    const std::string data16 = chunk("data", pcmBody(ramp));
    const std::string sound = pcmWave(ramp);

    std::string bytes8;  // three 8-bit samples: an odd body with its pad byte
    bytes8 += '\x80';
    bytes8 += '\xC0';
    bytes8 += '\x40';

    Seeds seeds{
        {"pcm16_mono.wav", sound},
        {"pcm16_stereo_44100.wav", pcmWave(ramp, 44100, 2)},
        {"pcm8_mono_odd_data.wav", riffWave(chunk("fmt ", fmtBody(1, 11025, 8)) + chunk("data", bytes8))},
        {"list_before_fmt.wav", riffWave(chunk("LIST", "INFOISFT\x05\0\0\0Korva"s) + fmt16 + data16)},
        {"data_before_fmt.wav", riffWave(data16 + fmt16)},
        {"float32.wav", riffWave(chunk("fmt ", fmtBody(1, 8000, 32, 3)) + chunk("data", std::string(16, '\0')))},
        {"mulaw.wav", riffWave(chunk("fmt ", fmtBody(1, 8000, 8, 7)) + chunk("data", "\xFF\x7F\x00\x80"s))},
        {"fmt_extended.wav",
         riffWave(chunk("fmt ", fmtBody(1, 22050, 16) + std::string("\x00\x00", 2)) + data16)},
    };

    // The last pad byte left out, as many writers do: the RIFF size ends at
    // the odd data body.
    std::string noPad = riffWave(chunk("fmt ", fmtBody(1, 11025, 8)) + chunk("data", bytes8));
    noPad.pop_back();
    set32(noPad, 4, static_cast<uint32_t>(noPad.size() - 8));
    seeds.emplace_back("no_last_pad.wav", noPad);

    // Damaged images.
    seeds.emplace_back("cut_in_data.wav", sound.substr(0, sound.size() - 9));
    seeds.emplace_back("cut_in_header.wav", sound.substr(0, 10));
    std::string huge = sound;
    set32(huge, 4, 0xFFFFFFFFu);
    seeds.emplace_back("riff_size_max.wav", huge);
    std::string tiny = sound;
    set32(tiny, 4, 4);
    seeds.emplace_back("riff_size_header_only.wav", tiny);
    std::string overlong = sound;
    set32(overlong, 40, 0x7FFFFFF0u);  // the data chunk's length
    seeds.emplace_back("data_past_end.wav", overlong);
    seeds.emplace_back("fmt_short.wav", riffWave(chunk("fmt ", fmtBody(1, 22050, 16).substr(0, 14)) + data16));
    seeds.emplace_back("no_data.wav", riffWave(fmt16 + chunk("fact", std::string(4, '\0'))));
    seeds.emplace_back("no_fmt.wav", riffWave(data16));
    seeds.emplace_back("no_channels.wav", riffWave(chunk("fmt ", fmtBody(0, 22050, 16)) + data16));
    seeds.emplace_back("rate_zero.wav", riffWave(chunk("fmt ", fmtBody(1, 0, 16)) + data16));
    std::string rifx = sound;
    rifx[3] = 'X';
    seeds.emplace_back("rifx.wav", rifx);
    std::string notWave = sound;
    notWave.replace(8, 4, "AVI ");
    seeds.emplace_back("riff_avi.wav", notWave);
    seeds.emplace_back("empty.wav", "");

    // 8-bit mono at 1 Hz. Played at 44100 Hz stereo, every byte becomes about
    // 700 KB while the sound is converted: these sizes overflow 32 bits
    // (6087 bytes: to a small positive size, 4000: to a negative one) or ask
    // for more than a gigabyte (20000).
    for (const auto& [name, length] : {std::pair{"rate1_conversion_wraps_small.wav", 6087},
                                       std::pair{"rate1_conversion_wraps_negative.wav", 4000},
                                       std::pair{"rate1_conversion_over_1gb.wav", 20000}}) {
        std::string samples;
        for (int i = 0; i < length; ++i)
            samples += static_cast<char>(0x80 + (i % 64) - 32);
        seeds.emplace_back(name, riffWave(chunk("fmt ", fmtBody(1, 1, 8)) + chunk("data", samples)));
    }
    return seeds;
}

// What the two sides of a network game say, a conversation a seed, and a few
// lines that are no message; the first byte sets the size of the pieces the
// target reads them in.
Seeds protocolSeeds()
{
    Seeds seeds = {
        {"greeting", "hello korvalo 1 1.0 baki-dome-furo-nisa any\nping\nmove press 3235 2305\nmove release 3235 2305\n"
                     "bye\n"},
        {"host", "welcome\ninput host menu PLAY_4\ninput host press 3235 2305 right\ninput blue release 1.5 -2\n"
                 "seat blue\nplayers 4\ncaught-up\nanswer Yes\nleft white\ninput host key 13\nend No\n"},
        {"refusals", "refused a wrong code\nrefused wait 30\nrefused wait 0\nend\n"},
        {"not_messages", "input host close\nmove click 1 1\nmove press 1e308 0\nplayers 99\nseat any\n\n\r\n"
                         "\x1b]0;t\x07\n\xff\xfe\n"},
    };
    for (auto& [name, bytes] : seeds)
        bytes.insert(0, "\x07");
    return seeds;
}

// The pieces of a host target's input: text on a stream (0 to 2 a window, 3
// the host's person) in pieces of at most 63 bytes, and a window hanging up.
std::string onStream(int stream, const std::string& text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size(); at += 63) {
        const std::string piece = text.substr(at, 63);
        out += static_cast<char>((piece.size() - 1) * 4 + static_cast<std::size_t>(stream));
        out += piece;
    }
    return out;
}
std::string hangUp(int stream)
{
    return std::string(1, static_cast<char>(63 * 4 + stream));
}

// A press and release at the middle of each square, as a window sends them,
// or as the host's person clicks.
std::string everySquare(bool window)
{
    std::string out;
    for (int row = 1; row <= 9; ++row)
        for (int column = 1; column <= 9; ++column) {
            const std::string at = std::to_string(400 + column * 630 + 315) + " " + std::to_string(100 + row * 630 + 315);
            out += window ? "move press " + at + "\nmove release " + at + "\n"
                          : "click " + std::to_string(column) + " " + std::to_string(row) + "\n";
        }
    return out;
}

// A game as windows and the host's person play it: greetings right and
// wrong, a game of four persons with every square tried by each colour in
// turn, a window that leaves and comes back, the host's options, and
// strangers.
Seeds hostSeeds()
{
    const std::string hello = "hello korvalo 1 " KORVALO_VERSION " ";
    std::string game = onStream(0, hello + "tesuto any\n") + onStream(1, hello + "guess any\n") + hangUp(1) +
                       onStream(1, hello + "tesuto white\n") + onStream(2, hello + "tesuto watch\n") +
                       onStream(3, "menu PLAY_4\n");
    for (int round = 0; round < 2; ++round)
        game += onStream(3, everySquare(false)) + onStream(0, everySquare(true)) + onStream(1, everySquare(true));
    std::string rejoin = onStream(0, hello + "tesuto blue\n") + onStream(3, "menu PLAY_4\nclick 4 4\n") +
                         onStream(0, "move press 3235 2305\n") + hangUp(0) + onStream(0, hello + "tesuto blue\n") +
                         onStream(0, "move release 3235 2305\nmove press 3235 2305\nbye\n");
    std::string options = onStream(0, hello + "tesuto any\n") +
                          onStream(3, "menu TEJYUN\nmenu AICON\nmenu BGM\nmenu JYUNBAN_2\nmenu PLAY_TOIMEN\n"
                                      "menu SAISYO\nmenu MODORU\nmenu SUSUMU\nkey 13\nanswer No\nmenu EXIT\n");
    std::string strangers = onStream(0, "ping\n\n\x1b]0;t\x07\n") + onStream(1, hello + "tesuto red") + hangUp(1) +
                            onStream(2, std::string(70, 'x')) + onStream(2, "\xff\xfe\n") +
                            onStream(0, "hello korvalo 9 0.1 tesuto any\n");
    return {{"game", game}, {"rejoin", rejoin}, {"options", options}, {"strangers", strangers}};
}

// What a host says to a joining window, after the seat byte; the pieces are
// of 64 bytes at most (a first byte below 0xC0), with the person's clicks
// between them.
Seeds joinSeeds()
{
    auto pieces = [](const std::string& text) {
        std::string out;
        for (std::size_t at = 0; at < text.size(); at += 64) {
            const std::string piece = text.substr(at, 64);
            out += static_cast<char>(piece.size() - 1);
            out += piece;
        }
        return out;
    };
    std::string moves;
    for (int row = 2; row <= 8; row += 3)
        for (int column = 2; column <= 8; column += 3)
            moves += "input host press " + std::to_string(400 + column * 630 + 315) + " " +
                     std::to_string(100 + row * 630 + 315) + "\ninput host release 1 1\n";
    const std::string welcome = "welcome\ninput host computer strong\ninput host menu PLAY_4\n" + moves +
                                "input host computer 3 4\ncaught-up\nseat blue\nplayers 3\n";
    return {
        {"welcome_with_history", "\x0a" + pieces(welcome) + "\xc9\xd2" +
                                     pieces("input blue press 3235 2305\ninput blue release 3235 2305\n"
                                            "answer Yes\nleft white\nseat black\nend No\n")},
        {"refused", std::string(1, '\0') + pieces("refused a wrong code\n")},
        {"refused_wait", "\x05" + pieces("refused wait 30\n")},
        {"host_ends", "\x02" + pieces("welcome\ncaught-up\nseat blue\ninput host menu PLAY_4\n") + "\xdb\xff"},
        {"not_a_host", "\x01" + pieces("HTTP/1.1 200 OK\r\n\r\n") + "\xff"},
    };
}

// Join links, read and malformed.
Seeds joinLinkSeeds()
{
    return {
        {"ipv4", "korvalo://192.0.2.7:47119/baki-dome-furo-nisa"},
        {"ipv6", "korvalo://[2001:db8::7]:5000/tesuto"},
        {"name_no_port", "KORVALO://example.org/%E3%81%82%20b"},
        {"idn", "korvalo://b\xc3\xbc" "cher.example:1/x"},
        {"bidi", "korvalo://a:1/%E2%80%AEgnp.exe"},
        {"parts", "korvalo://u@h:99999/a/b?q#f"},
    };
}

bool writeSeeds(const fs::path& folder, const Seeds& seeds)
{
    fs::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    const Seeds waves = waveSeeds();
    const bool ok = writeSeeds(corpus / "settings", settingsSeeds()) && writeSeeds(corpus / "wave_image", waves) &&
                    writeSeeds(corpus / "sound_library", waves) && writeSeeds(corpus / "protocol", protocolSeeds()) &&
                    writeSeeds(corpus / "host", hostSeeds()) && writeSeeds(corpus / "join", joinSeeds()) &&
                    writeSeeds(corpus / "join_link", joinLinkSeeds());
    return ok ? 0 : 1;
}
