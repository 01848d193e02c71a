// The Windows Smart Card service "SCardSvr": automatic start and started,
// and its start-up values on Windows 95/98/Me.
#pragma once

namespace rs {

// 0 started and running, -1 no service manager, -2 no such service,
// -3 anything else (already running included).
int StartSmartCardService();

// Deletes "SCardSvr" from the Run and RunServices lists when readable.
void RemoveSmartCardRunValues();

}  // namespace rs
