// Starting a service and waiting while it reports that it is still starting,
// over plain values: the status query, the start request, the tick count and
// the sleep are handed in, so the policy runs without a service manager.
#pragma once
#include <cstdint>
#include <functional>

namespace rs {

inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceRunning = 4;

// The fields of the service status record the wait looks at.
struct ServiceStatus {
    std::uint32_t currentState = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;  // milliseconds
};

struct ServiceStartCalls {
    std::function<bool(ServiceStatus&)> query;  // false when the query failed
    std::function<bool()> start;                // false when the start is refused
    std::function<std::uint32_t()> tickCount;   // milliseconds, wrapping at 2^32
    std::function<void(std::uint32_t)> sleep;   // milliseconds
};

// A tenth of the wait hint, kept within 1 to 10 seconds.
std::uint32_t SleepIntervalFor(std::uint32_t waitHint);

// Waits while the service is start pending, given the status queried right
// after the start request. The body sleeps at least once. 0 when the service
// ends up running, -3 otherwise (query failed, stopped, or no progress within
// the wait hint).
int WaitForServiceStart(ServiceStatus afterStart, const ServiceStartCalls& calls);

// Queries the service; an already running service is neither started nor
// waited for (-3). Otherwise requests the start and waits as above.
int StartServiceAndWait(const ServiceStartCalls& calls);

}  // namespace rs
