// Both camera protocols. An exchange is: purge, write the request, then one deadline for the
// whole reply while the wait keeps the user interface alive one message at a time. Reply
// checks run in a fixed order and the first failure decides the code; the command operations
// differ only in their data, time-out and retry rule, so each is a few lines over the shared
// exchange, check and retry helpers.
#include "link/protocol.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "base/bytes.h"
#include "base/platform.h"
#include "base/messages.h"
#include "link/link_profile.h"
#include "link/port.h"

namespace {

TimeSource& Clock() {
    return *Plat().time;
}

// What one round of a reply wait found.
enum class Round { kIdle, kBusy, kQuit, kFailed };

// The common part of a wait round: give the user interface one message, or else ask the
// driver for its state. On kIdle, *waiting holds the queued byte count.
Round WaitRound(CameraLink& s, bool sequenced, uint32_t* waiting, LinkError* err) {
    PumpResult r = Plat().pump->PumpOne(sequenced);
    if (r == PumpResult::kQuit) return Round::kQuit;
    if (r == PumpResult::kDispatched) return Round::kBusy;
    uint32_t errors = 0;
    if (!s.port || !s.port->GetStatus(&errors, waiting)) {
        ShowError(kMsgTransferError);
        *err = kLinkDriverState;
        return Round::kFailed;
    }
    if (sequenced) {
        if (errors & (kLineRxOver | kLineOverrun)) {
            *err = kLinkTimeout;
            return Round::kFailed;
        }
    } else if (errors != 0 && CurrentLinkProfile().strict_line_errors) {
        ShowError(kMsgTransferError);
        *err = kLinkDriverState;
        return Round::kFailed;
    }
    return Round::kIdle;
}

constexpr uint32_t kIdleSliceMs = 50;

// Nothing (or not enough) to read yet: block in the system until the camera sends more, a
// window message arrives or the deadline comes, instead of spinning. While part of a reply is
// waiting, or when the port cannot wait for input (the Win32 comm handle), the thread waits for
// messages a millisecond at a time and the port is asked again.
void IdleWait(CameraLink& s, uint32_t waiting, uint32_t left_ms) {
    const uint32_t slice = std::min(left_ms + 1, kIdleSliceMs);
    if (waiting == 0 && s.port->WaitForInput(slice)) return;
    Plat().pump->WaitForMessage(1);
}

// Reads exactly count bytes that the driver said are waiting.
LinkError ReadExact(CameraLink& s, uint8_t* dest, uint32_t count) {
    uint32_t got = 0;
    if (!s.port->Read(dest, count, &got) || got != count) {
        ShowError(kMsgReadFailed);
        return kLinkReadFailed;
    }
    return kLinkOk;
}

// Reads up to `missing` bytes of what is waiting; advances the counters.
LinkError ReadSome(CameraLink& s, uint8_t* dest, uint32_t waiting, uint32_t* missing,
                   uint32_t* pos) {
    uint32_t take = std::min(waiting, *missing);
    if (take == 0) return kLinkOk;
    LinkError r = ReadExact(s, dest + *pos, take);
    if (r != kLinkOk) return r;
    *pos += take;
    *missing -= take;
    return kLinkOk;
}

// The 17-byte signature header: signature, big-endian length, command.
void PutSigHeader(CameraLink& s, uint8_t command, uint32_t length) {
    uint8_t* p = s.request.data();
    std::memcpy(p, kSigRequest, 12);
    p[12] = static_cast<uint8_t>(length >> 24);
    p[13] = static_cast<uint8_t>(length >> 16);
    p[14] = static_cast<uint8_t>(length >> 8);
    p[15] = static_cast<uint8_t>(length);
    p[16] = command;
}

LinkError SendRequest(CameraLink& s, bool paced_allowed) {
    return paced_allowed ? WritePacket(s, s.request.data(), s.request_length)
                         : WritePacketWhole(s, s.request.data(), s.request_length);
}

// The wait for one reply: one deadline for the whole reply, the line rules of its protocol.
struct ReplyWait {
    CameraLink& s;
    bool sequenced;
    uint32_t start;
    uint32_t timeout_ms;
    bool quit = false;  // a quit message was met (it has been posted again)
};

// Waits until at least `need` bytes are queued, keeping the user interface alive and blocking
// while there is nothing to do. kLinkOk with *waiting set; kLinkTimeout at the deadline;
// kLinkFailed with w.quit set at a quit message; or the driver's failure.
LinkError AwaitBytes(ReplyWait& w, uint32_t need, uint32_t* waiting) {
    TimeSource& t = Clock();
    LinkError err = kLinkOk;
    for (;;) {
        const uint32_t elapsed = t.TickCount() - w.start;
        if (elapsed > w.timeout_ms) return kLinkTimeout;
        const Round r = WaitRound(w.s, w.sequenced, waiting, &err);
        if (r == Round::kQuit) {
            w.quit = true;
            return kLinkFailed;
        }
        if (r == Round::kFailed) return err;
        if (r == Round::kBusy) continue;
        if (*waiting >= need) return kLinkOk;
        IdleWait(w.s, *waiting, w.timeout_ms - elapsed);
    }
}

// The reply half of a signature exchange. `command` is the request's command: a block read's
// data goes straight into the image buffer.
LinkError SigReceive(CameraLink& s, uint8_t command, uint32_t timeout_ms) {
    ReplyWait w{s, false, Clock().TickCount(), timeout_ms};
    uint32_t waiting = 0;
    LinkError err = AwaitBytes(w, kSigHeaderSize, &waiting);
    if (err == kLinkOk) err = ReadExact(s, s.reply.data(), kSigHeaderSize);
    if (err != kLinkOk) return err;
    const uint32_t n = GetBe32(s.reply.data() + 12);
    s.reply_data_length = n;
    uint8_t* dest;
    uint32_t missing;
    if (command == kSigReadBlock) {
        const uint64_t offset = uint64_t((s.request[17] << 8) | s.request[18]) * kBlockSize;
        missing = std::min<uint32_t>(n, kBlockSize);
        if (offset + missing > s.image.size()) return kLinkNoLock;  // no room for this block
        dest = s.image.data() + offset;
    } else {
        missing = std::min<uint32_t>(n, kSigReplyDataCap);
        dest = s.reply.data() + kSigHeaderSize;
    }
    uint32_t pos = 0;
    while (missing > 0) {
        err = AwaitBytes(w, 1, &waiting);
        if (err == kLinkOk) err = ReadSome(s, dest, waiting, &missing, &pos);
        if (err != kLinkOk) return err;
    }
    return kLinkOk;
}

bool SeqHeaderValid(const uint8_t* h) {
    return (h[0] == kFrameLong || h[0] == kFrameShort || h[0] == kFrameMedium) &&
           h[2] == static_cast<uint8_t>(h[1] ^ 0xFF);
}

// The reply half of a sequenced exchange: 4-byte header search with resynchronisation, the
// body, then a drain of what arrived meanwhile. A frame that is still incomplete is never
// taken as a reply.
LinkError SeqReceive(CameraLink& s, uint32_t timeout_ms) {
    ReplyWait w{s, true, Clock().TickCount(), timeout_ms};
    uint32_t waiting = 0;
    uint8_t* buf = s.reply.data();
    for (;;) {
        LinkError err = AwaitBytes(w, 4, &waiting);
        if (err == kLinkOk) err = ReadExact(s, buf, 4);
        if (err != kLinkOk) return err;
        if (SeqHeaderValid(buf)) break;
    }
    uint32_t missing = SeqFrameSize(buf[0]) - 4;
    uint32_t pos = 4;
    while (missing > 0) {
        LinkError err = AwaitBytes(w, 1, &waiting);
        if (w.quit) break;  // what already arrived is still drained below
        if (err == kLinkOk) err = ReadSome(s, buf, waiting, &missing, &pos);
        if (err != kLinkOk) return err;
    }
    uint32_t errors = 0;
    if (!s.port->GetStatus(&errors, &waiting)) {
        ShowError(kMsgTransferError);
        return kLinkDriverState;
    }
    if (errors & (kLineRxOver | kLineOverrun)) return kLinkTimeout;
    LinkError err = ReadSome(s, buf, waiting, &missing, &pos);
    if (err != kLinkOk) return err;
    if (missing > 0) return w.quit ? kLinkFailed : kLinkTimeout;
    return kLinkOk;
}

template <size_t N>
bool Contains(const LinkError (&set)[N], LinkError code) {
    return std::find(std::begin(set), std::end(set), code) != std::end(set);
}

// Runs up to `attempts` attempts; codes outside `retried` end at once. When the last attempt
// fails, "Cannot access Camera..." is shown if asked for.
template <size_t N, typename Attempt>
LinkError Retry(int attempts, const LinkError (&retried)[N], bool final_message, Attempt attempt) {
    LinkError r = kLinkOk;
    for (int i = 0; i < attempts; ++i) {
        r = attempt();
        if (r == kLinkOk) return r;
        if (!Contains(retried, r)) return r;
    }
    if (final_message) ShowError(kMsgCannotAccess);
    return r;
}

void ResetSequences(CameraLink& s) {
    s.send_sequence = 0;
    s.expected_sequence = 0;
}

// Signature command with an acknowledgement reply.
LinkError SigAckCommand(CameraLink& s, uint8_t command, const uint8_t* data, uint32_t count,
                        uint32_t timeout) {
    LinkError r = SendSignature(s, command, data, count, timeout);
    return r != kLinkOk ? r : SigCheckStatus(s, true);
}

// Short sequenced request with an acknowledgement reply.
LinkError SeqAckCommand(CameraLink& s, uint8_t command, const uint8_t* data, uint32_t count,
                        uint32_t timeout) {
    LinkError r = SendSequenced(s, kFrameShort, s.send_sequence, command, data, count, timeout);
    return r != kLinkOk ? r : SeqCheckAck(s, true);
}

// Checks of a sequenced reply that carries a value (count, size): frame, code, data checksum.
LinkError SeqCheckDataReply(const CameraLink& s, uint8_t code, bool show) {
    LinkError r = SeqCheckFrame(s, show);
    if (r == kLinkOk) r = SeqCheckReplyCode(s, code, show);
    if (r == kLinkOk) r = SeqCheckChecksumData(s);
    return r;
}

LinkError SeqCheckValueReply(const CameraLink& s, bool show) {
    LinkError r = SeqCheckFrame(s, show);
    if (r == kLinkOk) r = SeqCheckReplyCode(s, kReplyValue, show);
    if (r == kLinkOk) r = SeqCheckChecksumQuiet(s);
    return r;
}

bool IsSeqStatus6(const CameraLink& s) {
    return s.reply[3] == kReplyAck && SeqReplyData(s).U8() == 6;
}

// What came back for a command that changes the camera: either a whole acknowledgement, whose
// status says what the camera did (its message has been shown), or no usable reply at all.
struct AckResult {
    LinkError code = kLinkOk;
    bool intact = false;
};

AckResult SigAckOf(const CameraLink& s) {
    LinkError r = SigCheckSignature(s, false);
    if (r == kLinkOk) r = SigCheckReplyCode(s, kReplyAck, false);
    if (r == kLinkOk) r = SigCheckDataLength(s, 1, false);
    if (r != kLinkOk) return {r, false};
    return {SigStatusCode(SigReplyData(s).U8(), true), true};
}

AckResult SeqAckOf(const CameraLink& s) {
    LinkError r = SeqCheckFrame(s, false);
    if (r == kLinkOk) r = SeqCheckReplyCode(s, kReplyAck, false);
    if (r == kLinkOk) r = SeqCheckChecksumQuiet(s);
    if (r != kLinkOk) return {r, false};
    r = SeqStatusCode(SeqReplyData(s).U8());
    if (r == kLinkFailed) ShowError(kMsgCameraError);
    return {r, true};
}

// A reply that was lost, cut short or garbled on the way: the camera may or may not have
// carried the command out. (Port failures and a quit are not among these.)
bool IsLostReply(LinkError code) {
    return Contains(
        {kLinkBadFrame, kLinkBadReplyCode, kLinkBadLength, kLinkDataError, kLinkTimeout}, code);
}

// The message the reply checks show for a garbled reply, or the time-out's final message.
void ShowLostReply(LinkError code) {
    ShowError(code == kLinkTimeout ? kMsgCannotAccess : kMsgDataError);
}

enum class Change { kDone, kNotDone, kUnknown };

// Whether a command whose reply was lost changed the camera: its image count is asked for,
// and the command was carried out when the count is done_count, not when it is still the
// count the session knew before.
Change ChangeByCount(CameraLink& s, int32_t done_count, int32_t before) {
    if (before < 0 || done_count < 0) return Change::kUnknown;
    uint32_t count = 0;
    LinkError r = s.model == 1 ? SigImageCountQuiet(s, &count) : SeqImageCountQuiet(s, &count);
    if (r != kLinkOk) return Change::kUnknown;
    if (count == uint32_t(done_count)) return Change::kDone;
    if (count == uint32_t(before)) return Change::kNotDone;
    return Change::kUnknown;
}

// The retry rule of a command that changes the camera (3 attempts, retried on 100). Such a
// command is not idempotent: a delete sent again after the camera carried it out (and
// renumbered) would delete the next image. So after a lost reply the camera's image count
// decides: done, or not done and only then tried again, or unknown and given up.
template <typename Attempt>
LinkError CountCheckedChange(CameraLink& s, int32_t done_count, Attempt attempt) {
    const int32_t before = s.image_count;
    LinkError r = kLinkOk;
    for (int i = 0; i < 3; ++i) {
        const AckResult a = attempt();
        if (a.intact) return a.code;
        r = a.code;
        if (!IsLostReply(r)) return r;  // the port's failure has shown its message
        const Change c = ChangeByCount(s, done_count, before);
        if (c == Change::kDone) return kLinkOk;
        if (c == Change::kUnknown || r != kLinkTimeout) {
            ShowLostReply(r);
            return r;
        }
    }
    ShowError(kMsgCannotAccess);
    return r;
}

}  // namespace

ByteReader SeqReplyData(const CameraLink& s) {
    return ByteReader(s.reply.data() + 4, SeqDataSize(s.reply[0]));
}

ByteReader SigReplyData(const CameraLink& s) {
    return ByteReader(s.reply.data() + kSigHeaderSize,
                      std::min(s.reply_data_length, kSigReplyDataCap));
}

uint32_t SeqDataSize(uint8_t frame_type) {
    switch (frame_type) {
        case kFrameShort:
            return 10;
        case kFrameMedium:
            return 256;
        case kFrameLong:
            return 1024;
        default:
            return 0;
    }
}

uint32_t SeqFrameSize(uint8_t frame_type) {
    uint32_t d = SeqDataSize(frame_type);
    return d == 0 ? 0 : d + 6;
}

uint8_t SeqChecksum(const uint8_t* frame, uint32_t data_size) {
    uint32_t sum = 0;
    for (uint32_t i = 1; i <= 3 + data_size; ++i) sum += frame[i];
    return static_cast<uint8_t>(sum);
}

// --- exchanges ----------------------------------------------------------------------------

LinkError SendSignature(CameraLink& s, uint8_t command, const uint8_t* data, uint32_t count,
                        uint32_t timeout_ms) {
    if (count > s.request.size() - kSigHeaderSize) return kLinkFailed;
    PutSigHeader(s, command, count);
    if (count > 0) std::memcpy(s.request.data() + kSigHeaderSize, data, count);
    s.request_length = kSigHeaderSize + count;
    LinkError r = SendRequest(s, true);
    return r != kLinkOk ? r : SigReceive(s, command, timeout_ms);
}

LinkError SendSequenced(CameraLink& s, uint8_t frame_type, uint8_t sequence, uint8_t command,
                        const uint8_t* data, uint32_t count, uint32_t timeout_ms) {
    const uint32_t d = SeqDataSize(frame_type);
    if (d == 0 || count > d) return kLinkFailed;
    uint8_t* p = s.request.data();
    std::memset(p, 0, d + 6);
    p[0] = frame_type;
    p[1] = sequence;
    p[2] = static_cast<uint8_t>(sequence ^ 0xFF);
    p[3] = command;
    if (count > 0) std::memcpy(p + 4, data, count);
    p[4 + d] = SeqChecksum(p, d);
    p[5 + d] = 0;
    s.request_length = d + 6;
    LinkError r = SendRequest(s, false);
    return r != kLinkOk ? r : SeqReceive(s, timeout_ms);
}

// --- reply checks -------------------------------------------------------------------------

LinkError SigCheckSignature(const CameraLink& s, bool show) {
    if (std::memcmp(s.reply.data(), kSigReply, 12) == 0) return kLinkOk;
    if (show) ShowError(kMsgDataError);
    return kLinkBadFrame;
}

LinkError SigCheckReplyCode(const CameraLink& s, uint8_t expected, bool show) {
    if (s.reply[16] == expected) return kLinkOk;
    if (show) ShowError(kMsgDataError);
    return kLinkBadReplyCode;
}

LinkError SigCheckDataLength(const CameraLink& s, uint32_t expected, bool show) {
    if (s.reply_data_length == expected) return kLinkOk;
    if (show) ShowError(kMsgDataError);
    return kLinkBadLength;
}

LinkError SigStatusCode(uint8_t status, bool show) {
    int message = -1;
    LinkError code;
    switch (status) {
        case 0:
            return kLinkOk;
        case 1:
            code = kLinkNotDone;
            break;
        case 2:
            code = kLinkCannotExecute;
            message = kMsgCannotExecute;
            break;
        case 3:
            code = kLinkDataError;
            break;
        case 4:
            code = kLinkMemoryFull;
            message = kMsgMemoryFull;
            break;
        case 5:
            code = kLinkCameraError;
            message = kMsgCameraError;
            break;
        default:
            code = kLinkFailed;
            message = kMsgCameraError;
            break;
    }
    if (show && message >= 0) ShowError(message);
    return code;
}

LinkError SigCheckStatus(const CameraLink& s, bool show) {
    LinkError r = SigCheckSignature(s, show);
    if (r == kLinkOk) r = SigCheckReplyCode(s, kReplyAck, show);
    if (r == kLinkOk) r = SigCheckDataLength(s, 1, show);
    if (r == kLinkOk) r = SigStatusCode(SigReplyData(s).U8(), show);
    return r;
}

LinkError SeqStatusCode(uint8_t status) {
    switch (status) {
        case 0:
            return kLinkOk;
        case 2:
            return kLinkCannotExecute;
        case 3:
            return kLinkDataError;
        case 4:
            return kLinkMemoryFull;
        case 5:
            return kLinkCameraError;
        default:
            return kLinkFailed;
    }
}

LinkError SeqCheckFrame(const CameraLink& s, bool show) {
    if (SeqDataSize(s.reply[0]) != 0 && s.reply[1] == s.expected_sequence &&
        s.reply[2] == static_cast<uint8_t>(s.expected_sequence ^ 0xFF)) {
        return kLinkOk;
    }
    if (show) ShowError(kMsgDataError);
    return kLinkBadFrame;
}

LinkError SeqCheckReplyCode(const CameraLink& s, uint8_t expected, bool show) {
    if (s.reply[3] == expected) return kLinkOk;
    if (show) ShowError(kMsgDataError);
    return kLinkBadReplyCode;
}

LinkError SeqCheckChecksumQuiet(const CameraLink& s) {
    uint32_t d = SeqDataSize(s.reply[0]);
    return SeqChecksum(s.reply.data(), d) == s.reply[4 + d] ? kLinkOk : kLinkDataError;
}

LinkError SeqCheckChecksumData(const CameraLink& s) {
    uint32_t d = SeqDataSize(s.reply[0]);
    if (SeqChecksum(s.reply.data(), d) == s.reply[4 + d]) return kLinkOk;
    ShowError(kMsgDataError);
    return kLinkBadFrame;
}

LinkError SeqCheckAck(const CameraLink& s, bool show) {
    LinkError r = SeqCheckFrame(s, show);
    if (r == kLinkOk) r = SeqCheckReplyCode(s, kReplyAck, show);
    if (r == kLinkOk) r = SeqCheckChecksumQuiet(s);
    if (r != kLinkOk) return r;
    r = SeqStatusCode(SeqReplyData(s).U8());
    if (r == kLinkFailed && show) ShowError(kMsgCameraError);
    return r;
}

// --- signature commands -------------------------------------------------------------------

namespace {

LinkError SigIdentifyAttempt(CameraLink& s, int* model_digit, bool show) {
    LinkError r = SendSignature(s, kSigIdentify, nullptr, 0, 2000);
    if (r == kLinkOk) r = SigCheckSignature(s, show);
    if (r == kLinkOk) r = SigCheckReplyCode(s, kReplyIdentify, show);
    if (r == kLinkOk) r = SigCheckDataLength(s, 4, show);
    if (r != kLinkOk) return r;
    ByteReader data = SigReplyData(s);
    const uint8_t* d = data.Take(4);
    if (!d || d[0] != 'D' || d[1] != 'S' || d[2] != 'C' || d[3] < '1' || d[3] > '3') {
        if (show) ShowError(kMsgDataError);
        return kLinkDataError;
    }
    *model_digit = d[3] - '0';
    return kLinkOk;
}

}  // namespace

LinkError SigIdentify(CameraLink& s, int* model_digit) {
    return Retry(3, kRetryOnNoAnswer, true,
                 [&] { return SigIdentifyAttempt(s, model_digit, true); });
}

LinkError SigIdentifyAuto(CameraLink& s, int* model_digit) {
    return Retry(3, kRetryOnTimeout, false,
                 [&] { return SigIdentifyAttempt(s, model_digit, false); });
}

LinkError SigSetSpeed(CameraLink& s, BaudCode code) {
    return Retry(3, kRetryOnNoAnswer, false, [&] {
        return SigAckCommand(s, kSigSetSpeed, &code, 1, CurrentLinkProfile().set_speed_timeout_ms);
    });
}

LinkError SigSetSpeedAuto(CameraLink& s, BaudCode code) {
    return Retry(2, kRetryOnTimeout, false, [&] {
        LinkError r = SendSignature(s, kSigSetSpeed, &code, 1, 1000);
        return r != kLinkOk ? r : SigCheckStatus(s, false);
    });
}

LinkError SigImageList(CameraLink& s) {
    return Retry(3, kRetryOnTimeout, true, [&] {
        LinkError r = SendSignature(s, kSigImageList, nullptr, 0, 2000);
        if (r == kLinkOk) r = SigCheckSignature(s, true);
        if (r == kLinkOk) r = SigCheckReplyCode(s, kReplyList, true);
        return r;
    });
}

LinkError SigImageCountQuiet(CameraLink& s, uint32_t* count) {
    return Retry(3, kRetryOnTimeout, false, [&] {
        LinkError r = SendSignature(s, kSigImageList, nullptr, 0, 2000);
        if (r == kLinkOk) r = SigCheckSignature(s, false);
        if (r == kLinkOk) r = SigCheckReplyCode(s, kReplyList, false);
        if (r == kLinkOk) *count = std::min(s.reply_data_length, kSigReplyDataCap) / 2;
        return r;
    });
}

LinkError SigPlayMode(CameraLink& s) {
    const uint8_t zero = 0;
    return Retry(3, kRetryOnNoAnswer, true,
                 [&] { return SigAckCommand(s, kSigPlayMode, &zero, 1, 8000); });
}

LinkError SigDeleteImage(CameraLink& s, int image) {
    const uint8_t n = static_cast<uint8_t>(image);
    return CountCheckedChange(s, s.image_count - 1, [&] {
        LinkError r = SendSignature(s, kSigDelete, &n, 1, 16000);
        return r != kLinkOk ? AckResult{r, false} : SigAckOf(s);
    });
}

LinkError SigShowOnViewfinder(CameraLink& s, int image) {
    const uint8_t n = static_cast<uint8_t>(image);
    return Retry(3, kRetryOnTimeout, true,
                 [&] { return SigAckCommand(s, kSigViewfinder, &n, 1, 10000); });
}

LinkError SigBeginUpload(CameraLink& s, int size_class) {
    const uint8_t c = static_cast<uint8_t>(size_class);
    return Retry(3, kRetryOnTimeout, true,
                 [&] { return SigAckCommand(s, kSigBeginUpload, &c, 1, 2000); });
}

LinkError SigImageSize(CameraLink& s, int image, uint32_t* size) {
    const uint8_t n = static_cast<uint8_t>(image);
    return Retry(3, kRetryOnTimeout, true, [&] {
        LinkError r = SendSignature(s, kSigImageSize, &n, 1, 2000);
        if (r == kLinkOk) r = SigCheckSignature(s, true);
        if (r == kLinkOk) r = SigCheckReplyCode(s, kReplySize, true);
        if (r == kLinkOk) r = SigCheckDataLength(s, 4, true);
        if (r == kLinkOk) *size = SigReplyData(s).Be32();
        return r;
    });
}

LinkError SigReadBlocks(CameraLink& s, uint32_t block_count, bool progress) {
    s.last_block_empty = false;
    if (uint64_t(block_count) * kBlockSize > s.image.size()) return kLinkNoLock;
    for (uint32_t i = 0; i < block_count; ++i) {
        const uint8_t index[2] = {static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
        LinkError r = kLinkOk;
        bool done = false;
        for (int attempt = 1; attempt <= 3 && !done; ++attempt) {
            const bool show = attempt == 3;
            r = SendSignature(s, kSigReadBlock, index, 2, 16000);
            if (r != kLinkOk && r != kLinkTimeout) return r;
            if (r == kLinkOk) r = SigCheckSignature(s, show);
            if (r == kLinkOk) r = SigCheckReplyCode(s, kReplySigBlock, show);
            done = r == kLinkOk;
        }
        if (!done) {
            ShowError(kMsgTransferError);
            return r;
        }
        if (progress) Plat().view->SetMeterPos(i + 1);
        if (i + 1 == block_count) s.last_block_empty = s.reply_data_length == 0;
    }
    return kLinkOk;
}

LinkError SigUploadData(CameraLink& s, const uint8_t* data, uint32_t size) {
    // The length field announces the whole image, which follows in separate writes.
    PutSigHeader(s, kSigUploadData, size);
    s.request_length = kSigHeaderSize;
    LinkError r = SendRequest(s, false);
    if (r != kLinkOk) return r;
    MessagePump& pump = *Plat().pump;
    const uint32_t chunks = (size + kUploadChunk - 1) / kUploadChunk;
    for (uint32_t c = 0; c < chunks; ++c) {
        while (pump.PumpOne(false) == PumpResult::kDispatched) {
        }
        const uint32_t offset = c * kUploadChunk;
        const uint32_t n = std::min(kUploadChunk, size - offset);
        uint32_t written = 0;
        if (!s.port->Write(data + offset, n, &written) || written != n) {
            ShowError(kMsgCannotAccess);
            return kLinkWriteFailed;
        }
        Plat().view->SetMeterPos(c + 1);
    }
    r = SigReceive(s, kSigUploadData, 2000);
    const AckResult a = r == kLinkOk ? SigAckOf(s) : AckResult{r, false};
    if (a.intact || !IsLostReply(a.code)) return a.code;
    // The camera stores the image before it answers: a lost answer is checked by the count.
    if (ChangeByCount(s, s.image_count + 1, s.image_count) == Change::kDone) return kLinkOk;
    ShowLostReply(a.code);
    return a.code;
}

LinkError SigEndSession(CameraLink& s) {
    const int attempts = CurrentLinkProfile().single_signature_end ? 1 : 3;
    s.end_answer = Retry(attempts, kRetryOnTimeout, true,
                         [&] { return SigAckCommand(s, kSigEndSession, nullptr, 0, 2000); });
    return s.end_answer;
}

// --- sequenced commands -------------------------------------------------------------------

LinkError SeqImageCount(CameraLink& s, uint32_t* count) {
    ResetSequences(s);
    return Retry(3, kRetryOnNoAnswer, true, [&] {
        LinkError r = SendSequenced(s, kFrameShort, 0, kSeqImageCount, nullptr, 0, 2000);
        if (r == kLinkOk) r = SeqCheckDataReply(s, kReplyList, true);
        if (r != kLinkOk) return r;
        *count = SeqReplyData(s).Le16();
        if (*count == 0) {
            ShowError(kMsgNoImages);
            return kLinkNoImage;
        }
        return kLinkOk;
    });
}

LinkError SeqImageCountQuiet(CameraLink& s, uint32_t* count) {
    return Retry(3, kRetryOnTimeout, false, [&] {
        ResetSequences(s);
        LinkError r = SendSequenced(s, kFrameShort, 0, kSeqImageCount, nullptr, 0, 2000);
        if (r == kLinkOk) r = SeqCheckFrame(s, false);
        if (r == kLinkOk) r = SeqCheckReplyCode(s, kReplyList, false);
        if (r == kLinkOk) r = SeqCheckChecksumQuiet(s);
        if (r == kLinkOk) *count = SeqReplyData(s).Le16();
        return r;
    });
}

LinkError SeqPlayMode(CameraLink& s) {
    ResetSequences(s);
    const uint8_t zero = 0;
    return Retry(3, kRetryOnNoAnswer, true,
                 [&] { return SeqAckCommand(s, kSeqPlayMode, &zero, 1, 8000); });
}

LinkError SeqDeleteImage(CameraLink& s, int image) {
    const uint8_t n = static_cast<uint8_t>(image);
    return CountCheckedChange(s, s.image_count - 1, [&] {
        ResetSequences(s);
        LinkError r = SendSequenced(s, kFrameShort, 0, kSeqDelete, &n, 1, 16000);
        return r != kLinkOk ? AckResult{r, false} : SeqAckOf(s);
    });
}

LinkError SeqThumbnailSize(CameraLink& s, int image, uint32_t* size) {
    ResetSequences(s);
    const uint32_t v = static_cast<uint32_t>(image);
    const uint8_t data[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                             static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    return Retry(3, kRetryOnTimeout, true, [&] {
        LinkError r = SendSequenced(s, kFrameShort, 0, kSeqThumbnailSize, data, 4, 2000);
        if (r == kLinkOk) r = SeqCheckFrame(s, true);
        if (r != kLinkOk) return r;
        if (IsSeqStatus6(s) && SeqCheckChecksumQuiet(s) == kLinkOk) return kLinkNoImage;
        r = SeqCheckReplyCode(s, kReplySize, true);
        if (r == kLinkOk) r = SeqCheckChecksumData(s);
        if (r != kLinkOk) return r;
        *size = SeqReplyData(s).Le32();
        return *size == 0 ? kLinkNoImage : kLinkOk;
    });
}

LinkError SeqImageSize(CameraLink& s, int image, uint32_t* size) {
    ResetSequences(s);
    const uint8_t n = static_cast<uint8_t>(image);
    return Retry(3, kRetryOnTimeout, true, [&] {
        LinkError r = SendSequenced(s, kFrameShort, 0, kSeqImageSize, &n, 1, 2000);
        if (r == kLinkOk) r = SeqCheckDataReply(s, kReplySize, true);
        if (r != kLinkOk) return r;
        *size = SeqReplyData(s).Le32();
        return *size == 0 ? kLinkZeroSize : kLinkOk;
    });
}

LinkError SeqReadBlocks(CameraLink& s, uint32_t block_count, bool thumbnail) {
    ResetSequences(s);
    if (uint64_t(block_count) * kBlockSize > s.image.size()) return kLinkNoLock;
    for (uint32_t i = 0; i < block_count; ++i) {
        const uint8_t index[2] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)};
        LinkError r = kLinkOk;
        bool done = false;
        for (int attempt = 1; attempt <= 3 && !done; ++attempt) {
            const bool show = attempt == 3;
            r = SendSequenced(s, kFrameShort, s.send_sequence, kSeqReadBlock, index, 2, 16000);
            if (r != kLinkOk && r != kLinkTimeout) return r;
            if (r == kLinkOk) r = SeqCheckFrame(s, show);
            if (r == kLinkOk && thumbnail && IsSeqStatus6(s)) return kLinkNoImage;
            if (r == kLinkOk) r = SeqCheckReplyCode(s, kReplyBlock, show);
            if (r == kLinkOk && s.reply[0] != kFrameLong) {
                // Block data only ever comes in a long frame.
                if (show) ShowError(kMsgDataError);
                r = kLinkBadFrame;
            }
            // A damaged block is read again; only the third one says so.
            if (r == kLinkOk && SeqCheckChecksumQuiet(s) != kLinkOk) {
                if (show) ShowError(kMsgDataError);
                r = kLinkBadFrame;
            }
            done = r == kLinkOk;
        }
        if (!done) {
            ShowError(kMsgTransferError);
            return r;
        }
        std::memcpy(s.image.data() + uint64_t(i) * kBlockSize, SeqReplyData(s).Take(kBlockSize),
                    kBlockSize);
        ++s.send_sequence;
        ++s.expected_sequence;
        if (!thumbnail) Plat().view->SetMeterPos(i + 1);
    }
    return kLinkOk;
}

LinkError SeqBeginUpload(CameraLink& s, uint32_t size) {
    ResetSequences(s);
    const uint8_t data[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                             static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
    return Retry(3, kRetryOnTimeout, true,
                 [&] { return SeqAckCommand(s, kSeqBeginUpload, data, 4, 2000); });
}

LinkError SeqUploadBlock(CameraLink& s, uint32_t index, const uint8_t* block, bool last,
                         bool* answer_lost) {
    s.expected_sequence = 0;
    if (answer_lost) *answer_lost = false;
    LinkError r = SendSequenced(s, kFrameLong, static_cast<uint8_t>(index), kSeqUploadBlock, block,
                                kBlockSize, 16000);
    if (!last && answer_lost && (r == kLinkOk || IsLostReply(r))) {
        const AckResult a = r == kLinkOk ? SeqAckOf(s) : AckResult{r, false};
        if (a.intact) return a.code;
        // The block went out whole; only the answer did not come back intact. The caller
        // decides whether to go on with the next block (the camera waits for it).
        *answer_lost = true;
        return kLinkOk;
    }
    if (!last || (r != kLinkOk && !IsLostReply(r))) {
        if (r == kLinkTimeout) ShowError(kMsgCannotAccess);
        if (r != kLinkOk) return r;
        return SeqCheckAck(s, true);
    }
    // The last block makes the camera store the image: a lost answer is checked by the count.
    const AckResult a = r == kLinkOk ? SeqAckOf(s) : AckResult{r, false};
    if (a.intact) return a.code;
    if (ChangeByCount(s, s.image_count + 1, s.image_count) == Change::kDone) return kLinkOk;
    ShowLostReply(a.code);
    return a.code;
}

LinkError SeqSetClockField(CameraLink& s, uint8_t selector, uint8_t variant, uint16_t value) {
    s.send_sequence = 0;
    const uint8_t data[4] = {selector, variant, static_cast<uint8_t>(value),
                             static_cast<uint8_t>(value >> 8)};
    return Retry(3, kRetryOnTimeout, true,
                 [&] { return SeqAckCommand(s, kSeqSetClock, data, 4, 2000); });
}

LinkError SeqReadClockField(CameraLink& s, uint8_t selector, bool model3, uint16_t* value) {
    s.send_sequence = 0;
    const uint8_t data[2] = {selector, 1};
    return Retry(3, kRetryOnTimeout, true, [&] {
        LinkError r = SendSequenced(s, kFrameShort, 0, kSeqReadClock, data, model3 ? 2 : 1, 2000);
        if (r == kLinkOk) r = SeqCheckValueReply(s, true);
        if (r == kLinkOk) *value = SeqReplyData(s).Le16();
        return r;
    });
}

LinkError SeqModelProbe(CameraLink& s, int* model) {
    s.send_sequence = 0;
    const uint8_t data[2] = {14, 0};
    LinkError r = SendSequenced(s, kFrameShort, 0, kSeqModelProbe, data, 2, 2000);
    if (r == kLinkOk) r = SeqCheckValueReply(s, false);
    if (r != kLinkOk) return r;
    *model = SeqReplyData(s).Le16() == 0xFFFF ? 3 : 2;
    return kLinkOk;
}

// The session ends whatever the camera answers: the work is done and the port is closed next,
// so there is nothing to retry and the answer is not the result. It is kept in end_answer for a
// caller that tells the user the camera may still be in its session.
LinkError SeqEndSession(CameraLink& s) {
    ResetSequences(s);
    const LinkError r = SendSequenced(s, kFrameShort, 0, kSeqEndSession, nullptr, 0, 1000);
    s.end_answer = r == kLinkOk ? SeqCheckAck(s, false) : r;
    return kLinkOk;
}

LinkError EndSessionCommand(CameraLink& s) {
    return s.model == 1 ? SigEndSession(s) : SeqEndSession(s);
}
