#pragma once
// Reading a program's command line with Qt's parser, the same way for both
// programs: --help and --version answer on standard output, a wrong option
// stops with the reason and the usage on standard error.
#include <QCommandLineParser>
#include <QString>
#include <string>

namespace korvalo {

enum class CommandLine {
    Run,    // go on with the options read
    Done,   // help or version printed: end with 0
    Wrong,  // reason and usage printed: end with 2
};

// Reads argv (without the options Qt has taken itself) into parser, which
// holds the program's own options; help and version are added here. Each
// argument is read byte for byte, so a file name in any encoding comes back
// unchanged through argumentBytes. A QCoreApplication must exist.
CommandLine readCommandLine(QCommandLineParser& parser, int argc, char** argv);

// The option --computer LEVEL of both programs: 1 to 5, standard (2) or
// strong (5).
QCommandLineOption computerOption();
// The level the option, as read into parser, asks for, standardLevel when it
// is not given; false with the reason when its value names no level.
bool readComputerOption(const QCommandLineParser& parser, const QCommandLineOption& option, int* level,
                        std::string* error);

// The bytes of an argument read by readCommandLine.
std::string argumentBytes(const QString& argument);

// Why a network game's join code cannot be used, empty when it can: it goes
// as one word of a line in UTF-8, so it holds no blank, is UTF-8, and has at
// least four characters, a guess away from none.
std::string joinCodeProblem(const std::string& code);
// What keeps a code, of a link or of --code, from being shown as plain text
// (not UTF-8, a blank, a control or format character, a line or paragraph
// separator), said after the word that names the code ("is not UTF-8");
// empty when nothing does.
std::string joinCodeCharacterProblem(const std::string& code);

}  // namespace korvalo
