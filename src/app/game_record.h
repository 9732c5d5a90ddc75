#pragma once
// Keeps a game: writes every input the game handles to a script file in the
// language korvalo-script runs, one line each, as soon as the game has handled
// it, after an answer line with the answers the person gave to the message
// boxes that its handling opened. Each line reaches the disk before the next
// input is taken, so a game ended by Esc, a crash or a power cut keeps every
// input handled before it.
#include <QFile>
#include <QString>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace korvalo {

class GameRecord {
public:
    // Creates the file and writes its first line. An existing file is never
    // written over: the record then goes to the first free name with a number
    // before the suffix (game-1.txt, game-2.txt, ...). opened receives the
    // name used; false with a message when no file can be made.
    bool open(const QString& path, QString* opened, QString* error);

    // Brackets the handling of one input: answers given in between belong to
    // it, and its line is written when it has been handled.
    void begin();
    void answered(Answer answer);
    void handled(const std::string& line);

private:
    bool write(const std::string& text);

    QFile file_;
    std::vector<Answer> answers_;
    bool failed_ = false;
};

}  // namespace korvalo
