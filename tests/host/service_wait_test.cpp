#include "install/service_wait_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

using rs::ServiceStatus;
using rs::SleepIntervalFor;

namespace {

constexpr std::uint32_t kStopped = rs::kServiceStopped;
constexpr std::uint32_t kPending = rs::kServiceStartPending;
constexpr std::uint32_t kRunning = rs::kServiceRunning;

// A scripted service and clock: each query returns the next status of the
// script (nullopt is a failed query); sleeping moves the clock on.
struct FakeService {
    std::vector<std::optional<ServiceStatus>> script;
    std::size_t queries = 0;
    bool startAccepted = true;
    int starts = 0;
    std::uint32_t now = 5000;
    std::vector<std::uint32_t> sleeps;

    rs::ServiceStartCalls Calls() {
        rs::ServiceStartCalls c;
        c.query = [this](ServiceStatus& s) {
            if (queries >= script.size()) ADD_FAILURE() << "query beyond the script";
            const auto& next = script.at(queries++);
            if (!next) return false;
            s = *next;
            return true;
        };
        c.start = [this] {
            ++starts;
            return startAccepted;
        };
        c.tickCount = [this] { return now; };
        c.sleep = [this](std::uint32_t ms) {
            sleeps.push_back(ms);
            now += ms;  // wraps like the system tick count
        };
        return c;
    }
    int Run() { return rs::StartServiceAndWait(Calls()); }
};

ServiceStatus St(std::uint32_t state, std::uint32_t checkPoint = 0, std::uint32_t waitHint = 0) {
    return ServiceStatus{state, checkPoint, waitHint};
}

}  // namespace

TEST(ServiceSleepInterval, TenthOfWaitHintWithinOneToTenSeconds) {
    EXPECT_EQ(SleepIntervalFor(30000), 3000u);
    EXPECT_EQ(SleepIntervalFor(5000), 1000u);     // raised to the minimum
    EXPECT_EQ(SleepIntervalFor(200000), 10000u);  // capped
    EXPECT_EQ(SleepIntervalFor(0), 1000u);
    EXPECT_EQ(SleepIntervalFor(10009), 1000u);  // integer division: 1000
    EXPECT_EQ(SleepIntervalFor(10010), 1001u);
    EXPECT_EQ(SleepIntervalFor(100009), 10000u);
    EXPECT_EQ(SleepIntervalFor(100010), 10000u);  // 10001 capped
    EXPECT_EQ(SleepIntervalFor(0xFFFFFFFFu), 10000u);
}

TEST(ServiceStart, AlreadyRunningIsNeitherStartedNorWaitedFor) {
    FakeService f;
    f.script = {St(kRunning, 0, 30000)};
    EXPECT_EQ(f.Run(), -3);
    EXPECT_EQ(f.starts, 0);
    EXPECT_TRUE(f.sleeps.empty());
    EXPECT_EQ(f.queries, 1u);
}

TEST(ServiceStart, FailuresBeforeTheWaitEndAtOnce) {
    {
        FakeService f;  // first query fails: no start
        f.script = {std::nullopt};
        EXPECT_EQ(f.Run(), -3);
        EXPECT_EQ(f.starts, 0);
    }
    {
        FakeService f;  // start refused
        f.script = {St(kStopped)};
        f.startAccepted = false;
        EXPECT_EQ(f.Run(), -3);
        EXPECT_EQ(f.starts, 1);
        EXPECT_EQ(f.queries, 1u);
        EXPECT_TRUE(f.sleeps.empty());
    }
    {
        FakeService f;  // query after the start fails
        f.script = {St(kStopped), std::nullopt};
        EXPECT_EQ(f.Run(), -3);
        EXPECT_TRUE(f.sleeps.empty());
    }
}

TEST(ServiceStart, RunningDuringFirstSleepTakesExactlyOneSleep) {
    FakeService f;
    f.script = {St(kStopped), St(kPending, 1, 2000), St(kRunning)};
    EXPECT_EQ(f.Run(), 0);
    EXPECT_EQ(f.starts, 1);
    EXPECT_EQ(f.sleeps, std::vector<std::uint32_t>{1000});
}

TEST(ServiceStart, BodyRunsOnceEvenWhenRunningRightAfterStart) {
    FakeService f;
    f.script = {St(kStopped), St(kRunning), St(kRunning)};
    EXPECT_EQ(f.Run(), 0);
    EXPECT_EQ(f.sleeps.size(), 1u);
    EXPECT_EQ(f.queries, 3u);
}

TEST(ServiceStart, ZeroWaitHintWithoutProgressEndsAfterOneSecond) {
    {
        FakeService f;
        f.script = {St(kStopped), St(kPending, 3, 0), St(kPending, 3, 0)};
        EXPECT_EQ(f.Run(), -3);
        EXPECT_EQ(f.sleeps, std::vector<std::uint32_t>{1000});
    }
    {
        FakeService f;  // running by then
        f.script = {St(kStopped), St(kPending, 3, 0), St(kRunning, 3, 0)};
        EXPECT_EQ(f.Run(), 0);
        EXPECT_EQ(f.sleeps.size(), 1u);
    }
}

TEST(ServiceStart, RisingCheckPointWaitsWithoutOverallLimit) {
    FakeService f;
    f.script = {St(kStopped), St(kPending, 0, 1500)};
    // 100 seconds of progress, far beyond the wait hint, then running.
    for (std::uint32_t cp = 1; cp <= 100; ++cp) f.script.push_back(St(kPending, cp, 1500));
    f.script.push_back(St(kRunning, 0, 0));
    EXPECT_EQ(f.Run(), 0);
    EXPECT_EQ(f.sleeps.size(), 101u);
}

TEST(ServiceStart, StalledCheckPointEndsOnceWaitHintHasPassedSinceLastRise) {
    FakeService f;
    // Hint 2500 sleeps 1000 each: after the rise at the second query the
    // elapsed time is 1000, 2000 (not over), 3000 (over): three more sleeps.
    f.script = {St(kStopped), St(kPending, 1, 2500), St(kPending, 2, 2500),
                St(kPending, 2, 2500), St(kPending, 2, 2500), St(kPending, 2, 2500)};
    EXPECT_EQ(f.Run(), -3);
    EXPECT_EQ(f.sleeps.size(), 4u);
    EXPECT_EQ(f.queries, 6u);
}

TEST(ServiceStart, ElapsedEqualToWaitHintIsNotYetOver) {
    FakeService f;
    f.script = {St(kStopped), St(kPending, 1, 1000), St(kPending, 1, 1000),
                St(kPending, 1, 1000)};
    EXPECT_EQ(f.Run(), -3);
    EXPECT_EQ(f.sleeps.size(), 2u);  // 1000 is not more than 1000; 2000 is
}

TEST(ServiceStart, StopDuringStartEndsAfterTheCurrentSleep) {
    FakeService f;
    f.script = {St(kStopped), St(kPending, 1, 30000), St(kStopped, 1, 30000)};
    EXPECT_EQ(f.Run(), -3);
    EXPECT_EQ(f.sleeps, std::vector<std::uint32_t>{3000});
}

TEST(ServiceStart, FailedQueryInTheWaitEndsWithoutFurtherSleep) {
    FakeService f;
    f.script = {St(kStopped), St(kPending, 1, 2000), St(kPending, 2, 2000), std::nullopt};
    EXPECT_EQ(f.Run(), -3);
    EXPECT_EQ(f.sleeps.size(), 2u);
}

TEST(ServiceStart, SleepAndLimitFollowTheLatestWaitHint) {
    FakeService f;
    f.script = {St(kStopped), St(kPending, 1, 30000), St(kPending, 2, 50000),
                St(kPending, 2, 200000), St(kRunning, 2, 0)};
    EXPECT_EQ(f.Run(), 0);
    EXPECT_EQ(f.sleeps, (std::vector<std::uint32_t>{3000, 5000, 10000}));

    FakeService g;  // the limit shrinks with the hint: 3000 > 2000 after one sleep
    g.script = {St(kStopped), St(kPending, 1, 30000), St(kPending, 1, 2000)};
    EXPECT_EQ(g.Run(), -3);
    EXPECT_EQ(g.sleeps.size(), 1u);
}

TEST(ServiceStart, TickCountWrapKeepsElapsedTimeRight) {
    FakeService f;
    f.now = 0xFFFFFFFFu - 500;  // wraps during the first sleep
    f.script = {St(kStopped), St(kPending, 1, 2500), St(kPending, 1, 2500),
                St(kPending, 1, 2500), St(kPending, 1, 2500)};
    EXPECT_EQ(f.Run(), -3);
    EXPECT_EQ(f.sleeps.size(), 3u);  // 1000, 2000, then 3000 > 2500

    FakeService g;  // a rise just before the wrap resets the start tick
    g.now = 0xFFFFFFFFu - 1500;
    g.script = {St(kStopped), St(kPending, 1, 1500), St(kPending, 2, 1500),
                St(kPending, 2, 1500), St(kRunning, 2, 1500)};
    EXPECT_EQ(g.Run(), 0);
    EXPECT_EQ(g.sleeps.size(), 3u);
}
