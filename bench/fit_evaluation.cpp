// Fits the evaluation's weights (computer/evaluation.h) to positions written
// by korvalo_computer_bench --positions: for each stage of the game, the
// softmax over the four colours of their weighed features that best predicts
// which colour ends first (least cross-entropy, by Adam over all positions at
// once). The last tenth of the positions is kept out of the fit and measured
// against guessing a quarter each. Prints computer/evaluation_weights.h.
//
//   korvalo_fit_evaluation POSITIONS... > src/computer/evaluation_weights.h
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "computer/evaluation.h"

namespace {

using korvalo::strong::features;
using korvalo::strong::stages;

struct Position {
    std::array<double, 4> first{};  // each colour's share of the first place
    std::array<std::array<double, features>, 4> f{};
};

using Vector = std::array<double, features>;

// The probabilities of the four colours under weights w.
std::array<double, 4> chances(const Position& p, const Vector& w)
{
    std::array<double, 4> s{};
    double best = -1e300;
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i < features; ++i)
            s[c] += w[i] * p.f[c][i];
        best = std::max(best, s[c]);
    }
    double total = 0;
    for (double& x : s)
        total += x = std::exp(x - best);
    for (double& x : s)
        x /= total;
    return s;
}

double crossEntropy(const std::vector<Position>& ps, const Vector& w)
{
    double loss = 0;
    for (const Position& p : ps) {
        const auto q = chances(p, w);
        for (int c = 0; c < 4; ++c)
            loss -= p.first[c] * std::log(std::max(q[c], 1e-12));
    }
    return ps.empty() ? 0 : loss / static_cast<double>(ps.size());
}

// The weights of one stage, fitted on features scaled to unit spread and
// scaled back.
Vector fit(std::vector<Position> ps)
{
    Vector mean{}, spread{};
    for (const Position& p : ps)
        for (const auto& f : p.f)
            for (int i = 0; i < features; ++i) {
                mean[i] += f[i];
                spread[i] += f[i] * f[i];
            }
    const double n = 4.0 * static_cast<double>(ps.size());
    for (int i = 0; i < features; ++i) {
        mean[i] /= n;
        spread[i] = std::sqrt(std::max(spread[i] / n - mean[i] * mean[i], 1e-9));
    }
    for (Position& p : ps)
        for (auto& f : p.f)
            for (int i = 0; i < features; ++i)
                f[i] = (f[i] - mean[i]) / spread[i];
    Vector w{}, m{}, v{};
    constexpr double rate = 0.05, beta1 = 0.9, beta2 = 0.999;
    for (int step = 1; step <= 400; ++step) {
        Vector g{};
        for (const Position& p : ps) {
            const auto q = chances(p, w);
            for (int c = 0; c < 4; ++c)
                for (int i = 0; i < features; ++i)
                    g[i] += (q[c] - p.first[c]) * p.f[c][i];
        }
        for (int i = 0; i < features; ++i) {
            g[i] = g[i] / static_cast<double>(ps.size()) + 1e-4 * w[i];
            m[i] = beta1 * m[i] + (1 - beta1) * g[i];
            v[i] = beta2 * v[i] + (1 - beta2) * g[i] * g[i];
            w[i] -= rate * (m[i] / (1 - std::pow(beta1, step))) / (std::sqrt(v[i] / (1 - std::pow(beta2, step))) + 1e-8);
        }
    }
    for (int i = 0; i < features; ++i)
        w[i] /= spread[i];
    return w;
}

}  // namespace

int main(int argc, char** argv)
{
    std::array<std::vector<Position>, stages> all;
    for (int a = 1; a < argc; ++a) {
        std::ifstream in(argv[a]);
        if (!in) {
            std::fprintf(stderr, "korvalo_fit_evaluation: cannot read %s\n", argv[a]);
            return 1;
        }
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            int stage = 0;
            Position p;
            words >> stage;
            for (double& x : p.first) {
                words >> x;
                x /= 12;
            }
            for (auto& f : p.f)
                for (double& x : f)
                    words >> x;
            if (!words || stage < 0 || stage >= stages) {
                std::fprintf(stderr, "korvalo_fit_evaluation: %s: a line that is not a position\n", argv[a]);
                return 1;
            }
            all[stage].push_back(p);
        }
    }
    std::printf("#pragma once\n// The evaluation's weights, fitted by bench/fit_evaluation on positions of\n"
                "// games the computer played against itself.\n#include \"computer/evaluation.h\"\n\n"
                "namespace korvalo::strong {\n\ninline constexpr Weights fittedWeights{{\n");
    for (int s = 0; s < stages; ++s) {
        std::vector<Position>& ps = all[s];
        const size_t kept = ps.size() - ps.size() / 10;
        const std::vector<Position> test(ps.begin() + static_cast<long>(kept), ps.end());
        ps.resize(kept);
        const Vector w = fit(ps);
        std::fprintf(stderr, "stage %d: %zu positions; cross-entropy on the %zu kept out: %.4f (a quarter each: %.4f)\n",
                     s, ps.size(), test.size(), crossEntropy(test, w), std::log(4.0));
        std::printf("    {");
        for (int i = 0; i < features; ++i)
            std::printf("%s%ld", i ? ", " : "", std::lround(w[i] * 256));
        std::printf("},\n");
    }
    std::printf("}};\n\n}  // namespace korvalo::strong\n");
    return 0;
}
