// The two packet protocols of the camera: the signature protocol of model 1 and the sequenced
// frames of models 2 and 3. One exchange is one request and one reply under a single deadline;
// every command operation wraps exchanges and reply checks in its own retry rule.
#pragma once
#include <cstdint>

#include "link/link_error.h"
#include "link/session.h"

// --- wire constants, shared with the camera simulator ---------------------------------------
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

// --- exchanges ----------------------------------------------------------------------------
LinkError SendSignature(CameraSession& s, uint8_t command, const uint8_t* data, uint32_t count,
                        uint32_t timeout_ms);
LinkError SendSequenced(CameraSession& s, uint8_t frame_type, uint8_t sequence, uint8_t command,
                        const uint8_t* data, uint32_t count, uint32_t timeout_ms);

// --- reply checks -------------------------------------------------------------------------
LinkError SigCheckSignature(const CameraSession& s, bool show);
LinkError SigCheckReplyCode(const CameraSession& s, uint8_t expected, bool show);
LinkError SigCheckDataLength(const CameraSession& s, uint32_t expected, bool show);
LinkError SigCheckStatus(const CameraSession& s, bool show);
// The code (and message) of an acknowledgement's status byte.
LinkError SigStatusCode(uint8_t status, bool show);
LinkError SeqStatusCode(uint8_t status);

LinkError SeqCheckFrame(const CameraSession& s, bool show);
LinkError SeqCheckReplyCode(const CameraSession& s, uint8_t expected, bool show);
// Acknowledgements, clock replies and the probe: a wrong sum is 33 without a message.
LinkError SeqCheckChecksumQuiet(const CameraSession& s);
// Count, size and block replies: a wrong sum is 30 with "Data error has occurred.", always shown.
LinkError SeqCheckChecksumData(const CameraSession& s);
LinkError SeqCheckAck(const CameraSession& s, bool show);

// --- signature commands (model 1; also identify and set speed for every model) -------------
// The model digit 1, 2 or 3 of the "DSC" identify reply.
LinkError SigIdentify(CameraSession& s, int* model_digit);
LinkError SigIdentifyAuto(CameraSession& s, int* model_digit);
LinkError SigSetSpeed(CameraSession& s, BaudCode code);
LinkError SigSetSpeedAuto(CameraSession& s, BaudCode code);
// Leaves the pairs (image number, quality code) in the reply data.
LinkError SigImageList(CameraSession& s);
// The number of images in the list, asked without any message (0 is a count like any other).
LinkError SigImageCountQuiet(CameraSession& s, uint32_t* count);
LinkError SigPlayMode(CameraSession& s);
// Deletes one image; s.image_count must hold the camera's count. When the reply is lost the
// camera's count tells whether the delete was carried out; it is sent again only when it was
// not, so that the image renumbered into its place is never deleted by a retry.
LinkError SigDeleteImage(CameraSession& s, int image);
LinkError SigShowOnViewfinder(CameraSession& s, int image);
LinkError SigBeginUpload(CameraSession& s, int size_class);
LinkError SigImageSize(CameraSession& s, int image, uint32_t* size);
// Reads block_count blocks into s.image (which must hold them). With progress the view's meter
// follows the blocks. Records whether the last block's reply carried no data.
LinkError SigReadBlocks(CameraSession& s, uint32_t block_count, bool progress);
// Sends a whole image (announced in one header, then 256-byte chunks) and reads the
// acknowledgement. The meter follows the chunks. When the acknowledgement is lost and
// s.image_count holds the camera's count (not -1), the count tells whether it was stored.
LinkError SigUploadData(CameraSession& s, const uint8_t* data, uint32_t size);
LinkError SigEndSession(CameraSession& s);

// --- sequenced commands (models 2 and 3) --------------------------------------------------
LinkError SeqImageCount(CameraSession& s, uint32_t* count);
// The count without any message (0 is a count like any other).
LinkError SeqImageCountQuiet(CameraSession& s, uint32_t* count);
LinkError SeqPlayMode(CameraSession& s);
// As SigDeleteImage: a lost reply is settled by the camera's count, never by a blind retry.
LinkError SeqDeleteImage(CameraSession& s, int image);
LinkError SeqThumbnailSize(CameraSession& s, int image, uint32_t* size);
LinkError SeqImageSize(CameraSession& s, int image, uint32_t* size);
// Image blocks with progress, or thumbnail blocks (no progress, status 6 gives 102).
LinkError SeqReadBlocks(CameraSession& s, uint32_t block_count, bool thumbnail);
LinkError SeqBeginUpload(CameraSession& s, uint32_t size);
// One 1024-byte upload block with sequence index (low 8 bits). The last block makes the camera
// store the image: when its acknowledgement is lost and s.image_count holds the camera's count
// (not -1), the count tells whether it was stored.
LinkError SeqUploadBlock(CameraSession& s, uint32_t index, const uint8_t* block, bool last = false);
LinkError SeqSetClockField(CameraSession& s, uint8_t selector, uint8_t variant, uint16_t value);
// model3: send the selector followed by 1.
LinkError SeqReadClockField(CameraSession& s, uint8_t selector, bool model3, uint16_t* value);
// 3 when the probe's reply says so, otherwise 2.
LinkError SeqModelProbe(CameraSession& s, int* model);
LinkError SeqEndSession(CameraSession& s);

// End session in the protocol of the model identified last (sequenced while none was).
LinkError EndSessionCommand(CameraSession& s);
