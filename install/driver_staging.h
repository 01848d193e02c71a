// PLACEHOLDER until the staging unit lands.
#pragma once
#include <string>
namespace rs {
bool StageDriverPackage(const std::string& bindingInfPath, bool& restartNeeded);
}
