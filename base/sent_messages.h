// Waiting for another process without blocking the programs that send to
// this thread's windows: a broadcast (SendMessage to HWND_BROADCAST, as
// installers send WM_SETTINGCHANGE) waits for every top-level window, also
// hidden ones, so a thread that only waits would hang its sender and itself.
#pragma once
#include <windows.h>

namespace rs {

// Waits without a time limit until `object` is signalled, answering the
// messages sent to this thread meanwhile. Posted messages, input included,
// stay queued: no click or key is handled during the wait.
inline void WaitAnsweringSentMessages(HANDLE object) {
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return;
        if (r != WAIT_OBJECT_0 + 1) {
            // Cannot watch the queue: a plain wait still never returns early.
            WaitForSingleObject(object, INFINITE);
            return;
        }
        // Peeking delivers the sent messages; nothing posted is removed.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
}

}  // namespace rs
