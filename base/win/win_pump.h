// The Windows side of the message-pump seam: long waits on the user-interface thread take one
// message at a time off the thread's queue. A quit message is posted again so that the main
// loop still ends the program; commands are dropped while JPEG coding runs.
#pragma once
#include <windows.h>

#include "base/message_pump.h"

struct WinMessagePump : MessagePump {
    PumpResult PumpOne(bool drop_vscroll) override;
    void WaitForMessage(uint32_t ms) override;
    void SetCommandsDropped(bool on) override { drop_commands_ = on; }
    bool CommandsDropped() const { return drop_commands_; }

private:
    bool drop_commands_ = false;
};
