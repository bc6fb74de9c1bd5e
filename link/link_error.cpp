#include "link/link_error.h"

#include "base/messages.h"

int LinkErrorMessageIndex(LinkError code) {
    switch (code) {
        case 1:
        case 2:
        case 11:
        case 12:
        case 13:
        case 14:
            return kMsgTransferError;
        case 10:
        case 15:
        case 16:
            return kMsgFailedOpenPort;
        case 17:
        case 20:
            return kMsgCannotAccess;
        case 30:
        case 31:
        case 32:
        case 33:
        case 40:
            return kMsgDataError;
        case 90:
            return kMsgCannotExecute;
        case 91:
        case 93:
            return kMsgCameraError;
        case 92:
            return kMsgMemoryFull;
        default:
            return -1;
    }
}

int FailureMessageIndex(LinkError code) {
    const int index = LinkErrorMessageIndex(code);
    if (index >= 0) return index;
    switch (code) {
        case kLinkNotDone:
            return kMsgDataErrorRestart;
        case kLinkDriverState:
            return kMsgTransferError;
        case kLinkTimeout:
            return kMsgCannotAccess;
        case kLinkNoImage:
            return kMsgNoImages;
        case kLinkZeroSize:
            return kMsgTransferError;
        case kLinkSpeedRefused:
            return kMsgBaudrate;
        default:
            return kMsgUnexpected;
    }
}

bool IsLineFailure(LinkError code) {
    switch (code) {
        case kLinkOpenFailed:
        case kLinkQueueSizes:
        case kLinkPurge:
        case kLinkGetState:
        case kLinkSetState:
        case kLinkTimeouts:
        case kLinkDriverState:
        case kLinkReadFailed:
        case kLinkWriteFailed:
        case kLinkTimeout:
            return true;
        default:
            return false;
    }
}

void ShowLinkError(LinkError code) {
    int index = LinkErrorMessageIndex(code);
    if (index >= 0) ShowError(index);
}
