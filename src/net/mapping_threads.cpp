// The threads on which PortMapping asks the router, and the watch over them:
// the host never waits on a router longer than a few seconds, whatever it
// sends or withholds.
#include <QMetaObject>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "net/mapping_router.h"

namespace korvalo::net {

namespace {

constexpr int renewMilliseconds = mappingLeaseSeconds * 1000 / 2;  // half the lease
// Whatever the router does, its answer is awaited this long, and its removal
// of the mapping when the host ends (NAT-PMP's own wait is 2 s). An attempt
// under way when the host ends is awaited a moment only: the host does not
// wait for a router it has not heard from.
constexpr int answerMilliseconds = 5000;
constexpr auto removalLimit = std::chrono::milliseconds(2100);
constexpr auto attemptEndLimit = std::chrono::milliseconds(300);

}  // namespace

// The router and the state of the threads that ask it. A thread keeps it alive
// while it runs, so that one the host no longer waits for (a router that
// trickles its answers, say) ends on its own, with the object gone: every
// exchange it has with the router ends by the attempt's deadline or when
// stopping is set, and reads no more than router_http.h allows.
struct PortMapping::Shared {
    const std::shared_ptr<Router> router = makeRouter();
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable idle;
    bool busy = false;       // a thread asks the router
    bool abandoned = false;  // the host no longer waits: what was made is removed
    bool reported = false;   // the attempt's result is on its way to the object
};

PortMapping::PortMapping()
{
    renewal_.setInterval(renewMilliseconds);
    QObject::connect(&renewal_, &QTimer::timeout, this, [this] { renew(); });
    watchdog_.setSingleShot(true);
    watchdog_.setInterval(answerMilliseconds);
    QObject::connect(&watchdog_, &QTimer::timeout, this, [this] { giveUp(); });
}

PortMapping::~PortMapping()
{
    remove();
}

void PortMapping::run(const std::shared_ptr<Shared>& shared, std::function<void(Shared&)> job)
{
    {
        const std::lock_guard lock(shared->mutex);
        shared->busy = true;
    }
    std::thread([shared, job = std::move(job)] {
        job(*shared);
        std::unique_lock lock(shared->mutex);
        if (shared->abandoned) {
            lock.unlock();
            removeMapping(*shared->router);
            lock.lock();
        }
        shared->busy = false;
        shared->idle.notify_all();
    }).detach();
}

void PortMapping::start(quint16 port)
{
    remove();
    shared_ = std::make_shared<Shared>();
    begun_ = std::chrono::steady_clock::now();
    askedPort_ = port;
    watchdog_.start();
    run(shared_, [this, port](Shared& shared) {
        const MappingResult result = mapPort(*shared.router, port, shared.stopping);
        const std::lock_guard lock(shared.mutex);
        if (shared.abandoned)
            return;
        shared.reported = true;
        QMetaObject::invokeMethod(
            this,
            [this, result] {
                watchdog_.stop();
                if (result.outcome == MappingResult::Outcome::Mapped)
                    renewal_.start();
                if (done)
                    done(result);
            },
            Qt::QueuedConnection);
    });
}

void PortMapping::giveUp()
{
    if (!shared_)
        return;
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->reported)
            return;
        shared_->abandoned = true;
        shared_->stopping = true;
    }
    shared_.reset();
    MappingResult result;
    result.askedPort = askedPort_;
    result.milliseconds = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - begun_)
                                               .count());
    if (done)
        done(result);
}

void PortMapping::renew()
{
    if (!shared_)
        return;
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->busy)
            return;
    }
    run(shared_, [](Shared& shared) { renewMapping(*shared.router); });
}

void PortMapping::remove()
{
    renewal_.stop();
    watchdog_.stop();
    const std::shared_ptr<Shared> shared = std::move(shared_);
    if (!shared)
        return;
    // The thread that asks the router removes what it made once it ends; an
    // attempt is cut short where it can be, and the host waits a while only.
    shared->stopping = true;
    std::unique_lock lock(shared->mutex);
    shared->abandoned = true;
    if (!shared->busy) {
        lock.unlock();
        run(shared, [](Shared&) {});
        lock.lock();
    }
    shared->idle.wait_for(lock, shared->reported ? removalLimit : attemptEndLimit, [&] { return !shared->busy; });
}

}  // namespace korvalo::net
