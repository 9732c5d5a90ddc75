#include "support/game_driver.h"

#include <QDir>
#include <gtest/gtest.h>

#include "rules/legality.h"

namespace korvalo::testing {

TemporaryWorkingFolder::TemporaryWorkingFolder() : previous_(QDir::currentPath())
{
    EXPECT_TRUE(dir_.isValid());
    QDir::setCurrent(dir_.path());
}

TemporaryWorkingFolder::~TemporaryWorkingFolder()
{
    QDir::setCurrent(previous_);
}

std::string TemporaryWorkingFolder::file(const std::string& name) const
{
    return (dir_.path() + "/" + QString::fromStdString(name)).toStdString();
}

void clickSquare(Form1& form, int column, int row, int button)
{
    form.Form_MouseDown(button, 0, squareX(column), squareY(row));
    form.Form_MouseUp(button, 0, squareX(column), squareY(row));
}

std::vector<std::pair<int, int>> legalSquares(const GameState& s, int c)
{
    GameState copy = s;
    std::vector<std::pair<int, int>> out;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (置けるか(copy, x, y, c) == trueValue)
                out.push_back({x, y});
    return out;
}

int playOut(TestGame& game)
{
    int presses = 0;
    while (game.s.turnColour != noneValue && !game.ui.ended) {
        if (++presses > 400) {
            ADD_FAILURE() << "the game did not end\n" << boardText(game.s.board);
            break;
        }
        const auto squares = legalSquares(game.s, game.s.turnColour);
        if (squares.empty())
            clickSquare(game.form, 1, 1);
        else
            clickSquare(game.form, squares.front().first, squares.front().second);
    }
    return presses;
}

}  // namespace korvalo::testing

#include <fstream>

namespace korvalo::testing {

namespace {
void put32(std::ofstream& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put16(std::ofstream& out, uint16_t v)
{
    out.put(static_cast<char>(v & 0xFF));
    out.put(static_cast<char>(v >> 8));
}
}  // namespace

void writeWaveFile(const std::string& path, int samples)
{
    std::ofstream out(path, std::ios::binary);
    const uint32_t dataBytes = static_cast<uint32_t>(samples) * 2;
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);      // PCM
    put16(out, 1);      // mono
    put32(out, 44100);  // samples per second
    put32(out, 88200);  // bytes per second
    put16(out, 2);      // block align
    put16(out, 16);     // bits per sample
    out.write("data", 4);
    put32(out, dataBytes);
    for (int i = 0; i < samples; ++i)
        put16(out, static_cast<uint16_t>((i % 50) * 400));
}

void writeGameWaveFiles()
{
    for (const char* name : {"その他.wav", "禁止.wav", "石打音.wav", "BGM.wav"})
        writeWaveFile(name);
}

LoadedGame::LoadedGame(bool withWaveFiles)
{
    if (withWaveFiles)
        writeGameWaveFiles();
    game.form.Form_Load();
    game.clear();
}

}  // namespace korvalo::testing
