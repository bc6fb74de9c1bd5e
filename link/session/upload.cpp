// The upload works file by file and keeps nothing across files but the session counters, so a
// file that fails or is refused never leaves anything behind: the read buffer, the progress
// dialog and every temporary file (the copy that is re-compressed, the BMP between decode and
// encode) belong to one scope each and go on every path out.
#include "link/session/upload.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/files.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/tempfile.h"
#include "base/byte_block.h"
#include "codec/camera_fit.h"
#include "codec/jpeg_codec.h"
#include "base/messages.h"
#include "link/link_profile.h"
#include "link/port.h"
#include "link/protocol.h"
#include "link/session/camera_ui.h"

namespace {

constexpr size_t kJpegTestWindow = 2048;
constexpr uint32_t kConversionMeterRange = 25;

const char kTransferTitle[] = "Now transferring image(PC->Digital Camera).";
const char kConversionTitle[] = "Now Changeing JPEG to JPEG. Please wait.";

// The pixel sizes a model stores, and the largest picture it keeps in class 0.
struct ModelLimits {
    int max_width, max_height;
    int small_width, small_height;
};

bool LimitsOfModel(int model, ModelLimits* limits) {
    switch (model) {
        case 1:
        case 2:
            *limits = {640, 480, 320, 240};
            return true;
        case 3:
            *limits = {2560, 1920, 512, 384};
            return true;
        default:
            return false;
    }
}

// The sampling of the first component that the model takes unchanged.
bool SamplingFitsModel(int model, int h, int v) {
    if (model == 1) return h == 4 && v == 1;
    if (model == 2) return h == 2 && v == 1;
    return h == 2 && (v == 1 || v == 2);
}

// Model 1 stores classes 1 to 3 up to these lengths.
int Model1ClassOfLength(int64_t length) {
    if (length <= 64511) return 1;
    if (length <= 131071) return 2;
    if (length <= 262143) return 3;
    return -1;
}

bool HasMarkerPair(const uint8_t* p, size_t n, uint8_t second) {
    for (size_t i = 0; i + 1 < n; ++i)
        if (p[i] == 0xFF && p[i + 1] == second) return true;
    return false;
}

// Boxes of the examination: owned by the status window, titled like every box of the link.
int Box(const std::string& text, BoxStyle style) {
    UserPrompts& p = *Plat().prompts;
    p.SetCursor(CursorKind::kArrow);
    return p.ShowBox(text, CurrentMessages().box_title, style, BoxOwner::kStatusWindow);
}

// The last file that will be sent: the Cancel button is hidden for it.
int LastSendableIndex(const CameraSession& s) {
    const int n = std::min<int>(static_cast<int>(s.upload.files.size()), kMaxUploadFiles);
    for (int i = n - 1; i >= 0; --i)
        if (s.upload.codes[i] != kUploadSkip) return i;
    return -1;
}

// The progress dialog of one file; closed on every path out.
class ProgressDialog {
public:
    ProgressDialog() = default;
    ~ProgressDialog() {
        if (open_) CamUi().CloseProgress();
    }
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    bool Open() {
        open_ = CamUi().OpenProgress();
        if (!open_) ShowError(kMsgUnexpected);
        return open_;
    }

private:
    bool open_ = false;
};

// Takes waiting window messages until none is left or a quit message was met.
void DispatchWaitingMessages() {
    MessagePump& pump = *Plat().pump;
    for (;;) {
        PumpResult r = pump.PumpOne(false);
        if (r == PumpResult::kEmpty || r == PumpResult::kQuit) return;
    }
}

// Decodes the copy at temp_path into memory (first half of the meter) and encodes it
// back into temp_path in the camera's form: fitted to its size class with "4x1,1x1,1x1"
// (model 1), or in one pass with "2x1,1x1,1x1" (models 2 and 3). 1 or 0; the message of a
// failure has been shown.
int ConvertCopy(const std::string& temp_path, bool single_pass) {
    OperationView& view = *Plat().view;
    uint32_t pos = 0;
    JpegProgress decode;
    decode.meter = JpegMeter::kFirstHalf;
    decode.position_out = &pos;
    DibImage dib;
    if (!DecodeJpegToDib(temp_path, 0, decode, &dib)) return 0;
    if (!single_pass) {
        MeterState meter{pos, kConversionMeterRange};
        return CompressForCamera(dib, temp_path, &meter, 0);
    }
    // One encode straight from the decoded picture. The quality follows the copy's byte-size class
    // (95 for class 2, else 80); a copy beyond the four classes, which models 2 and 3 take
    // all the same, is encoded at 80 instead of being refused.
    const int quality = SizeClassOfFile(temp_path) == 2 ? 95 : 80;
    JpegProgress encode;
    encode.meter = JpegMeter::kRange;
    encode.lo = pos;
    encode.hi = pos + (kConversionMeterRange - std::min(pos, kConversionMeterRange)) / 2;
    view.SetMeterPos(pos);
    if (!EncodeDibToJpegFile(dib, temp_path, kSaveSampling, quality, encode)) return 0;
    view.SetMeterPos(kConversionMeterRange);
    PumpFor(1000);
    return 1;
}

// Copies the selected file into a new temporary file and converts it there under its own
// progress dialog. The temporary file stays with the caller, who deletes it.
LinkError RecompressIntoTemp(const std::string& path, bool single_pass, ScopedTempFile* temp) {
    if (!temp->Make()) {
        ShowError(kMsgCannotCreateFile);
        return kLinkFailed;
    }
    if (!CopyJpegFile(path, temp->name())) return kLinkFailed;
    ProgressDialog dialog;
    if (!dialog.Open()) return kLinkFailed;
    OperationView& view = *Plat().view;
    view.SetText(kFieldTitle, kConversionTitle);
    view.SetText(kFieldDetail, "File Name: " + PathFileName(path));
    view.ShowCancel(false);  // coding cannot be cancelled
    view.SetMeterRange(kConversionMeterRange);
    view.SetMeterPos(0);
    return ConvertCopy(temp->name(), single_pass) ? kLinkOk : kLinkFailed;
}

// The transfer dialog's texts and Cancel button for file `index`.
void ShowTransferStart(const CameraSession& s, int index, const std::string& path) {
    OperationView& view = *Plat().view;
    view.SetText(kFieldTitle, kTransferTitle);
    view.SetMeterPos(0);
    view.SetText(kFieldDetail, "File Name: " + PathFileName(path));
    if (index == LastSendableIndex(s)) {
        view.ShowCancel(false);
        SetCancelRequested(false);
    } else {
        view.ShowCancel(true);
    }
    DispatchWaitingMessages();
}

// Byte size of the file to send; "File cannot be opened." and -1 for an empty or missing file,
// "Memory cannot be allocated." and 1 for one we will not hold in memory.
LinkError SendSize(const std::string& path, uint32_t* size) {
    const int64_t length = FileLength(path);
    if (length <= 0) {
        ShowError(kMsgFileOpenFailed);
        return kLinkFailed;
    }
    if (length > kMaxUploadBytes) {
        ShowError(kMsgNoMemory);
        return kLinkNoMemory;
    }
    *size = static_cast<uint32_t>(length);
    return kLinkOk;
}

// Reads exactly size bytes of the file into a new buffer.
LinkError ReadWhole(const std::string& path, uint32_t size, ByteBlock* buffer) {
    if (!buffer->Allocate(size)) {
        ShowError(kMsgNoMemory);
        return kLinkNoMemory;
    }
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) {
        ShowError(kMsgFileOpenFailed);
        return kLinkFailed;
    }
    if (std::fread(buffer->data(), 1, size, f.get()) != size) {
        ShowError(kMsgFileReadFailed);
        return kLinkFailed;
    }
    return kLinkOk;
}

// After a file: the Cancel flag becomes cancel-seen; when the file went out and Cancel was
// pressed, the user decides whether the upload ends here.
LinkError AfterFile(CameraSession& s, LinkError result) {
    s.cancel_seen = CancelRequested() ? 1 : 0;
    SetCancelRequested(false);
    if (result == kLinkOk && s.cancel_seen) {
        if (AskYesNo(kAskCancelTransfer) == kBoxYes) return kLinkUploadCancelled;
        s.cancel_seen = 0;
        Plat().view->ShowCancel(true);
    }
    return result;
}

bool ValidIndex(const CameraSession& s, int index) {
    return index >= 0 && index < kMaxUploadFiles && index < static_cast<int>(s.upload.files.size());
}

}  // namespace

bool PassesJpegTest(const std::string& path) {
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return false;
    const int64_t length = StreamLength(f.get());
    if (length < 2) return false;
    uint8_t head[kJpegTestWindow];
    const size_t head_n = static_cast<size_t>(std::min<int64_t>(length, kJpegTestWindow));
    if (std::fread(head, 1, head_n, f.get()) != head_n) return false;
    if (!HasMarkerPair(head, head_n, 0xD8)) return false;
    uint8_t tail[kJpegTestWindow];
    const size_t tail_n = head_n;
    if (!SeekStream(f.get(), length - static_cast<int64_t>(tail_n), SEEK_SET)) return false;
    if (std::fread(tail, 1, tail_n, f.get()) != tail_n) return false;
    return HasMarkerPair(tail, tail_n, 0xD9);
}

uint8_t UploadCodeOfFile(int model, const std::string& path, UploadRefusal* why) {
    UploadRefusal dummy;
    UploadRefusal& reason = why ? *why : dummy;
    reason = UploadRefusal::kNone;
    const int64_t length = FileLength(path);
    if (length <= 0) {
        reason = UploadRefusal::kUnreadable;
        return kUploadSkip;
    }
    if (!PassesJpegTest(path)) {
        reason = UploadRefusal::kNotJpeg;
        return kUploadSkip;
    }
    JpegHeaderInfo info;
    ModelLimits limits;
    if (!ReadJpegHeaderInfo(path, &info) || info.width <= 0 || info.height <= 0 ||
        info.components < 1 || !LimitsOfModel(model, &limits)) {
        reason = UploadRefusal::kBadHeader;
        return kUploadSkip;
    }
    if (info.width > limits.max_width || info.height > limits.max_height) {
        reason = UploadRefusal::kTooLarge;
        return kUploadSkip;
    }
    const bool small = info.width <= limits.small_width && info.height <= limits.small_height;
    int size_class;
    if (model == 1) {
        size_class = small ? (length <= 21503 ? 0 : -1) : Model1ClassOfLength(length);
        if (size_class < 0) {
            reason = UploadRefusal::kTooManyBytes;
            return kUploadSkip;
        }
    } else {
        size_class = small ? 0 : 1;
    }
    uint8_t code = static_cast<uint8_t>(size_class);
    if (!SamplingFitsModel(model, info.h_samp[0], info.v_samp[0])) code |= kUploadRecompress;
    return code;
}

LinkError ExamineUploadList(CameraSession& s) {
    s.upload.codes.fill(kUploadSkip);
    s.upload.examined = 0;
    s.upload.listed = static_cast<int32_t>(std::min<size_t>(s.upload.files.size(), 0x7FFFFFFF));
    // Refused before anything is asked: the user is not taken through a hundred files first.
    if (s.upload.files.size() > static_cast<size_t>(kMaxUploadFiles)) {
        ShowError(kMsgNameTooLong);
        return kLinkFailed;
    }
    if (s.model == 2) {
        int model = 2;
        LinkError r = SeqModelProbe(s, &model);
        if (r != kLinkOk) return r;
        s.model = model;
    }
    int sendable = 0;
    for (size_t i = 0; i < s.upload.files.size(); ++i) {
        const std::string& path = s.upload.files[i];
        const std::string name = PathFileName(path);
        s.upload.current_file = path;
        UploadRefusal why = UploadRefusal::kNone;
        uint8_t code = UploadCodeOfFile(s.model, path, &why);
        if (why == UploadRefusal::kNotJpeg) ShowError(kMsgNotJpeg);
        if (code == kUploadSkip) {
            Box("This JPEG file cannot be transferred to the Camera.\nFile Name : " + name,
                BoxStyle::kError);
        } else if (code & kUploadRecompress) {
            Box("This JPEG file type cannot be supported.\nFile Name : " + name, BoxStyle::kError);
            if (Box("Does it Change Jpeg to Jpeg?\n File Name : " + name + "\n",
                    BoxStyle::kYesNo) != kBoxYes)
                code = kUploadSkip;
        }
        s.upload.codes[i] = code;
        ++s.upload.examined;
        if (code != kUploadSkip) ++sendable;
    }
    if (s.model == 3) s.model = 2;
    return sendable > 0 ? kLinkOk : kLinkFailed;
}

LinkError SendFileModel1(CameraSession& s, int index) {
    if (!ValidIndex(s, index)) return kLinkFailed;
    const uint8_t code = s.upload.codes[index];
    if (code == kUploadSkip) return kLinkOk;
    const std::string& path = s.upload.files[index];
    s.upload.current_file = path;

    BusyWait(500);
    LinkError r = SigBeginUpload(s, code & kUploadClassMask);
    if (r != kLinkOk) return r;

    ScopedTempFile temp;
    if (code & kUploadRecompress) {
        r = RecompressIntoTemp(path, false, &temp);
        if (r != kLinkOk) return r;
    }
    const std::string& send_path = temp.name().empty() ? path : temp.name();

    ProgressDialog dialog;
    if (!dialog.Open()) return kLinkFailed;
    ShowTransferStart(s, index, path);
    uint32_t size = 0;
    r = SendSize(send_path, &size);
    if (r != kLinkOk) return r;
    Plat().view->SetMeterRange((size + kUploadChunk - 1) / kUploadChunk);
    s.image_byte_size = size;
    {
        ByteBlock buffer;
        r = ReadWhole(send_path, size, &buffer);
        if (r != kLinkOk) return r;
        r = SigUploadData(s, buffer.data(), size);
    }
    return AfterFile(s, r);
}

LinkError SendFileSequenced(CameraSession& s, int index) {
    if (!ValidIndex(s, index)) return kLinkFailed;
    const uint8_t code = s.upload.codes[index];
    if (code == kUploadSkip) return kLinkOk;
    const std::string& path = s.upload.files[index];
    s.upload.current_file = path;

    ScopedTempFile temp;
    LinkError r;
    if (code & kUploadRecompress) {
        r = RecompressIntoTemp(path, true, &temp);
        if (r != kLinkOk) return r;
    }
    const std::string& send_path = temp.name().empty() ? path : temp.name();

    // The size announced to the camera is the size read and sent below: the file is read
    // whole once and must still hold exactly that many bytes.
    uint32_t size = 0;
    r = SendSize(send_path, &size);
    if (r != kLinkOk) return r;
    s.image_byte_size = size;
    r = SeqBeginUpload(s, size);
    if (r != kLinkOk) return r;

    ProgressDialog dialog;
    if (!dialog.Open()) return kLinkFailed;
    ShowTransferStart(s, index, path);
    const uint32_t blocks = static_cast<uint32_t>((uint64_t{size} + kBlockSize - 1) / kBlockSize);
    s.block_count = blocks;
    Plat().view->SetMeterRange(blocks);
    {
        ByteBlock buffer;
        r = ReadWhole(send_path, size, &buffer);
        if (r != kLinkOk) return r;
        uint8_t block[kBlockSize];
        // A camera in the middle of an upload waits for its remaining blocks, and ending the
        // session then breaks the protocol. So an answer lost or damaged on the way back does
        // not end the upload: the next block goes out, and the last block's answer (or the
        // image count) tells whether the camera stored the image. Two lost answers in a row
        // mean the camera is not there any more.
        bool lost_before = false;
        for (uint32_t i = 0; i < blocks && r == kLinkOk; ++i) {
            const uint32_t offset = i * kBlockSize;
            const uint32_t n = std::min(kBlockSize, size - offset);
            std::memset(block, 0, sizeof block);
            std::memcpy(block, buffer.data() + offset, n);
            Plat().view->SetMeterPos(i + 1);
            bool lost = false;
            r = SeqUploadBlock(s, i, block, i + 1 == blocks, &lost);
            if (r == kLinkOk && lost && lost_before) {
                ShowError(kMsgCannotAccess);
                r = kLinkTimeout;
            }
            lost_before = lost;
        }
    }
    return AfterFile(s, r);
}

LinkError UploadFiles(CameraSession& s) {
    LinkError r = ExamineUploadList(s);
    if (r != kLinkOk) return r;
    // The count before the first file: should the camera's answer to a file be lost, the
    // count tells whether the file was stored (-1: not known, a lost answer is a failure).
    uint32_t count = 0;
    r = s.model == 1 ? SigImageCountQuiet(s, &count) : SeqImageCountQuiet(s, &count);
    s.image_count = r == kLinkOk ? static_cast<int32_t>(count) : -1;
    s.upload.sent = 0;
    const int n = static_cast<int>(s.upload.files.size());
    for (int i = 0; i < n; ++i) {
        if (s.upload.codes[i] == kUploadSkip) continue;
        r = s.model == 1 ? SendFileModel1(s, i) : SendFileSequenced(s, i);
        if (r == kLinkOk || r == kLinkUploadCancelled) {
            ++s.upload.sent;
            if (s.image_count >= 0) ++s.image_count;
        }
        if (r != kLinkOk) return r;
    }
    return kLinkOk;
}
