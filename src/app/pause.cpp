#include "app/pause.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <thread>

namespace korvalo {

namespace {
double pauseScale = 1;
}  // namespace

void setPauseScale(double factor)
{
    pauseScale = factor;
}

void pauseWithoutInput(double seconds)
{
    seconds *= pauseScale;
    if (!(seconds > 0))
        return;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::ceil<Clock::duration>(std::chrono::duration<double>(seconds));
    // The event loop's timer is a millisecond timer and the loop may be busy
    // painting when it fires; the last stretch is slept instead.
    constexpr auto sleptEnd = std::chrono::milliseconds(2);

    const auto loopTime = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now() - sleptEnd);
    if (loopTime.count() > 0 && QCoreApplication::instance()) {
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(loopTime);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    for (auto left = deadline - Clock::now(); left > Clock::duration::zero(); left = deadline - Clock::now())
        std::this_thread::sleep_for(left);
}

void pauseUntil(const std::function<bool()>& done)
{
    if (done())
        return;
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    look.start(5);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace korvalo
