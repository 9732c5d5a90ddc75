#include "app/replay.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <cstdio>
#include <iostream>
#include <unistd.h>
#include <utility>

#include "app/main_window.h"
#include "app/notice.h"
#include "flow/form1.h"
#include "log/log.h"

namespace korvalo {

Replay::Replay(MainWindow& window, std::istream& script)
    : window_(window),
      reader_(std::make_unique<ScriptReader>(script)),
      interpreter_(*reader_, window.path(), *this, window.form(), *this, std::cout)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Replay::step);
}

Replay::Replay(MainWindow& window, int descriptor)
    : window_(window),
      reader_(std::make_unique<ScriptReader>(descriptor, false)),
      interpreter_(*reader_, window.path(), *this, window.form(), *this, std::cout),
      descriptor_(descriptor)
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
    if (std::exchange(inputAhead_, false)) {
        interpreter_.give();
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
    using Step = ScriptInterpreter::Step;
    using Stop = ScriptInterpreter::Stop;
    switch (interpreter_.readAhead()) {
    case Step::Input: inputAhead_ = true; return Ahead::Input;
    case Step::Wait: awaitLines(); return Ahead::Waiting;
    case Step::End: finish(); return Ahead::Stopped;
    case Step::Stopped: break;
    }
    QString forWindow;
    switch (interpreter_.stop()) {
    case Stop::None:
    case Stop::NotWaited: break;
    case Stop::Cut: forWindow = QStringLiteral("記録の途中で切れた行です"); break;
    case Stop::TooLong: forWindow = QStringLiteral("%1 文字より長い行です").arg(maxScriptLine); break;
    case Stop::Failed: forWindow = QStringLiteral("ファイルが読めなくなりました"); break;
    case Stop::Unreadable: forWindow = QStringLiteral("読めない行です"); break;
    case Stop::TooManyAnswers:
        forWindow = QStringLiteral("メッセージボックスを待つ答えが %1 より多くなりました").arg(InputPath::maxQueuedAnswers);
        break;
    case Stop::Refused: forWindow = QStringLiteral("ファイルを書く行です。再生はファイルを書きません"); break;
    }
    finish(interpreter_.problem(), forWindow);
    return Ahead::Stopped;
}

bool Replay::snapshot(const std::string& /*file*/, std::string* refusal)
{
    *refusal = "a replay does not write files";
    return false;
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
