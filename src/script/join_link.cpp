#include "script/join_link.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "script/command_line.h"

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

namespace {

// What Qt found wrong in a link it cannot parse, by a look of our own at its
// authority (HOST:PORT, an IPv6 address in brackets): Qt's message names
// the part in English only.
JoinLinkProblem unparsedProblem(const QString& text)
{
    const qsizetype start = text.indexOf(QLatin1String("//")) + 2;
    qsizetype end = start;
    while (end < text.size() && !QStringView(u"/?#").contains(text[end]))
        ++end;
    QString authority = text.mid(start, end - start);
    authority = authority.mid(authority.lastIndexOf(QLatin1Char('@')) + 1);
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && colon > authority.lastIndexOf(QLatin1Char(']'))) {
        const QString port = authority.mid(colon + 1);
        bool number = !port.isEmpty();
        for (const QChar c : port)
            number = number && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!port.isEmpty() && !number && authority.indexOf(QLatin1Char(':')) == colon)
            return JoinLinkProblem::PortNotANumber;
        if (number && (port.size() > 5 || port.toInt() > 65535))
            return JoinLinkProblem::PortOutOfRange;
    }
    if (!QUrl(QStringLiteral("korvalo://") + authority, QUrl::StrictMode).isValid())
        return JoinLinkProblem::BadHost;
    const bool more = text.indexOf(QLatin1Char('?'), end) >= 0 || text.indexOf(QLatin1Char('#'), end) >= 0;
    return more ? JoinLinkProblem::MoreThanItsParts : JoinLinkProblem::BadCode;
}

}  // namespace

bool readJoinLink(const std::string& text, int defaultPort, std::string* host, int* port, std::string* code,
                  std::string* error, JoinLinkProblem* problem)
{
    auto wrong = [&](JoinLinkProblem what, const std::string& why) {
        *error = "not a join link (korvalo://HOST:PORT/CODE): " + why;
        if (problem)
            *problem = what;
        return false;
    };
    if (!isJoinLink(text))
        return wrong(JoinLinkProblem::NotALink, "it does not start with korvalo://");
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    if (!url.isValid())
        return wrong(unparsedProblem(QString::fromStdString(text)), url.errorString().toStdString());
    if (url.host().isEmpty())
        return wrong(JoinLinkProblem::NoHost, "no host");
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return wrong(JoinLinkProblem::MoreThanItsParts, "it has more than a host, a port and a code");
    // The code is the one part of the path; its bytes are taken as they
    // were encoded, so a code in any encoding comes back unchanged.
    const QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    if (path.size() < 2 || path[0] != '/' || path.indexOf('/', 1) >= 0)
        return wrong(path.indexOf('/', 1) >= 1 ? JoinLinkProblem::MoreThanOneCode : JoinLinkProblem::NoCode,
                     "no code, or more than one");
    const QByteArray decoded = QByteArray::fromPercentEncoding(path.mid(1));
    if (decoded.isEmpty())
        return wrong(JoinLinkProblem::BadCode, "the code is empty");
    if (const std::string why = joinCodeCharacterProblem(decoded.toStdString()); !why.empty())
        return wrong(JoinLinkProblem::BadCode, "the code " + why);
    // A host of letters outside ASCII is kept in its ASCII form, which the
    // question shows: a look-alike of a known name shows as what it is.
    *host = url.host(QUrl::FullyEncoded).toStdString();
    *port = url.port(defaultPort);
    if (*port < 1 || *port > 65535)
        return wrong(JoinLinkProblem::PortOutOfRange, "the port is not from 1 to 65535");
    *code = decoded.toStdString();
    if (problem)
        *problem = JoinLinkProblem::None;
    return true;
}

}  // namespace korvalo
