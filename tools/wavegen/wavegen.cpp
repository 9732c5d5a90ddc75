// Makes the game's four sounds and writes them as 16-bit mono PCM wave files
// into the folder given on the command line:
//   その他.wav  a short bright chime (the about box)
//   禁止.wav    a short low buzz (refusals)
//   石打音.wav  the crisp wooden click of a stone set down
//   BGM.wav     a few bars of music that loop without a seam
// Everything is computed from fixed numbers, so every build makes the same
// bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr double pi = 3.14159265358979323846;
constexpr double twoPi = 2 * pi;

using Samples = std::vector<double>;

int frames(double seconds) { return static_cast<int>(std::lround(seconds * rate)); }

double midiToHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// A small linear congruential generator: the same noise on every build.
class Noise {
public:
    double next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;  // -1 .. 1
    }

private:
    uint32_t state_ = 12345u;
};

// Half a cosine from 0 to 1 as x goes from 0 to 1: a fade without a corner.
double smoothStep(double x) { return 0.5 - 0.5 * std::cos(pi * std::clamp(x, 0.0, 1.0)); }

// Rises over `attack` seconds and falls to zero over the last `release`
// seconds, so a sound never starts or ends with a step.
void fadeEdges(Samples& s, double attack, double release)
{
    const int a = std::max(1, frames(attack));
    const int r = std::max(1, frames(release));
    const int n = static_cast<int>(s.size());
    for (int i = 0; i < n; ++i) {
        double g = 1.0;
        if (i < a)
            g = std::min(g, smoothStep(static_cast<double>(i) / a));
        if (i >= n - r)
            g = std::min(g, smoothStep(static_cast<double>(n - 1 - i) / r));
        s[i] *= g;
    }
}

void normalize(Samples& s, double peak)
{
    double most = 0;
    for (double v : s)
        most = std::max(most, std::abs(v));
    if (most > 0)
        for (double& v : s)
            v *= peak / most;
}

// Adds a sound into a loop of fixed length: what runs past the end comes in
// again at the start, as it does when the loop repeats.
void addWrapped(Samples& loop, int start, const Samples& sound)
{
    const int n = static_cast<int>(loop.size());
    for (std::size_t i = 0; i < sound.size(); ++i)
        loop[(start + static_cast<int>(i)) % n] += sound[i];
}

// ---- その他.wav: two bell strokes, the second a fifth above the first.
Samples bellStroke(double hz, double seconds)
{
    // Partials of a small bell: the fundamental, the octave and a few
    // slightly inharmonic overtones that die away faster.
    struct Partial {
        double ratio, gain, decay;
    };
    static const Partial partials[] = {
        {1.0, 1.0, 0.25}, {2.0, 0.45, 0.16}, {3.01, 0.25, 0.09}, {4.17, 0.12, 0.06}, {5.43, 0.06, 0.04}};
    Samples s(frames(seconds));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        for (const Partial& p : partials)
            v += p.gain * std::exp(-t / p.decay) * std::sin(twoPi * hz * p.ratio * t);
        s[i] = v;
    }
    fadeEdges(s, 0.004, 0.06);
    return s;
}

Samples chime()
{
    Samples s(frames(1.0));
    const Samples low = bellStroke(midiToHz(84), 0.89);   // C6
    const Samples high = bellStroke(midiToHz(91), 0.89);  // G6
    const int second = frames(0.11);
    for (std::size_t i = 0; i < low.size(); ++i)
        s[i] += 0.8 * low[i];
    for (std::size_t i = 0; i < high.size() && second + i < s.size(); ++i)
        s[second + i] += high[i];
    fadeEdges(s, 0.001, 0.06);
    normalize(s, 0.7);
    return s;
}

// ---- 禁止.wav: a low, slightly rough tone with a quick fall at the end.
Samples buzz()
{
    Samples s(frames(0.3));
    const double hz = midiToHz(43);  // G2, about 98 Hz
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        // A sawtooth built from its harmonics up to about 3 kHz, rolled off a
        // little faster than 1/k so it buzzes without hissing; a second voice
        // a few hertz off gives the roughness.
        for (int k = 1; hz * k < 3000; ++k) {
            const double gain = std::pow(k, -1.3);
            v += gain * std::sin(twoPi * hz * k * t);
            v += 0.6 * gain * std::sin(twoPi * (hz + 3.5) * k * t + 0.7 * k);
        }
        s[i] = v;
    }
    fadeEdges(s, 0.006, 0.06);
    normalize(s, 0.6);
    return s;
}

// ---- 石打音.wav: a hard stone on a wooden board: a short noisy impact and
// a few quickly damped resonances of the board.
Samples stoneClick()
{
    struct Mode {
        double hz, gain, decay;
    };
    static const Mode modes[] = {
        {190, 0.35, 0.018}, {1150, 1.0, 0.011}, {2250, 0.75, 0.007}, {3650, 0.5, 0.004}, {5200, 0.3, 0.0025}};
    Samples s(frames(0.09));
    Noise noise;
    double previous = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        for (const Mode& m : modes)
            v += m.gain * std::exp(-t / m.decay) * std::sin(twoPi * m.hz * t);
        // The impact: bright noise (first difference of white noise) that is
        // gone within a few milliseconds.
        const double white = noise.next();
        v += 0.9 * std::exp(-t / 0.0012) * (white - previous);
        previous = white;
        s[i] = v;
    }
    fadeEdges(s, 0.0003, 0.008);
    normalize(s, 0.85);
    return s;
}

// ---- BGM.wav: eight bars in C major at 100 beats a minute over
// C - Am - F - G, twice: a plucked melody, a soft chord pad and a bass,
// with a light echo. Everything is laid into the loop with wrap-around, so
// the end runs into the start exactly as the middle runs on.
constexpr double beat = 0.6;  // seconds

struct Note {
    double start, length;  // beats
    int pitch;             // MIDI note number
};

Samples pluck(double hz, double seconds, double brightness)
{
    Samples s(frames(seconds + 0.35));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = std::exp(-t / 0.45) * std::sin(twoPi * hz * t) +
                   brightness * std::exp(-t / 0.18) * std::sin(twoPi * 2 * hz * t) +
                   0.4 * brightness * std::exp(-t / 0.08) * std::sin(twoPi * 3 * hz * t);
        // Let go at the end of the note, with a short release.
        if (t > seconds)
            v *= std::exp(-(t - seconds) / 0.06);
        s[i] = v;
    }
    fadeEdges(s, 0.008, 0.05);
    return s;
}

Samples padTone(double hz, double seconds)
{
    Samples s(frames(seconds + 0.3));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        // Two voices a fraction apart make the chord breathe.
        double v = std::sin(twoPi * hz * 0.9985 * t) + std::sin(twoPi * hz * 1.0015 * t) +
                   0.15 * std::sin(twoPi * 2 * hz * t);
        double envelope = std::min(1.0, t / 0.12);
        if (t > seconds)
            envelope *= std::exp(-(t - seconds) / 0.1);
        s[i] = v * envelope;
    }
    fadeEdges(s, 0.01, 0.03);
    return s;
}

Samples music()
{
    static const Note melody[] = {
        // C
        {0, 1, 76}, {1, 1, 79}, {2, 1.5, 84}, {3.5, 0.5, 83},
        // Am
        {4, 1, 81}, {5, 1, 76}, {6, 1, 72}, {7, 1, 76},
        // F
        {8, 1, 77}, {9, 1, 81}, {10, 1, 84}, {11, 0.5, 81}, {11.5, 0.5, 79},
        // G
        {12, 1.5, 79}, {13.5, 0.5, 77}, {14, 1, 76}, {15, 1, 74},
        // C
        {16, 1, 76}, {17, 1, 79}, {18, 1, 84}, {19, 1, 86},
        // Am
        {20, 1.5, 88}, {21.5, 0.5, 86}, {22, 1, 84}, {23, 1, 81},
        // F
        {24, 1, 81}, {25, 1, 84}, {26, 1, 81}, {27, 1, 77},
        // G, leading back to the first note
        {28, 2, 79}, {30, 1, 71}, {31, 1, 74},
    };
    // Chord tones and bass root of each bar.
    struct Bar {
        int chord[3];
        int root;
    };
    static const Bar bars[] = {
        {{60, 64, 67}, 36}, {{57, 60, 64}, 45}, {{57, 60, 65}, 41}, {{59, 62, 67}, 43},
    };
    const int barsInLoop = 8;
    Samples loop(frames(barsInLoop * 4 * beat));
    const auto at = [](double beats) { return frames(beats * beat); };

    for (const Note& n : melody)
        addWrapped(loop, at(n.start), pluck(midiToHz(n.pitch), n.length * beat * 0.9, 0.35));
    for (int b = 0; b < barsInLoop; ++b) {
        const Bar& bar = bars[b % 4];
        Samples chord(frames(4 * beat));
        for (int tone : bar.chord) {
            const Samples s = padTone(midiToHz(tone), 4 * beat * 0.95);
            if (chord.size() < s.size())
                chord.resize(s.size());
            for (std::size_t i = 0; i < s.size(); ++i)
                chord[i] += 0.09 * s[i];
        }
        addWrapped(loop, at(4.0 * b), chord);
        // Bass: the root on beats one and three, the fifth on beat four.
        const Note bass[] = {{0, 1.8, bar.root}, {2, 0.9, bar.root}, {3, 0.9, bar.root + 7}};
        for (const Note& n : bass) {
            Samples s = pluck(midiToHz(n.pitch), n.length * beat, 0.2);
            for (double& v : s)
                v *= 0.55;
            addWrapped(loop, at(4.0 * b + n.start), s);
        }
    }

    // A soft echo half a beat later. Run round the loop twice so the echoes
    // of the end are heard at the start, as when the music repeats.
    const int delay = at(0.5);
    const double feedback = 0.22;
    Samples echoed = loop;
    const int n = static_cast<int>(loop.size());
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < n; ++i)
            echoed[i] = loop[i] + feedback * echoed[(i - delay + n) % n];
    normalize(echoed, 0.55);
    return echoed;
}

bool writeWave(const std::string& path, const Samples& samples)
{
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string bytes;
    const auto put32 = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto put16 = [&bytes](uint16_t v) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    };
    bytes += "RIFF";
    put32(36 + dataBytes);
    bytes += "WAVEfmt ";
    put32(16);
    put16(1);         // integer PCM
    put16(1);         // mono
    put32(rate);      // frames per second
    put32(rate * 2);  // bytes per second
    put16(2);         // bytes per frame
    put16(16);        // bits per sample
    bytes += "data";
    put32(dataBytes);
    for (double v : samples) {
        const long q = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        put16(static_cast<uint16_t>(static_cast<int16_t>(q)));
    }
    // Written beside the target and renamed into place, so an interrupted
    // build never leaves half a file that looks finished.
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const struct {
        const char* name;
        Samples samples;
    } sounds[] = {
        {"その他.wav", chime()},
        {"禁止.wav", buzz()},
        {"石打音.wav", stoneClick()},
        {"BGM.wav", music()},
    };
    for (const auto& sound : sounds) {
        const std::string path = folder + "/" + sound.name;
        if (!writeWave(path, sound.samples)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
