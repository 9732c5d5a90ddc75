#include "script/command_line.h"

#include <QStringDecoder>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "computer/levels.h"

namespace korvalo {

CommandLine readCommandLine(QCommandLineParser& parser, int argc, char** argv)
{
    // Latin-1 maps every byte to one character and back: the system's own
    // decoding would turn bytes that are not UTF-8 into substitutes, and a
    // file name would then name another file. The options are ASCII.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s: %s\n%s", argv[0], argumentBytes(parser.errorText()).c_str(),
                     parser.helpText().toLocal8Bit().constData());
        return CommandLine::Wrong;
    }
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return CommandLine::Done;
    }
    if (parser.isSet(version)) {
        const char* slash = std::strrchr(argv[0], '/');
        std::printf("%s %s\n", slash ? slash + 1 : argv[0], KORVALO_VERSION);
        return CommandLine::Done;
    }
    return CommandLine::Run;
}

QCommandLineOption computerOption()
{
    return QCommandLineOption(QStringLiteral("computer"),
                              QStringLiteral("How well the computer colours play: <level> 1 (a beginner), 2 or "
                                             "standard (the square values, the default), 3 and 4 (a search of "
                                             "the game ahead, short and longer), 5 or strong (the strongest)."),
                              QStringLiteral("level"));
}

bool readComputerOption(const QCommandLineParser& parser, const QCommandLineOption& option, int* level,
                        std::string* error)
{
    *level = standardLevel;
    if (!parser.isSet(option))
        return true;
    const std::optional<int> named = levelOf(argumentBytes(parser.value(option)));
    if (!named) {
        *error = "--computer takes a level from 1 to 5, standard or strong";
        return false;
    }
    *level = *named;
    return true;
}

std::string argumentBytes(const QString& argument)
{
    return argument.toLatin1().toStdString();
}

std::string joinCodeCharacterProblem(const std::string& code)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(QByteArrayView(code.data(), static_cast<qsizetype>(code.size())));
    if (utf8.hasError())
        return "is not UTF-8";
    // A code is shown to the person (in a link's question, in the title):
    // what could reorder, hide or break the text around it is no part of one.
    for (const QChar c : text) {
        if (c.isSpace())
            return "may not hold a blank";
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph: return "may not hold a control or format character";
        default: break;
        }
    }
    return {};
}

std::string joinCodeProblem(const std::string& code)
{
    if (std::string problem = joinCodeCharacterProblem(code); !problem.empty())
        return "--code " + problem;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(QByteArrayView(code.data(), static_cast<qsizetype>(code.size())));
    if (text.toUcs4().size() < 4)
        return "--code needs at least 4 characters";
    return {};
}

}  // namespace korvalo
