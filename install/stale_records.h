// Silent removal of stale device records (Windows 95/98/Me path).
#pragma once

namespace rs {

void RemoveStaleUsbRecord();
void RemoveSerialReaderRecord();

}  // namespace rs
