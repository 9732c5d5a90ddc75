#include "app/network_play.h"

#include <QHostInfo>
#include <QInputDialog>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "app/main_window.h"
#include "app/notice.h"
#include "flow/form1.h"
#include "net/discovery.h"
#include "net/host.h"
#include "net/join.h"
#include "net/protocol.h"

namespace korvalo {

namespace {

QString colourName(int colour)
{
    static const char* const names[] = {"観戦", "黒", "青", "白", "赤"};
    return QString::fromUtf8(colour >= 0 && colour <= 4 ? names[colour] : names[0]);
}

}  // namespace

NetworkPlay::NetworkPlay(MainWindow& window) : window_(window) {}

NetworkPlay::~NetworkPlay()
{
    // The window may outlive this part of the program.
    window_.form().awaitCarriedSquare = nullptr;
}

bool NetworkPlay::start(const NetworkOptions& options, QString* error)
{
    switch (options.role) {
    case NetworkOptions::Role::None: return true;
    case NetworkOptions::Role::Host: return host(options, error);
    case NetworkOptions::Role::Join: return join(options, error);
    }
    return true;
}

bool NetworkPlay::host(const NetworkOptions& options, QString* error)
{
    host_ = std::make_unique<net::Host>(window_.path(), window_.form().s,
                                        options.code.empty() ? net::randomCode() : options.code);
    host_->searches = window_.form().computerStrength == ComputerStrength::Strong;
    const quint16 port = static_cast<quint16>(options.port != 0 ? options.port : net::defaultPort);
    if (!host_->listen(port, error)) {
        *error = QStringLiteral("ポート %1 で待てません: %2").arg(port).arg(*error);
        return false;
    }
    host_->left = [this](int colour) {
        tell(QStringLiteral("%1のウィンドウが抜けました。%1はこのウィンドウで打ちます。").arg(colourName(colour)));
    };
    host_->changed = [this] { showTitle(); };
    const QString code = QString::fromStdString(host_->code());
    const QStringList addresses = host_->addresses();
    std::printf("korvalo: hosting a network game; join with the code %s at %s\n", host_->code().c_str(),
                addresses.join(QStringLiteral(", ")).toLocal8Bit().constData());
    std::fflush(stdout);
    // Announced on the local network where the desktop's Avahi runs; without
    // it, others join by address.
    announcement_ = std::make_unique<Announcement>();
    QString why;
    if (!announcement_->publish(QStringLiteral("Korvalo on %1").arg(QHostInfo::localHostName()), host_->port(),
                                QStringLiteral(KORVALO_VERSION), &why))
        std::fprintf(stderr, "korvalo: the game is not announced on the local network: %s\n",
                     why.toLocal8Bit().constData());
    showTitle();
    QTimer::singleShot(0, this, [this, code, addresses] {
        showNotice(window_, QStringLiteral("ネットワーク対局を開きました。\n\n合言葉: %1\n\n参加するアドレス:\n%2\n\n"
                                           "korvalo --join アドレス --code %1")
                                .arg(code, addresses.join(QLatin1Char('\n'))));
    });
    return true;
}

bool NetworkPlay::join(const NetworkOptions& options, QString* error)
{
    std::string address = options.host;
    int port = net::defaultPort;
    if (address.empty()) {
        // The games announced on the local network: the only one, or the one chosen.
        QString why;
        const QList<FoundGame> games = findGames(std::chrono::milliseconds(3000), &why);
        if (games.isEmpty()) {
            *error = QStringLiteral("ローカルネットワークに対局が見つかりません。") +
                     (why.isEmpty() ? QString() : QStringLiteral("\n\n") + why);
            return false;
        }
        int chosen = 0;
        if (games.size() > 1) {
            QStringList names;
            for (const FoundGame& game : games)
                names << QStringLiteral("%1 (%2:%3)").arg(game.name, game.host).arg(game.port);
            bool ok = false;
            const QString name = QInputDialog::getItem(&window_, QStringLiteral("Korvalo"),
                                                       QStringLiteral("参加する対局:"), names, 0, false, &ok);
            if (!ok) {
                *error = QStringLiteral("対局を選びませんでした。");
                return false;
            }
            chosen = static_cast<int>(names.indexOf(name));
        }
        address = games[chosen].host.toStdString();
        port = games[chosen].port;
    } else if (!net::splitAddress(options.host, &address, &port)) {
        *error = QStringLiteral("アドレスが読めません: %1").arg(QString::fromStdString(options.host));
        return false;
    }
    std::string code = options.code;
    if (code.empty()) {
        bool ok = false;
        code = QInputDialog::getText(&window_, QStringLiteral("Korvalo"), QStringLiteral("合言葉:"),
                                     QLineEdit::Normal, QString(), &ok)
                   .trimmed()
                   .toStdString();
        if (!ok || code.empty()) {
            *error = QStringLiteral("合言葉がありません。");
            return false;
        }
    }
    join_ = std::make_unique<net::Join>(window_.path(), window_.form().s);
    // The squares of the host's strong computer are played here as they come.
    Form1& form = window_.form();
    join_->computerSquare = [&form](int column, int row) { form.carriedSquares.emplace_back(column, row); };
    form.awaitCarriedSquare = [this, &form] {
        if (join_ && join_->hostSearches())
            join_->waitUntil([&form] { return !form.carriedSquares.empty(); }, 10 * 60 * 1000);
    };
    join_->changed = [this] { showTitle(); };
    join_->left = [this](int colour) {
        tell(QStringLiteral("%1のウィンドウが抜けました。%1はホストが打ちます。").arg(colourName(colour)));
    };
    join_->hostEnded = [this](bool byNo) {
        showTitle();
        // The question the host left by No stays open here for this person.
        if (byNo)
            window_.path().letPersonAnswer();
        tell(QStringLiteral("ホストが終了しました。この局面から一人で続けられます。"));
    };
    QString why;
    if (!join_->connectTo(QString::fromStdString(address), static_cast<quint16>(port), code, options.seat, 10000,
                          &why)) {
        *error = QStringLiteral("参加できません: %1").arg(why);
        join_.reset();
        return false;
    }
    showTitle();
    return true;
}

void NetworkPlay::stop()
{
    if (host_)
        host_->end();
    if (join_)
        join_->leave();
    announcement_.reset();
}

void NetworkPlay::showTitle()
{
    QString title = QStringLiteral("Korvalo");
    if (host_)
        title += QStringLiteral(" — %1 — ホスト (%2人, 合言葉 %3)")
                     .arg(colourName(host_->seat()))
                     .arg(host_->players())
                     .arg(QString::fromStdString(host_->code()));
    else if (join_ && join_->connected())
        title += QStringLiteral(" — %1 (%2人)").arg(colourName(join_->seat())).arg(join_->players());
    window_.setWindowTitle(title);
}

void NetworkPlay::tell(const QString& message)
{
    std::fprintf(stderr, "korvalo: %s\n", message.toLocal8Bit().constData());
    // Shown from the event loop, after whatever handler is running.
    QTimer::singleShot(0, this, [this, message] { showNotice(window_, message); });
}

}  // namespace korvalo

korvalo::NetworkRole* korvalo_network_role(korvalo::MainWindow& window)
{
    return new korvalo::NetworkPlay(window);
}
