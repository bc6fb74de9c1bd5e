#include "base/win/win_pump.h"

void WinMessagePump::WaitForMessage(uint32_t ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
}

PumpResult WinMessagePump::PumpOne(bool drop_vscroll) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return PumpResult::kEmpty;
    if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return PumpResult::kQuit;
    }
    if (drop_vscroll && msg.message == WM_VSCROLL) return PumpResult::kVScroll;
    if (drop_commands_ && msg.message == WM_COMMAND) return PumpResult::kDispatched;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return PumpResult::kDispatched;
}
