#pragma once
// The clock that the waiting loops of the process and service routines poll
// against. It is monotonic; tests install one whose sleeps advance time at
// once, so that waits of many seconds run instantly.
#include <chrono>

namespace u3 {

class PollClock {
public:
    virtual ~PollClock() = default;
    virtual std::chrono::steady_clock::time_point Now() = 0;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// The installed clock; without one, the steady clock and a real sleep.
PollClock& CurrentPollClock();
// Installs a clock (not owned); nullptr restores the real one.
void SetPollClock(PollClock* clock);

// The waits of the process routines (1.15e-4 of a day) and of the service
// routines (6.3e-4 of a day), polled every 50 ms.
inline constexpr std::chrono::milliseconds kPollInterval {50};
inline constexpr std::chrono::milliseconds kProcessWaitTimeout {9936};
inline constexpr std::chrono::milliseconds kServiceWaitTimeout {54432};

} // namespace u3
