#include "app/replay.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "app/main_window.h"
#include "app/notice.h"
#include "flow/form1.h"
#include "log/log.h"

namespace korvalo {

Replay::Replay(MainWindow& window, std::istream& script)
    : window_(window), reader_(std::make_unique<ScriptReader>(script))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Replay::step);
}

Replay::Replay(MainWindow& window, int descriptor)
    : window_(window), reader_(std::make_unique<ScriptReader>(descriptor, false)), descriptor_(descriptor)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Replay::step);
}

Replay::~Replay()
{
    window_.path().handBack(*this);
    delete lines_;
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

void Replay::hold()
{
    if (running_)
        return;
    running_ = true;
    window_.platform().answerDelay = answerDelay;
    window_.path().hold(*this);
}

void Replay::start()
{
    hold();
    if (readAhead() == Ahead::Input)
        timer_.start(inputGap);
}

void Replay::step()
{
    if (!running_)
        return;
    if (next_) {
        const Input input = *next_;
        next_.reset();
        window_.path().give(*this, input);
        if (!running_)
            return;
    }
    if (window_.ended())
        finish();
    else if (readAhead() == Ahead::Input)
        timer_.start(inputGap);
}

void Replay::awaitLines()
{
    if (!lines_) {
        lines_ = new QSocketNotifier(reader_->descriptor(), QSocketNotifier::Read);
        connect(lines_, &QSocketNotifier::activated, this, [this] {
            lines_->setEnabled(false);
            if (running_ && !window_.ended() && readAhead() == Ahead::Input)
                timer_.start(inputGap);
        });
    }
    lines_->setEnabled(true);
}

Replay::Ahead Replay::readAhead()
{
    using Kind = ScriptCommand::Kind;
    using Result = ScriptReader::Result;
    std::string line;
    for (;;) {
        switch (reader_->next(&line)) {
        case Result::Line: break;
        case Result::Wait: awaitLines(); return Ahead::Waiting;
        case Result::End: finish(); return Ahead::Stopped;
        case Result::Cut:
            finish(reader_->problem(), QStringLiteral("記録の途中で切れた行です"));
            return Ahead::Stopped;
        case Result::TooLong:
            finish(reader_->problem(), QStringLiteral("%1 文字より長い行です").arg(maxScriptLine));
            return Ahead::Stopped;
        case Result::Failed: finish(reader_->problem(), QStringLiteral("ファイルが読めなくなりました")); return Ahead::Stopped;
        }
        ScriptCommand command;
        std::string error;
        if (!parseScriptLine(line, &command, &error)) {
            finish(reader_->about(error), QStringLiteral("読めない行です"));
            return Ahead::Stopped;
        }
        switch (command.kind) {
        case Kind::Nothing:
        case Kind::WaitPlayers:
        case Kind::WaitEnd: break;
        case Kind::Input: next_ = command.input; return Ahead::Input;
        case Kind::Answer:
            if (!window_.path().queueAnswers(*this, command.answers)) {
                finish(reader_->about("more than " + std::to_string(InputPath::maxQueuedAnswers) +
                                      " answers wait for message boxes"),
                       QStringLiteral("メッセージボックスを待つ答えが %1 より多くなりました")
                           .arg(InputPath::maxQueuedAnswers));
                return Ahead::Stopped;
            }
            break;
        case Kind::Computer: window_.form().computer().carriedSquares.emplace_back(command.column, command.row); break;
        case Kind::Strength:
            window_.form().computer().computerLevel = command.level;
            break;
        case Kind::State: printState(std::cout, window_.form().state(), window_.platform()); break;
        case Kind::Snapshot:
            // A replayed file only plays: it may come from someone else.
            finish(reader_->about("a replay does not write files: " + quotedLine(line)),
                   QStringLiteral("ファイルを書く行です。再生はファイルを書きません"));
            return Ahead::Stopped;
        }
    }
}

void Replay::handedOver()
{
    // How the recorded game was left; here the person plays on.
    korvalo::log::print("korvalo: %s\n", reader_->about("the recorded game was ended here; play on").c_str());
    finish();
}

QString cannotReplay(const std::string& path)
{
    const QString name = QString::fromLocal8Bit(path);
    const QFileInfo file(name);
    if (!file.exists())
        return QStringLiteral("%1 がありません。").arg(name);
    if (file.isDir())
        return QStringLiteral("%1 はフォルダーです。").arg(name);
    if (!file.isReadable())
        return QStringLiteral("%1 を読む権限がありません。").arg(name);
    return QStringLiteral("%1 はスクリプトを入れたファイルではありません。").arg(name);
}

void Replay::finish(const std::string& problem, const QString& forWindow)
{
    if (!running_)
        return;
    running_ = false;
    timer_.stop();
    if (lines_)
        lines_->setEnabled(false);
    window_.path().handBack(*this);
    if (!problem.empty()) {
        problem_ = QString::fromStdString(problem);
        korvalo::log::print("korvalo: %s\n", problem.c_str());
        if (!window_.ended())
            showNotice(window_, QStringLiteral("再生はここで止まりました。この局面から続けられます。\n\n%1 行目: %2。")
                                    .arg(reader_->number())
                                    .arg(forWindow));
    }
}

}  // namespace korvalo
