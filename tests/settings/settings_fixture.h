#pragma once
// A game on the recording platform whose working folder is a fresh empty
// folder, as at start-up: the music loops and only BGM carries its mark.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "support/test_game.h"

namespace korvalo::testing {

// The UTF-8 text in Shift_JIS, by glibc's converter rather than Qt's, to make
// the files the game reads.
std::string sjis(const std::string& utf8);
// Bytes as upper-case hex pairs separated by blanks: "8E E8 3D".
std::string hex(const std::string& bytes);

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Start-up's reading of the settings file.
    void load();
    // Sets the three check marks and forgets the recorded lines.
    void setMarks(bool moveNumbers, bool icons, bool music);
    // The check marks as "TEJYUN=0 AICON=0 BGM=1".
    std::string marks() const;
    // The lines recorded when the game reads a file of these bytes with the
    // start-up marks in force.
    std::vector<std::string> readBack(const std::string& bytes);

    void put(const std::string& bytes);  // Korvalo.ini, raw
    std::string fileBytes() const;
    std::vector<std::string> entries() const;  // names in the working folder

    QTemporaryDir folder;
    QString previous;
    TestGame g;
};

}  // namespace korvalo::testing
