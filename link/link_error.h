// Result codes of every camera-link operation. 0 is success; the failing operation has
// already shown its message (if any) when it returns one of the others.
#pragma once
#include <cstdint>

using LinkError = int32_t;

enum : LinkError {
    kLinkOk = 0,
    kLinkFailed = -1,         // general failure
    kLinkNoMemory = 1,        // image memory cannot be allocated
    kLinkNoLock = 2,          // image memory cannot be locked
    kLinkOpenFailed = 10,     // the COM port cannot be opened
    kLinkQueueSizes = 13,     // driver queue sizes cannot be set
    kLinkPurge = 14,          // port queues cannot be purged
    kLinkGetState = 15,       // line state cannot be read
    kLinkSetState = 16,       // line state cannot be written
    kLinkTimeouts = 17,       // port time-outs cannot be set
    kLinkDriverState = 18,    // driver error state cannot be read during a wait
    kLinkReadFailed = 20,     // a port read failed or was short
    kLinkBadFrame = 30,       // reply signature or frame header wrong, or data checksum wrong
    kLinkBadReplyCode = 31,   // reply code not the expected one
    kLinkBadLength = 32,      // reply data length not the expected one
    kLinkDataError = 33,      // camera status 3, acknowledgement checksum, bad identify reply
    kLinkNotDone = 34,        // camera status 1 (signature protocol)
    kLinkWriteFailed = 40,    // a port write failed or was short
    kLinkCannotExecute = 90,  // camera status 2
    kLinkMemoryFull = 92,     // camera status 4
    kLinkCameraError = 93,    // camera status 5
    kLinkTimeout = 100,       // no complete reply in time, or an input overrun
    kLinkUploadCancelled = 101,
    kLinkNoImage = 102,       // no image, or no thumbnail for the asked image
    kLinkZeroSize = 103,      // size 0 for an image to transfer
    kLinkSpeedRefused = 104,  // model 1 asked to receive images at 115200 bit/s
};
