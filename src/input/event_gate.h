#pragma once
// Lets one event handler of the window run at a time. An event that arrives
// while a handler runs (from a message box's loop, say) waits and runs after
// it, in order; once the program has ended nothing runs any more.
#include <deque>
#include <functional>

namespace korvalo {

class EventGate {
public:
    // Runs handler now, or queues it behind the running one.
    void run(std::function<void()> handler);
    bool busy() const { return running_; }
    // The handlers queued behind the running one.
    std::size_t waiting() const { return queued_.size(); }
    // No handler runs after this, not even the queued ones.
    void end() { ended_ = true; }
    bool ended() const { return ended_; }

private:
    std::deque<std::function<void()>> queued_;
    bool running_ = false;
    bool ended_ = false;
};

}  // namespace korvalo
