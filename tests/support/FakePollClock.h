#pragma once
// A poll clock whose sleeps advance its time at once (with a token real pause,
// so that real child processes get to run), installed for the test's scope.
#include "u3/PollClock.h"

#include <chrono>
#include <thread>

namespace e3test {

class FakePollClock final : public u3::PollClock {
public:
    explicit FakePollClock(std::chrono::microseconds realPause = std::chrono::microseconds(500))
        : realPause_(realPause)
    {
        u3::SetPollClock(this);
    }
    ~FakePollClock() override { u3::SetPollClock(nullptr); }
    FakePollClock(const FakePollClock&) = delete;
    FakePollClock& operator=(const FakePollClock&) = delete;

    std::chrono::steady_clock::time_point Now() override { return now_; }
    void Sleep(std::chrono::milliseconds duration) override
    {
        now_ += duration;
        elapsed += duration;
        ++sleeps;
        if (realPause_.count() > 0)
            std::this_thread::sleep_for(realPause_);
    }

    std::chrono::milliseconds elapsed {0};
    int sleeps = 0;

private:
    std::chrono::steady_clock::time_point now_ {};
    std::chrono::microseconds realPause_;
};

} // namespace e3test
