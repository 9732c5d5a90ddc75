#include "app/network_play.h"

#include <QApplication>
#include <QClipboard>
#include <QHostInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "app/main_window.h"
#include "app/notice.h"
#include "flow/form1.h"
#include "log/log.h"
#include "net/discovery.h"
#include "net/game_setup.h"
#include "net/host.h"
#include "net/join.h"
#include "net/join_code.h"
#include "net/port_mapping.h"
#include "net/protocol.h"
#include "script/join_link.h"

namespace korvalo {

namespace {

QString colourName(int colour)
{
    static const char* const names[] = {"観戦", "黒", "青", "白", "赤"};
    return QString::fromUtf8(colour >= 0 && colour <= 4 ? names[colour] : names[0]);
}

const QString hostingNotice = QStringLiteral("ネットワーク対局を開きました。");
// Said in the hosting notice while the router is asked, and replaced by its answer.
const QString askingTheRouter = QStringLiteral("ルーターに問い合わせています…");

// Gives a notice a button that copies the join link.
void addCopyButton(QMessageBox& box, const QString& link)
{
    QPushButton* copy = box.addButton(QStringLiteral("リンクをコピー"), QMessageBox::ActionRole);
    QObject::connect(copy, &QPushButton::clicked, [link] { QApplication::clipboard()->setText(link); });
}

}  // namespace

NetworkPlay::NetworkPlay(MainWindow& window) : window_(window) {}

NetworkPlay::~NetworkPlay()
{
    // The window may outlive this part of the program.
    window_.form().computer().waitForCarriedSquares(nullptr);
}

bool NetworkPlay::start(const SessionOptions& options, QString* error)
{
    switch (options.role) {
    case SessionOptions::Role::None: return true;
    case SessionOptions::Role::Host: return host(options, error);
    case SessionOptions::Role::Join: return join(options, error);
    }
    return true;
}

bool NetworkPlay::host(const SessionOptions& options, QString* error)
{
    // Port 0 is any free port, which the notice and the terminal then say.
    const quint16 port = static_cast<quint16>(options.port);
    QString forWindow;
    askingTheRouter_ = options.portMapping;
    hosted_ = net::HostedGame::open(window_.path(), window_.form(), options.code, port, *this, error, &forWindow);
    if (!hosted_) {
        korvalo::log::print("korvalo: cannot listen on port %d: %s\n", port, error->toLocal8Bit().constData());
        *error = QStringLiteral("ポート %1 で待てません: %2").arg(port).arg(forWindow);
        return false;
    }
    showTitle();
    // The router is asked once the window shows and listens; its answer
    // comes as a notice of its own, or in the hosting notice still open.
    if (options.portMapping)
        hosted_->askTheRouter(false);
    return true;
}

void NetworkPlay::hosting(const HostingNews& news)
{
    const QString code = QString::fromStdString(news.code);
    std::printf("korvalo: hosting a network game; join with the code %s at %s\n", news.code.c_str(),
                news.addresses.join(QStringLiteral(", ")).toLocal8Bit().constData());
    std::fflush(stdout);
    // A code chosen by a person may be guessed; it is taken, with a warning.
    QString weak;
    if (news.weakCode) {
        korvalo::log::print("korvalo: the code is weak (about %.0f bits, under %.0f): a stranger may guess it\n",
                     news.codeBits, net::weakCodeBits);
        weak = QStringLiteral("\n\n注意: この合言葉は短いか単純なため、知らない人に当てられるおそれがあります "
                              "(およそ %1 ビット、%2 ビット未満)。--code なしで始めると、当てられにくい合言葉が作られます。")
                   .arg(qRound(news.codeBits))
                   .arg(net::weakCodeBits);
    }
    // Announced on the local network where the desktop's Avahi runs; without
    // it, others join by address.
    announcement_ = std::make_unique<Announcement>();
    QString why;
    if (!announcement_->publish(QStringLiteral("%1 の対局").arg(QHostInfo::localHostName()), news.port,
                                QStringLiteral(KORVALO_VERSION), &why))
        korvalo::log::print("korvalo: the game is not announced on the local network: %s\n",
                     why.toLocal8Bit().constData());
    notify(hostingNotice +
               QStringLiteral("\n\n合言葉: %1\n\n参加するアドレス:\n%2\n\nkorvalo --join アドレス --code %1")
                   .arg(code, news.addresses.join(QLatin1Char('\n'))) +
               weak + (askingTheRouter_ ? QStringLiteral("\n\n") + askingTheRouter : QString()),
           {}, NoticeKind::Information);
}

void NetworkPlay::logLine(const std::string& line)
{
    korvalo::log::print("korvalo: %s\n", line.c_str());
}

void NetworkPlay::peerLeft(int colour)
{
    if (hosted_)
        tell(QStringLiteral("%1のウィンドウが抜けました。%1はこのウィンドウで打ちます。").arg(colourName(colour)));
    else
        tell(QStringLiteral("%1のウィンドウが抜けました。%1はホストが打ちます。").arg(colourName(colour)));
}

void NetworkPlay::hostEnded(bool /*byNo*/)
{
    // Any question open then is this window's person's (the join lets the
    // person answer it).
    showTitle();
    tell(join_->hostBroke()
             ? QStringLiteral("ホストが送るはずのないものを送ってきたので、接続を切りました。この局面から一人で続けられます。")
             : QStringLiteral("ホストが終了しました。この局面から一人で続けられます。"));
}

void NetworkPlay::routerAnswered(const RouterAnswer& result)
{
    for (const QString& line : result.lines)
        std::printf("korvalo: %s\n", line.toLocal8Bit().constData());
    if (!result.detail.empty())
        std::printf("korvalo: the router's answer: %s\n", result.detail.c_str());
    std::fflush(stdout);
    const QString link = QString::fromStdString(result.link);
    const bool mapped = result.mapped;
    auto extend = [link, mapped](QMessageBox& box) {
        if (!link.isEmpty())
            addCopyButton(box, link);
        if (!mapped)
            box.setIcon(QMessageBox::Warning);
    };
    // The answer takes the place of the line that says the router is asked,
    // in the hosting notice open or still to be shown.
    const QString answer = result.lines.join(QLatin1Char('\n'));
    auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (open && belongsToNotice(open) && open->text().contains(askingTheRouter)) {
        open->setText(QString(open->text()).replace(askingTheRouter, answer));
        extend(*open);
        return;
    }
    for (QString& unshown : unshown_)
        if (unshown.contains(askingTheRouter)) {
            unshown.replace(askingTheRouter, answer);
            extensions_.push_back(extend);
            return;
        }
    notify(answer, extend, mapped ? NoticeKind::Information : NoticeKind::Warning);
}

bool NetworkPlay::join(const SessionOptions& options, QString* /*error*/)
{
    // The command line has read the address; none: look on the local network.
    const std::string address = options.host;
    const int port = options.port;
    // A link can come from anyone in a chat and name any address: the
    // person says whether to connect there. No ends the program quietly.
    if (options.fromLink &&
        QMessageBox::question(&window_, QStringLiteral("Korvalo"),
                              QStringLiteral("リンクの対局に参加しますか?\n\nアドレス: %1\n合言葉: %2")
                                  .arg(QString::fromStdString(options.where()), QString::fromStdString(options.code)),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes) {
        korvalo::log::print("korvalo: the game of the link was not joined\n");
        giveUp();
        return true;
    }
    // The window paints and takes no input of the game while a box says that
    // it connects; Cancel or Esc there ends the program.
    connecting_ = new QProgressDialog(&window_);
    connecting_->setWindowTitle(QStringLiteral("Korvalo"));
    connecting_->setRange(0, 0);
    connecting_->setAutoClose(false);
    connecting_->setAutoReset(false);
    connecting_->setWindowModality(Qt::WindowModal);
    connect(connecting_, &QProgressDialog::canceled, this, &NetworkPlay::giveUp);
    connect(connecting_, &QDialog::rejected, this, &NetworkPlay::giveUp);
    showConnecting(address.empty() ? QStringLiteral("ローカルネットワーク")
                                   : QString::fromStdString(options.where()));
    connecting_->show();
    // The steps run from the event loop, which keeps the window painting.
    QTimer::singleShot(0, this, [this, options, address, port] { findAndJoin(options, address, port); });
    return true;
}

void NetworkPlay::findAndJoin(const SessionOptions& options, std::string address, int port)
{
    if (address.empty()) {
        // The games announced on the local network, each with its address:
        // the person chooses, even when only one was found, since anyone on
        // the network may announce a game under any name.
        QString why;
        QString whyForWindow;
        const QList<FoundGame> games = findGames(std::chrono::milliseconds(3000), &why, &whyForWindow);
        if (gaveUp_)
            return;
        if (games.isEmpty())
            return fail(QStringLiteral("ローカルネットワークに対局が見つかりません。") +
                            (whyForWindow.isEmpty() ? QString() : QStringLiteral("\n\n") + whyForWindow),
                        QStringLiteral("no game found on the local network") +
                            (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        int chosen = 0;
        {
            QStringList names;
            for (const FoundGame& game : games)
                names << QStringLiteral("%1 (%2:%3)").arg(game.name, game.host).arg(game.port);
            bool ok = false;
            const QString name = QInputDialog::getItem(connecting_, QStringLiteral("Korvalo"),
                                                       QStringLiteral("参加する対局:"), names, 0, false, &ok);
            if (gaveUp_)
                return;
            if (!ok)
                return giveUp();
            chosen = static_cast<int>(names.indexOf(name));
        }
        address = games[chosen].host.toStdString();
        port = games[chosen].port;
    }
    const QString where = QString::fromStdString(address).contains(QLatin1Char(':'))
                              ? QStringLiteral("[%1]:%2").arg(QString::fromStdString(address)).arg(port)
                              : QStringLiteral("%1:%2").arg(QString::fromStdString(address)).arg(port);
    showConnecting(where);
    std::string code = options.code;
    if (code.empty()) {
        bool ok = false;
        code = QInputDialog::getText(connecting_, QStringLiteral("Korvalo"), QStringLiteral("合言葉:"),
                                     QLineEdit::Normal, QString(), &ok)
                   .trimmed()
                   .toStdString();
        if (gaveUp_)
            return;
        if (!ok)
            return giveUp();
        if (code.empty())
            return fail(QStringLiteral("合言葉がありません。"));
    }
    join_ = std::make_unique<net::Join>(window_.path(), window_.form().state());
    // The squares of the host's computer are played here as they come.
    net::playHostsSquares(*join_, window_.form());
    join_->tell(this);
    join_->joined = [this](const QString& why) {
        if (!why.isEmpty())
            return fail(QStringLiteral("参加できません: %1").arg(join_->errorForWindow()),
                        QStringLiteral("cannot join: %1").arg(why));
        connecting_->hide();
        connecting_->deleteLater();
        connecting_ = nullptr;
        showTitle();
    };
    join_->start(QString::fromStdString(address), static_cast<quint16>(port), code, options.seat,
                 net::joinMilliseconds);
}

void NetworkPlay::showConnecting(const QString& where)
{
    if (connecting_)
        connecting_->setLabelText(QStringLiteral("接続中…\n\n%1").arg(where));
}

void NetworkPlay::giveUp()
{
    // The person chose it: the program ends quietly.
    if (std::exchange(gaveUp_, true))
        return;
    QTimer::singleShot(0, this, [this] {
        join_.reset();
        endProgram(0);
    });
}

void NetworkPlay::fail(const QString& why, const QString& logged)
{
    gaveUp_ = true;
    korvalo::log::print("korvalo: %s\n", (logged.isEmpty() ? why : logged).toLocal8Bit().constData());
    // From the event loop: the join that failed may be telling it.
    QTimer::singleShot(0, this, [this, why] {
        join_.reset();
        if (connecting_) {
            connecting_->hide();
            connecting_->deleteLater();
            connecting_ = nullptr;
        }
        showNotice(window_, why);
        endProgram(1);
    });
}

void NetworkPlay::endProgram(int status)
{
    // The game ends as it always does (its sounds and the sound device are
    // let go), with the status given.
    window_.form().Form_Unload();
    QCoreApplication::exit(status);
}

void NetworkPlay::stop()
{
    if (hosted_)
        hosted_->end();
    if (join_)
        join_->leave();
    announcement_.reset();
    if (hosted_)
        hosted_->letTheRouterGo();
}

void NetworkPlay::showTitle()
{
    QString title = QStringLiteral("Korvalo");
    if (hosted_)
        title += QStringLiteral(" — %1 — ホスト (%2人, 合言葉 %3)")
                     .arg(colourName(hosted_->host().seat()))
                     .arg(hosted_->host().players())
                     .arg(QString::fromStdString(hosted_->host().code()));
    else if (join_ && join_->connected())
        title += QStringLiteral(" — %1 (%2人)").arg(colourName(join_->seat())).arg(join_->players());
    window_.setWindowTitle(title);
}

void NetworkPlay::tell(const QString& message)
{
    korvalo::log::print("korvalo: %s\n", message.toLocal8Bit().constData());
    notify(message);
}

void NetworkPlay::notify(const QString& message, const std::function<void(QMessageBox&)>& extend,
                         NoticeKind kind)
{
    // One notice at a time, the hosting notice and the router's answer
    // included: what comes while one is open is shown in the next, each
    // message once, so any number of them costs one box and a few lines.
    if (!unshown_.contains(message)) {
        if (unshown_.size() >= maxUnshown)
            unshown_.removeFirst();
        unshown_ << message;
    }
    if (extend)
        extensions_.push_back(extend);
    unshownTrouble_ = unshownTrouble_ || kind == NoticeKind::Warning;
    if (noticeOpen_)
        return;
    noticeOpen_ = true;
    // Shown from the event loop, after whatever handler is running.
    QTimer::singleShot(0, this, [this] {
        while (!unshown_.isEmpty()) {
            const QString text = unshown_.join(QLatin1Char('\n'));
            unshown_.clear();
            // Good news alone shows as such; any trouble among them, as trouble.
            const NoticeKind kind =
                std::exchange(unshownTrouble_, false) ? NoticeKind::Warning : NoticeKind::Information;
            showNotice(
                window_, text,
                [extensions = std::exchange(extensions_, {})](QMessageBox& box) {
                    for (const auto& extend : extensions)
                        extend(box);
                },
                kind);
        }
        noticeOpen_ = false;
    });
}

}  // namespace korvalo

korvalo::NetworkRole* korvalo_network_role(korvalo::MainWindow& window)
{
    return new korvalo::NetworkPlay(window);
}
