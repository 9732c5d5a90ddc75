#include "script/join_link.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace korvalo {

std::string joinLink(const std::string& address, int port, const std::string& code)
{
    const bool ipv6 = address.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + address + "]" : address;
    // Everything but letters, digits and - . _ ~ is encoded, so the code
    // comes back whole whatever a chat program does with the rest.
    const QByteArray encoded = QByteArray::fromStdString(code).toPercentEncoding();
    return std::string(joinLinkScheme) + "://" + host + ":" + std::to_string(port) + "/" + encoded.toStdString();
}

bool isJoinLink(const std::string& text)
{
    const std::string prefix = std::string(joinLinkScheme) + ":";
    return QString::fromStdString(text.substr(0, prefix.size())).compare(QString::fromStdString(prefix),
                                                                         Qt::CaseInsensitive) == 0;
}

bool readJoinLink(const std::string& text, int defaultPort, std::string* host, int* port, std::string* code,
                  std::string* error)
{
    auto wrong = [&](const std::string& why) {
        *error = "not a join link (korvalo://HOST:PORT/CODE): " + why;
        return false;
    };
    if (!isJoinLink(text))
        return wrong("it does not start with korvalo://");
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    if (!url.isValid())
        return wrong(url.errorString().toStdString());
    if (url.host().isEmpty())
        return wrong("no host");
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return wrong("it has more than a host, a port and a code");
    // The code is the one part of the path; its bytes are taken as they
    // were encoded, so a code in any encoding comes back unchanged.
    const QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    if (path.size() < 2 || path[0] != '/' || path.indexOf('/', 1) >= 0)
        return wrong("no code, or more than one");
    const QByteArray decoded = QByteArray::fromPercentEncoding(path.mid(1));
    if (decoded.isEmpty() || decoded.contains('\0') || decoded.contains(' ') || decoded.contains('\n'))
        return wrong("the code is empty or has blanks");
    *host = url.host(QUrl::FullyDecoded).toStdString();
    *port = url.port(defaultPort);
    if (*port < 1 || *port > 65535)
        return wrong("the port is not from 1 to 65535");
    *code = decoded.toStdString();
    return true;
}

}  // namespace korvalo
