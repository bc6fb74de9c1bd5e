// Result codes of every camera-link operation. 0 is success; the failing operation has
// already shown its message (if any) when it returns one of the others.
#pragma once
#include <cstdint>

using LinkError = int32_t;

constexpr LinkError kLinkOk = 0;
constexpr LinkError kLinkFailed = -1;       // general failure
constexpr LinkError kLinkNoMemory = 1;      // image memory cannot be allocated
constexpr LinkError kLinkNoLock = 2;        // image memory cannot be locked
constexpr LinkError kLinkOpenFailed = 10;   // the COM port cannot be opened
constexpr LinkError kLinkQueueSizes = 13;   // driver queue sizes cannot be set
constexpr LinkError kLinkPurge = 14;        // port queues cannot be purged
constexpr LinkError kLinkGetState = 15;     // line state cannot be read
constexpr LinkError kLinkSetState = 16;     // line state cannot be written
constexpr LinkError kLinkTimeouts = 17;     // port time-outs cannot be set
constexpr LinkError kLinkDriverState = 18;  // driver error state cannot be read during a wait
constexpr LinkError kLinkReadFailed = 20;   // a port read failed or was short
constexpr LinkError kLinkBadFrame =
    30;  // reply signature or frame header wrong, or data checksum wrong
constexpr LinkError kLinkBadReplyCode = 31;  // reply code not the expected one
constexpr LinkError kLinkBadLength = 32;     // reply data length not the expected one
constexpr LinkError kLinkDataError =
    33;  // camera status 3, acknowledgement checksum, bad identify reply
constexpr LinkError kLinkNotDone = 34;        // camera status 1 (signature protocol)
constexpr LinkError kLinkWriteFailed = 40;    // a port write failed or was short
constexpr LinkError kLinkCannotExecute = 90;  // camera status 2
constexpr LinkError kLinkMemoryFull = 92;     // camera status 4
constexpr LinkError kLinkCameraError = 93;    // camera status 5
constexpr LinkError kLinkTimeout = 100;       // no complete reply in time, or an input overrun
constexpr LinkError kLinkUploadCancelled = 101;
constexpr LinkError kLinkNoImage = 102;       // no image, or no thumbnail for the asked image
constexpr LinkError kLinkZeroSize = 103;      // size 0 for an image to transfer
constexpr LinkError kLinkSpeedRefused = 104;  // model 1 asked to receive images at 115200 bit/s

// The error-table index of the camera browser's message for a failed operation's code, or -1
// for none (the failing operation has shown its message, or none is wanted, as for 100).
int LinkErrorMessageIndex(LinkError code);
// Shows that message, if any.
void ShowLinkError(LinkError code);
// The index of the message that tells the user of a failure with this code where nothing has
// told them yet: the browser's mapping, and for the codes it leaves out (their message is
// usually shown where they arise) the message that fits them.
int FailureMessageIndex(LinkError code);
// A failure of the line itself rather than of one reply: the port could not be driven, or the
// camera gave no answer to a command and its retries. Nothing later in the same run can do
// better, so a run of many images stops at the first one.
bool IsLineFailure(LinkError code);
