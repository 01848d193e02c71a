// PLACEHOLDER until the restart unit lands.
#pragma once
namespace rs {
bool RestartSystem();
}
