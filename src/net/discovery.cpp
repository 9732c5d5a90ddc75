#include "net/discovery.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMap>
#include <QObject>
#include <QTimer>
#include <QVariant>
#include <algorithm>
#include <net/if.h>
#include <optional>

namespace korvalo {
namespace {

const QString kAvahi = QStringLiteral("org.freedesktop.Avahi");
const QString kServer = QStringLiteral("org.freedesktop.Avahi.Server");
const QString kServer2 = QStringLiteral("org.freedesktop.Avahi.Server2");
const QString kEntryGroup = QStringLiteral("org.freedesktop.Avahi.EntryGroup");
const QString kServiceBrowser = QStringLiteral("org.freedesktop.Avahi.ServiceBrowser");
const QString kCollisionError = QStringLiteral("org.freedesktop.Avahi.CollisionError");

// Avahi's "any interface" and "any protocol", and its address protocols.
constexpr int kUnspec = -1;
constexpr int kInet = 0;
// Entry group states.
constexpr int kUncommitted = 0;
constexpr int kRegistering = 1;
constexpr int kEstablished = 2;
constexpr int kCollision = 3;

// One call to the local daemon answers at once; this bounds a daemon that hangs.
constexpr int kCallMs = 2000;
// Probing a name on the network takes about a second, or longer while the
// daemon is still settling its own host name.
constexpr std::chrono::milliseconds kEstablishWait{5000};
// Alternative names tried before a conflict counts as not resolved.
constexpr int kMaxRenames = 12;
// Games followed at once: a network announcing more is not taken in whole.
constexpr int kMaxItems = 1024;
// Games listed at most.
constexpr int kMaxGames = 256;
// DNS-SD's limit on a service name, in bytes.
constexpr int kMaxNameBytes = 63;

void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

bool failed(const QDBusMessage& reply) { return reply.type() != QDBusMessage::ReplyMessage; }

QDBusMessage call(QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(kAvahi, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kCallMs);
}

// The system bus, if Avahi answers on it; otherwise nothing, with the reason.
// (forWindow: the reason in the words a window shows.)
std::optional<QDBusConnection> avahiBus(QString* error, QString* forWindow = nullptr) {
    if (!QCoreApplication::instance()) {
        setError(error, QStringLiteral("no application object to receive Avahi's answers"));
        setError(forWindow, QStringLiteral("Avahi の答えを受け取れません。"));
        return std::nullopt;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        const QString why = bus.lastError().message();
        setError(error, QStringLiteral("no system bus") + (why.isEmpty() ? QString() : " (" + why + ")"));
        setError(forWindow, QStringLiteral("システムバスにつながりません。"));
        return std::nullopt;
    }
    const QDBusMessage reply = call(bus, QStringLiteral("/"), kServer, QStringLiteral("GetAPIVersion"));
    if (failed(reply)) {
        setError(error, "no Avahi daemon on the system bus (" + reply.errorMessage() + ")");
        setError(forWindow, QStringLiteral("ローカルネットワークの対局を知らせるサービス (Avahi) が動いていません。"));
        return std::nullopt;
    }
    return bus;
}

QString objectPath(const QDBusMessage& reply) {
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

// A name as it may be shown: without control characters (line feeds, tabs)
// and format characters (the bidirectional overrides and isolates, which
// could make a name read as something else).
QString shownName(const QString& name) {
    QString shown;
    for (const QChar c : name)
        if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format &&
            c.category() != QChar::Separator_Line && c.category() != QChar::Separator_Paragraph)
            shown += c;
    return shown;
}

// The name cut to DNS-SD's length, between characters.
QString fitName(const QString& name) {
    QString fitted = name;
    while (fitted.toUtf8().size() > kMaxNameBytes) {
        fitted.chop(1);
        if (!fitted.isEmpty() && fitted.back().isHighSurrogate()) fitted.chop(1);
    }
    return fitted;
}

QVariant txtRecord(const QString& version) {
    QDBusArgument strings;
    strings.beginArray(QMetaType::fromType<QByteArray>());
    strings << QByteArray("version=" + version.toUtf8());
    strings.endArray();
    return QVariant::fromValue(strings);
}

QString versionIn(const QVariant& txt) {
    const QDBusArgument strings = txt.value<QDBusArgument>();
    if (strings.currentType() != QDBusArgument::ArrayType) return {};
    QString version;
    strings.beginArray();
    while (!strings.atEnd()) {
        QByteArray entry;
        strings >> entry;
        if (entry.startsWith("version=")) version = QString::fromUtf8(entry.mid(8));
    }
    strings.endArray();
    return version;
}

bool isLinkLocal(const QString& address) {
    const QString lower = address.toLower();
    return lower.startsWith(QStringLiteral("fe8")) || lower.startsWith(QStringLiteral("fe9")) ||
           lower.startsWith(QStringLiteral("fea")) || lower.startsWith(QStringLiteral("feb"));
}

}  // namespace

// One entry group on the daemon, holding the game's service; freed, and so
// withdrawn, with the object.
class AnnouncedGroup : public QObject {
    Q_OBJECT
public:
    AnnouncedGroup(QDBusConnection bus, QString path) : bus_(std::move(bus)), path_(std::move(path)) {
        bus_.connect(kAvahi, path_, kEntryGroup, QStringLiteral("StateChanged"), this,
                     SLOT(stateChanged(int, QString)));
    }
    // Past the application's end the bus is gone; the daemon withdraws the
    // group by itself when the connection closes.
    ~AnnouncedGroup() override {
        if (QCoreApplication::instance()) call(bus_, path_, kEntryGroup, QStringLiteral("Free"));
    }

    bool publish(const QString& name, quint16 port, const QString& version, QString* error) {
        name_ = fitName(name);
        port_ = port;
        version_ = version;
        for (;;) {
            const QDBusMessage reply = commit();
            int state = kCollision;  // a name already taken on this machine is refused at once
            if (!failed(reply)) {
                state = waitForState();
            } else if (reply.errorName() != kCollisionError) {
                setError(error, "Avahi refused the announcement (" + reply.errorMessage() + ")");
                return false;
            }
            if (state == kEstablished) break;
            if (state == kCollision) {
                if (rename()) continue;
                setError(error, "the name \"" + fitName(name) + "\" is taken, and so are " +
                                    QString::number(renames_) + " alternatives");
                return false;
            }
            setError(error, state == kRegistering || state == kUncommitted
                                ? QStringLiteral("Avahi did not establish the announcement in time")
                                : "Avahi could not announce the game (" +
                                      (stateError_.isEmpty() ? "state " + QString::number(state) : stateError_) +
                                      ")");
            return false;
        }
        established_ = true;
        return true;
    }

    QString name() const { return established_ ? name_ : QString(); }

private slots:
    // Any change wakes a waiting publish. A conflict found after the game was
    // announced moves it to the next alternative name, as at the start.
    void stateChanged(int, const QString& error) {
        stateError_ = error;
        if (waiting_) {
            waiting_->quit();
            return;
        }
        // Signals queued behind the last call may be stale: the group's state now decides.
        if (!established_ || currentState() != kCollision) return;
        established_ = rename() && !failed(commit());
    }

private:
    // Puts the service, under the current name, in the emptied group and commits it.
    QDBusMessage commit() {
        QDBusMessage reply = call(bus_, path_, kEntryGroup, QStringLiteral("Reset"));
        if (failed(reply)) return reply;
        reply = call(bus_, path_, kEntryGroup, QStringLiteral("AddService"),
                     {kUnspec, kUnspec, 0u, name_, QString::fromLatin1(kServiceType), QString(), QString(),
                      QVariant::fromValue(port_), txtRecord(version_)});
        if (failed(reply)) return reply;
        return call(bus_, path_, kEntryGroup, QStringLiteral("Commit"));
    }

    int currentState() {
        QDBusMessage reply = call(bus_, path_, kEntryGroup, QStringLiteral("GetState"));
        return failed(reply) ? -1 : reply.arguments().value(0).toInt();
    }

    // Waits, bounded, until the group is established or has failed.
    int waitForState() {
        QDeadlineTimer deadline(kEstablishWait);
        int state = currentState();
        while ((state == kUncommitted || state == kRegistering) && !deadline.hasExpired()) {
            QEventLoop loop;
            waiting_ = &loop;
            QTimer::singleShot(std::max<qint64>(1, deadline.remainingTime()), &loop, &QEventLoop::quit);
            loop.exec();
            waiting_ = nullptr;
            state = currentState();
        }
        return state;
    }

    bool rename() {
        if (renames_ >= kMaxRenames) return false;
        QDBusMessage reply =
            call(bus_, QStringLiteral("/"), kServer, QStringLiteral("GetAlternativeServiceName"), {name_});
        if (failed(reply)) return false;
        ++renames_;
        name_ = reply.arguments().value(0).toString();
        return true;
    }

    QDBusConnection bus_;
    QString path_;
    QString name_;
    quint16 port_ = 0;
    QString version_;
    QString stateError_;
    bool established_ = false;
    int renames_ = 0;
    QEventLoop* waiting_ = nullptr;
};

Announcement::Announcement() = default;
Announcement::~Announcement() = default;

void Announcement::withdraw() { group_.reset(); }

QString Announcement::name() const { return group_ ? group_->name() : QString(); }

bool Announcement::publish(const QString& name, quint16 port, const QString& version, QString* error) {
    withdraw();
    std::optional<QDBusConnection> bus = avahiBus(error);
    if (!bus) return false;
    const QDBusMessage reply = call(*bus, QStringLiteral("/"), kServer, QStringLiteral("EntryGroupNew"));
    if (failed(reply)) {
        setError(error, "Avahi would not make an entry group (" + reply.errorMessage() + ")");
        return false;
    }
    auto group = std::make_unique<AnnouncedGroup>(*bus, objectPath(reply));
    if (!group->publish(name, port, version, error)) return false;
    group_ = std::move(group);
    return true;
}

// One browse for the game's service type, resolving each service it finds.
class GameFinder : public QObject {
    Q_OBJECT
public:
    explicit GameFinder(QDBusConnection bus) : bus_(std::move(bus)) {}
    ~GameFinder() override {
        if (!path_.isEmpty()) call(bus_, path_, kServiceBrowser, QStringLiteral("Free"));
    }

    bool start(QString* error) {
        const QVariantList where{kUnspec, kUnspec, QString::fromLatin1(kServiceType), QString(), 0u};
        // A daemon that can prepare a browser lets us listen before it starts.
        QDBusMessage reply = call(bus_, QStringLiteral("/"), kServer2, QStringLiteral("ServiceBrowserPrepare"), where);
        if (!failed(reply)) {
            path_ = objectPath(reply);
            listen(path_);
            reply = call(bus_, path_, kServiceBrowser, QStringLiteral("Start"));
        } else if (reply.errorName() == QDBusError::errorString(QDBusError::UnknownMethod) ||
                   reply.errorName() == QDBusError::errorString(QDBusError::UnknownInterface)) {
            // An older one browses as soon as the browser exists and may speak
            // before its path is known: listen to every browser first, keep ours.
            listen(QString());
            reply = call(bus_, QStringLiteral("/"), kServer, QStringLiteral("ServiceBrowserNew"), where);
            if (!failed(reply)) path_ = objectPath(reply);
        }
        if (failed(reply)) {
            setError(error, "Avahi would not browse (" + reply.errorMessage() + ")");
            return false;
        }
        return true;
    }

    QList<FoundGame> run(std::chrono::milliseconds wait, QString* error) {
        deadline_ = QDeadlineTimer(std::max(wait, std::chrono::milliseconds(0)));
        QTimer::singleShot(std::max<qint64>(0, deadline_.remainingTime()), &loop_, &QEventLoop::quit);
        loop_.exec();
        if (!failure_.isEmpty()) {
            setError(error, "Avahi's browsing failed (" + failure_ + ")");
            return {};
        }
        // One entry a name and host, the best address among the interfaces and
        // protocols it came by: a second announcement under a name taken
        // shows beside the first, with its own address, and replaces nothing.
        QMap<QString, const Item*> best;
        for (const Item& item : items_) {
            if (!item.game) continue;
            const Item*& chosen = best[item.game->name + QChar(0) + item.hostName];
            if (!chosen || item.rank < chosen->rank) chosen = &item;
        }
        QList<FoundGame> games;
        for (const Item* item : best)
            if (games.size() < kMaxGames) games.append(*item->game);
        return games;
    }

private slots:
    void itemNew(const QDBusMessage& signal) {
        const QVariantList a = signal.arguments();
        if (signal.path() != path_ || a.size() < 5 || items_.size() >= kMaxItems) return;
        const QString key = itemKey(a);
        if (items_.contains(key)) return;
        items_.insert(key, Item{});
        QDBusMessage resolve =
            QDBusMessage::createMethodCall(kAvahi, QStringLiteral("/"), kServer, QStringLiteral("ResolveService"));
        resolve.setArguments({a[0], a[1], a[2], a[3], a[4], kUnspec, 0u});
        auto* watcher = new QDBusPendingCallWatcher(
            bus_.asyncCall(resolve, int(std::max<qint64>(1, deadline_.remainingTime()))), this);
        watcher->setProperty("key", key);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, &GameFinder::resolved);
        ++pending_;
    }

    void itemRemove(const QDBusMessage& signal) {
        if (signal.path() == path_ && signal.arguments().size() >= 5) items_.remove(itemKey(signal.arguments()));
    }

    void allForNow(const QDBusMessage& signal) {
        if (signal.path() != path_) return;
        allForNow_ = true;
        finishIfDone();
    }

    void failure(const QDBusMessage& signal) {
        if (signal.path() != path_) return;
        failure_ = signal.arguments().value(0).toString();
        if (failure_.isEmpty()) failure_ = QStringLiteral("no reason given");
        loop_.quit();
    }

    void resolved(QDBusPendingCallWatcher* watcher) {
        --pending_;
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        auto item = items_.find(watcher->property("key").toString());
        if (!failed(reply) && item != items_.end() && reply.arguments().size() >= 10) {
            const QVariantList a = reply.arguments();
            FoundGame game{shownName(a[2].toString()), a[7].toString(), quint16(a[8].toUInt()), versionIn(a[9])};
            item->hostName = a[5].toString();
            item->rank = a[6].toInt() == kInet ? 0 : isLinkLocal(game.host) ? 2 : 1;
            // A link-local address needs its interface to be reached.
            char interface[IF_NAMESIZE];
            if (item->rank == 2 && if_indextoname(a[0].toUInt(), interface))
                game.host += '%' + QString::fromLocal8Bit(interface);
            item->game = game;
        }
        finishIfDone();
    }

private:
    struct Item {
        std::optional<FoundGame> game;
        QString hostName;  // the machine's name as announced
        int rank = 0;  // 0 IPv4, 1 IPv6, 2 IPv6 link-local
    };

    void listen(const QString& path) {
        const std::pair<const char*, const char*> hooks[] = {
            {"ItemNew", SLOT(itemNew(QDBusMessage))},
            {"ItemRemove", SLOT(itemRemove(QDBusMessage))},
            {"AllForNow", SLOT(allForNow(QDBusMessage))},
            {"Failure", SLOT(failure(QDBusMessage))}};
        for (const auto& [name, slot] : hooks)
            bus_.connect(kAvahi, path, kServiceBrowser, QString::fromLatin1(name), this, slot);
    }

    // Interface, protocol, name, type and domain: one sighting of one service.
    static QString itemKey(const QVariantList& a) {
        return QStringList{a[0].toString(), a[1].toString(), a[2].toString(), a[3].toString(), a[4].toString()}
            .join(QChar(0));
    }

    // Avahi has told what it has cached and heard so far, and all of it is resolved.
    void finishIfDone() {
        if (allForNow_ && pending_ == 0) loop_.quit();
    }

    QDBusConnection bus_;
    QString path_;
    QMap<QString, Item> items_;
    int pending_ = 0;
    bool allForNow_ = false;
    QString failure_;
    QDeadlineTimer deadline_;
    QEventLoop loop_;
};

QList<FoundGame> findGames(std::chrono::milliseconds wait, QString* error, QString* forWindow) {
    std::optional<QDBusConnection> bus = avahiBus(error, forWindow);
    if (!bus) return {};
    GameFinder finder(*bus);
    QList<FoundGame> games;
    if (finder.start(error)) games = finder.run(wait, error);
    if (error && !error->isEmpty()) setError(forWindow, QStringLiteral("Avahi が対局を探せませんでした。"));
    return games;
}

}  // namespace korvalo

#include "discovery.moc"
