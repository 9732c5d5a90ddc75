#pragma once
// Keeps a game: writes every input the game handles to a script file in the
// language korvalo-script runs, one line each, as soon as the game has handled
// it, after an answer line with the answers the person gave to the message
// boxes that its handling opened. Each line reaches the disk before the next
// input is taken, so a game ended by Esc, a crash or a power cut keeps every
// input handled before it.
#include <QString>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace korvalo {

class GameRecord {
public:
    GameRecord() = default;
    GameRecord(const GameRecord&) = delete;
    GameRecord& operator=(const GameRecord&) = delete;
    ~GameRecord();

    // Creates the file and writes its first line. The name is taken as the
    // system gives it, any bytes a file name may hold. An existing file is
    // never written over: the record then goes to the first free name with a
    // number before the suffix (game-1.txt, game-2.txt, ...). A folder, or a
    // name ending in "/", is refused. opened receives the name used; false
    // with a message when no file can be made.
    bool open(const std::string& path, std::string* opened, std::string* error);

    // Brackets the handling of one input: answers given in between belong to
    // it, and its line is written when it has been handled. When a write
    // fails (a full disk, or the file or its folder was removed), recording
    // stops; what was written before stays as it was.
    void begin();
    void answered(Answer answer);
    // A square a strong computer played while the input was handled: written
    // before the input, so that a replay has it when the input runs.
    void computerChose(int column, int row);
    void handled(const std::string& line);

    bool failed() const { return failed_; }
    // Why recording stopped, in the words a window shows (Japanese; the log
    // has the system's own), given out once: true the first time after a
    // failure.
    bool takeFailure(QString* why);

private:
    bool write(const std::string& text);

    int fd_ = -1;
    std::string name_;
    std::vector<Answer> answers_;
    std::string squares_;  // computer lines of the input being handled
    bool failed_ = false;
    bool failureTaken_ = false;
    std::string failure_;
    QString failureForWindow_;
};

}  // namespace korvalo
