// The two packet protocols of the camera: the signature protocol of model 1 and the sequenced
// frames of models 2 and 3. One exchange is one request and one reply under a single deadline;
// every command operation wraps exchanges and reply checks in its own retry rule.
#pragma once
#include <cstdint>

#include "base/bytes.h"
#include "link/link_error.h"
#include "link/camera_link.h"

// --- wire constants (the camera simulator keeps its own copy) -----------------------------
constexpr char kSigRequest[] = "ZEK DSC PC  ";  // 12 bytes on the wire, no terminator
constexpr char kSigReply[] = "ZEK PC  DSC ";
constexpr uint32_t kSigHeaderSize = 17;
constexpr uint32_t kSigReplyDataCap = 239;
constexpr uint32_t kBlockSize = 1024;
constexpr uint32_t kUploadChunk = 256;

enum SeqFrameType : uint8_t { kFrameLong = 1, kFrameShort = 8, kFrameMedium = 16 };
// Data bytes of a frame type (0 for an unknown type) and the whole frame's size.
uint32_t SeqDataSize(uint8_t frame_type);
uint32_t SeqFrameSize(uint8_t frame_type);
// Sum modulo 256 of the sequence, complement, command and data bytes of a frame.
uint8_t SeqChecksum(const uint8_t* frame, uint32_t data_size);

// Command and reply codes.
enum SigCommand : uint8_t {
    kSigUploadData = 0,
    kSigIdentify = 2,
    kSigSetSpeed = 4,
    kSigImageList = 7,
    kSigPlayMode = 16,
    kSigDelete = 17,
    kSigViewfinder = 20,
    kSigBeginUpload = 21,
    kSigImageSize = 26,
    kSigReadBlock = 30,
    kSigEndSession = 31,
};
enum SeqCommand : uint8_t {
    kSeqUploadBlock = 5,
    kSeqImageCount = 7,
    kSeqPlayMode = 16,
    kSeqDelete = 17,
    kSeqBeginUpload = 21,
    kSeqThumbnailSize = 22,
    kSeqImageSize = 26,
    kSeqReadBlock = 30,
    kSeqEndSession = 31,
    kSeqSetClock = 52,
    kSeqReadClock = 53,
    kSeqModelProbe = 56,
};
enum ReplyCode : uint8_t {
    kReplyAck = 1,
    kReplyIdentify = 3,
    kReplyBlock = 5,     // sequenced block
    kReplySigBlock = 0,  // signature block
    kReplyList = 8,
    kReplySize = 29,
    kReplyValue = 54,
};

// The data of the reply as it was received: a sequenced frame's data bytes, or the signature
// data that was read (never more than the cap, whatever the length field says).
ByteReader SeqReplyData(const CameraLink& s);
ByteReader SigReplyData(const CameraLink& s);

// The codes that start another attempt of a command: most commands try again only after a
// time-out; identify, set speed, play mode and the image count also after a damaged
// acknowledgement or the camera's "not done".
constexpr LinkError kRetryOnTimeout[] = {kLinkTimeout};
constexpr LinkError kRetryOnNoAnswer[] = {kLinkDataError, kLinkNotDone, kLinkTimeout};

// --- exchanges ----------------------------------------------------------------------------
LinkError SendSignature(CameraLink& s, uint8_t command, const uint8_t* data, uint32_t count,
                        uint32_t timeout_ms);
LinkError SendSequenced(CameraLink& s, uint8_t frame_type, uint8_t sequence, uint8_t command,
                        const uint8_t* data, uint32_t count, uint32_t timeout_ms);

// --- reply checks -------------------------------------------------------------------------
LinkError SigCheckSignature(const CameraLink& s, bool show);
LinkError SigCheckReplyCode(const CameraLink& s, uint8_t expected, bool show);
LinkError SigCheckDataLength(const CameraLink& s, uint32_t expected, bool show);
LinkError SigCheckStatus(const CameraLink& s, bool show);
// The code (and message) of an acknowledgement's status byte.
LinkError SigStatusCode(uint8_t status, bool show);
LinkError SeqStatusCode(uint8_t status);

LinkError SeqCheckFrame(const CameraLink& s, bool show);
LinkError SeqCheckReplyCode(const CameraLink& s, uint8_t expected, bool show);
// Acknowledgements, clock replies and the probe: a wrong sum is 33 without a message.
LinkError SeqCheckChecksumQuiet(const CameraLink& s);
// Count, size and block replies: a wrong sum is 30 with "Data error has occurred.", always shown.
LinkError SeqCheckChecksumData(const CameraLink& s);
LinkError SeqCheckAck(const CameraLink& s, bool show);

// --- signature commands (model 1; also identify and set speed for every model) -------------
// The model digit 1, 2 or 3 of the "DSC" identify reply.
LinkError SigIdentify(CameraLink& s, int* model_digit);
LinkError SigIdentifyAuto(CameraLink& s, int* model_digit);
LinkError SigSetSpeed(CameraLink& s, BaudCode code);
LinkError SigSetSpeedAuto(CameraLink& s, BaudCode code);
// Leaves the pairs (image number, quality code) in the reply data.
LinkError SigImageList(CameraLink& s);
// The number of images in the list, asked without any message (0 is a count like any other).
LinkError SigImageCountQuiet(CameraLink& s, uint32_t* count);
LinkError SigPlayMode(CameraLink& s);
// Deletes one image; s.image_count must hold the camera's count. When the reply is lost the
// camera's count tells whether the delete was carried out; it is sent again only when it was
// not, so that the image renumbered into its place is never deleted by a retry.
LinkError SigDeleteImage(CameraLink& s, int image);
LinkError SigShowOnViewfinder(CameraLink& s, int image);
LinkError SigBeginUpload(CameraLink& s, int size_class);
LinkError SigImageSize(CameraLink& s, int image, uint32_t* size);
// Reads block_count blocks into s.image (which must hold them). With progress the view's meter
// follows the blocks. Records whether the last block's reply carried no data.
LinkError SigReadBlocks(CameraLink& s, uint32_t block_count, bool progress);
// Sends a whole image (announced in one header, then 256-byte chunks) and reads the
// acknowledgement. The meter follows the chunks. When the acknowledgement is lost and
// s.image_count holds the camera's count (not -1), the count tells whether it was stored.
LinkError SigUploadData(CameraLink& s, const uint8_t* data, uint32_t size);
LinkError SigEndSession(CameraLink& s);

// --- sequenced commands (models 2 and 3) --------------------------------------------------
LinkError SeqImageCount(CameraLink& s, uint32_t* count);
// The count without any message (0 is a count like any other).
LinkError SeqImageCountQuiet(CameraLink& s, uint32_t* count);
LinkError SeqPlayMode(CameraLink& s);
// As SigDeleteImage: a lost reply is settled by the camera's count, never by a blind retry.
LinkError SeqDeleteImage(CameraLink& s, int image);
LinkError SeqThumbnailSize(CameraLink& s, int image, uint32_t* size);
LinkError SeqImageSize(CameraLink& s, int image, uint32_t* size);
// Image blocks with progress, or thumbnail blocks (no progress, status 6 gives 102).
LinkError SeqReadBlocks(CameraLink& s, uint32_t block_count, bool thumbnail);
LinkError SeqBeginUpload(CameraLink& s, uint32_t size);
// One 1024-byte upload block with sequence index (low 8 bits). The last block makes the camera
// store the image: when its acknowledgement is lost and s.image_count holds the camera's count
// (not -1), the count tells whether it was stored.
// With answer_lost given, a block before the last whose answer was lost or damaged is not a
// failure: *answer_lost is set, nothing is shown and 0 is returned, so that the caller can
// finish the upload instead of leaving the camera waiting for blocks.
LinkError SeqUploadBlock(CameraLink& s, uint32_t index, const uint8_t* block, bool last = false,
                         bool* answer_lost = nullptr);
LinkError SeqSetClockField(CameraLink& s, uint8_t selector, uint8_t variant, uint16_t value);
// model3: send the selector followed by 1.
LinkError SeqReadClockField(CameraLink& s, uint8_t selector, bool model3, uint16_t* value);
// 3 when the probe's reply says so, otherwise 2.
LinkError SeqModelProbe(CameraLink& s, int* model);
LinkError SeqEndSession(CameraLink& s);

// End session in the protocol of the model identified last (sequenced while none was).
LinkError EndSessionCommand(CameraLink& s);
