#include "install/service_wait_rules.h"

namespace rs {

namespace {
constexpr int kStarted = 0;
constexpr int kNotStarted = -3;
}  // namespace

std::uint32_t SleepIntervalFor(std::uint32_t waitHint) {
    const std::uint32_t interval = waitHint / 10;
    if (interval < 1000) return 1000;
    if (interval > 10000) return 10000;
    return interval;
}

int WaitForServiceStart(ServiceStatus afterStart, const ServiceStartCalls& calls) {
    ServiceStatus status = afterStart;
    std::uint32_t startTick = calls.tickCount();
    std::uint32_t lastCheckPoint = status.checkPoint;
    do {
        calls.sleep(SleepIntervalFor(status.waitHint));
        if (!calls.query(status)) return kNotStarted;
        if (status.checkPoint > lastCheckPoint) {
            startTick = calls.tickCount();
            lastCheckPoint = status.checkPoint;
        } else {
            // Unsigned subtraction: stays right when the tick count wraps.
            const std::uint32_t elapsed = calls.tickCount() - startTick;
            if (elapsed > status.waitHint) break;
        }
    } while (status.currentState == kServiceStartPending);
    return status.currentState == kServiceRunning ? kStarted : kNotStarted;
}

int StartServiceAndWait(const ServiceStartCalls& calls) {
    ServiceStatus status;
    if (!calls.query(status)) return kNotStarted;
    if (status.currentState == kServiceRunning) return kNotStarted;
    if (!calls.start()) return kNotStarted;
    if (!calls.query(status)) return kNotStarted;
    return WaitForServiceStart(status, calls);
}

}  // namespace rs
