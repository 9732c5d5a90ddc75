#include "net/reasons.h"

#include <string_view>

#include "log/printable.h"
#include "net/protocol.h"

namespace korvalo::net {

namespace {

bool startsWith(const std::string& text, std::string_view start)
{
    return text.size() >= start.size() && std::string_view(text).substr(0, start.size()) == start;
}

QString after(const std::string& text, std::string_view start)
{
    return QString::fromStdString(log::printable(std::string_view(text).substr(start.size()), 60));
}

}  // namespace

QString refusalForWindow(const std::string& reason)
{
    if (reason == refusal::wrongCode)
        return QStringLiteral("合言葉が違います。");
    if (reason == refusal::full)
        return QStringLiteral("対局は満員です (%1 ウィンドウまで)。").arg(maxPlayers);
    if (reason == refusal::runTooLong)
        return QStringLiteral("この対局は長く続いたため、途中からは参加できません。新しい対局が始まってから参加してください。");
    if (reason == refusal::notAWindow)
        return QStringLiteral("ホストはこのウィンドウの挨拶を読めませんでした。");
    if (startsWith(reason, refusal::otherVersion))
        return QStringLiteral("ホストとこのウィンドウの版が違います (ホスト %1、このウィンドウ %2)。")
            .arg(after(reason, refusal::otherVersion), QStringLiteral(KORVALO_VERSION));
    if (startsWith(reason, refusal::noSuchColour))
        return QStringLiteral("ホストはその色を知りません: %1").arg(after(reason, refusal::noSuchColour));
    // A reason this window does not know: the host's own words, as the
    // terminal would show them, marked as such.
    return QStringLiteral("ホストに断られました。ホストの言葉: 「%1」").arg(QString::fromStdString(log::printable(reason, 120)));
}

QString waitForWindow(int seconds)
{
    return QStringLiteral("ホストが参加の申し込みで混み合っています。%1 秒たってからもう一度試してください。").arg(seconds);
}

QString socketErrorForWindow(QAbstractSocket::SocketError error)
{
    using E = QAbstractSocket::SocketError;
    switch (error) {
    case E::ConnectionRefusedError: return QStringLiteral("接続を拒まれました");
    case E::RemoteHostClosedError: return QStringLiteral("相手が接続を閉じました");
    case E::HostNotFoundError: return QStringLiteral("その名前のホストが見つかりません");
    case E::SocketAccessError: return QStringLiteral("この操作は許されていません");
    case E::SocketResourceError: return QStringLiteral("接続に使える資源が足りません");
    case E::SocketTimeoutError: return QStringLiteral("時間切れです");
    case E::NetworkError: return QStringLiteral("ネットワークの障害です");
    case E::AddressInUseError: return QStringLiteral("そのポートはほかのプログラムが使っています");
    case E::SocketAddressNotAvailableError: return QStringLiteral("そのアドレスはこのコンピューターのものではありません");
    case E::UnsupportedSocketOperationError: return QStringLiteral("このコンピューターではできない操作です (IPv6 がないなど)");
    case E::TemporaryError: return QStringLiteral("一時的な障害です");
    case E::ProxyAuthenticationRequiredError:
    case E::ProxyConnectionRefusedError:
    case E::ProxyConnectionClosedError:
    case E::ProxyConnectionTimeoutError:
    case E::ProxyNotFoundError:
    case E::ProxyProtocolError: return QStringLiteral("プロキシを通してつながりません");
    default: break;
    }
    return QStringLiteral("通信の障害です (番号 %1)").arg(static_cast<int>(error));
}

QString routerAnswerForWindow(const std::string& via, int status)
{
    QString said;
    if (via == "UPnP") {
        switch (status) {
        case 401: said = QStringLiteral("その操作を知りません"); break;
        case 402: case -2: said = QStringLiteral("問い合わせの中身が違います"); break;
        case 501: said = QStringLiteral("割り当てに失敗しました"); break;
        case 606: said = QStringLiteral("割り当ては許されていません"); break;
        case 718: said = QStringLiteral("ほかの割り当てと重なります"); break;
        case 724: said = QStringLiteral("内と外のポートが同じでなければなりません"); break;
        case 725: said = QStringLiteral("期限のない割り当てしか受け付けません"); break;
        case 728: said = QStringLiteral("割り当ての空きがありません"); break;
        case 729: said = QStringLiteral("ほかの仕組みの割り当てと重なります"); break;
        case -3: said = QStringLiteral("ルーターとの通信に失敗しました"); break;
        case -4: said = QStringLiteral("ルーターの答えが読めません"); break;
        default: break;
        }
    } else {
        switch (status) {
        case -14: said = QStringLiteral("この版の問い合わせを受け付けません"); break;
        case -15: said = QStringLiteral("この問い合わせを受け付けません"); break;
        case -51: said = QStringLiteral("割り当ては許されていません"); break;
        case -52: said = QStringLiteral("ルーターのネットワークの障害です"); break;
        case -53: said = QStringLiteral("割り当ての空きがありません"); break;
        default: break;
        }
    }
    return said.isEmpty() ? QStringLiteral("コード %1").arg(status) : QStringLiteral("コード %1: %2").arg(status).arg(said);
}

}  // namespace korvalo::net
