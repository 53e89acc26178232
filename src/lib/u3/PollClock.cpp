#include "u3/PollClock.h"

#include <atomic>
#include <thread>

namespace u3 {
namespace {

class SteadyPollClock final : public PollClock {
public:
    std::chrono::steady_clock::time_point Now() override { return std::chrono::steady_clock::now(); }
    void Sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

SteadyPollClock steadyClock;
std::atomic<PollClock*> installed {nullptr};

} // namespace

PollClock& CurrentPollClock()
{
    PollClock* clock = installed.load();
    return clock ? *clock : steadyClock;
}

void SetPollClock(PollClock* clock)
{
    installed.store(clock);
}

} // namespace u3
