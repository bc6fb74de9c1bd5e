// The message-pump seam: long waits on the user-interface thread call it to keep windows
// alive. The Windows program dispatches its queue; the command-line tool and most tests have
// nothing to dispatch.
#pragma once
#include <cstdint>

enum class PumpResult {
    kEmpty,       // nothing was waiting
    kDispatched,  // one message was translated and dispatched
    kQuit,        // a quit message was met; it has been posted again
    kVScroll,     // a vertical-scroll message was taken off the queue and dropped
};

struct MessagePump {
    virtual ~MessagePump() = default;
    // Takes at most one waiting message. With drop_vscroll set, a vertical-scroll message is
    // removed without being dispatched and reported as kVScroll.
    virtual PumpResult PumpOne(bool drop_vscroll) = 0;
    // Blocks until a message is waiting or ms milliseconds have passed. The default, for
    // callers without a window queue, sleeps on the installed clock.
    virtual void WaitForMessage(uint32_t ms);
    // While set, command messages (menu, toolbar, buttons) are taken off the queue and dropped
    // instead of dispatched: JPEG coding sets it so that no command starts in the middle.
    virtual void SetCommandsDropped(bool) {}
};

struct NullMessagePump : MessagePump {
    PumpResult PumpOne(bool) override { return PumpResult::kEmpty; }
};
