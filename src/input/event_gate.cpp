#include "input/event_gate.h"

namespace korvalo {

void EventGate::run(std::function<void()> handler)
{
    if (ended_)
        return;
    queued_.push_back(std::move(handler));
    if (running_)
        return;
    running_ = true;
    while (!queued_.empty() && !ended_) {
        std::function<void()> next = std::move(queued_.front());
        queued_.pop_front();
        next();
    }
    queued_.clear();
    running_ = false;
}

}  // namespace korvalo
