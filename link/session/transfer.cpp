// Camera-to-PC transfer. An image is read whole into memory, then written whole or not at all;
// the numbering continues from the highest "DSC" file already in the folder, so nothing there is
// ever overwritten by a transfer that the room check accepted.
#include "link/session/transfer.h"

#include <cstdio>
#include <cstring>

#include "base/dir.h"
#include "base/files.h"
#include "base/pending_file.h"
#include "base/platform.h"
#include "codec/camera_fit.h"
#include "base/messages.h"
#include "link/protocol.h"
#include "link/session/camera_ui.h"

LinkError AllocateImageBuffer(CameraSession& s, uint32_t size) {
    if (size > kMaxCameraImageBytes) {
        ShowError(kMsgNoMemory);
        return kLinkNoMemory;
    }
    s.image_byte_size = size;
    s.block_count = (size + kBlockSize - 1) / kBlockSize;
    if (s.block_count == 0) {
        s.image.Reset();
        return kLinkOk;
    }
    if (!s.image.Allocate(size_t(s.block_count) * kBlockSize)) {
        ShowError(kMsgNoMemory);
        return kLinkNoMemory;
    }
    return kLinkOk;
}

void FreeImageBuffer(CameraSession& s) {
    s.image.Reset();
}

LinkError WriteWholeFile(const std::string& path, const uint8_t* data, uint32_t size) {
    PendingFile f;
    if (!f.Open(path)) {
        ShowError(kMsgCannotCreateFile);
        return kLinkFailed;
    }
    if (size != 0) f.Write(data, size);
    switch (f.Commit()) {
        case CommitResult::kDone:
            return kLinkOk;
        case CommitResult::kWriteFailed:
            ShowError(kMsgDiskFull);
            return kLinkFailed;
        default:
            ShowError(kMsgCannotCreateFile);
            return kLinkFailed;
    }
}

std::string DscFileName(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "DSC%04d.jpg", number);
    return name;
}

namespace {

bool MatchesDscPattern(const std::string& name) {
    if (name.size() != 11) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    const char* prefix = "dsc";
    for (int i = 0; i < 3; ++i)
        if (lower(name[i]) != prefix[i]) return false;
    const char* ext = ".jpg";
    for (int i = 0; i < 4; ++i)
        if (lower(name[7 + i]) != ext[i]) return false;
    return true;
}

int DscNumberOf(const std::string& name) {
    int n = 0;
    for (int i = 3; i < 7; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string Format(const char* format, int a, int b = 0, int c = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// Adds a transferred file to the album, starting a new album where one is due.
LinkError AddToAlbum(CameraSession& s, const std::string& path) {
    CameraUi& ui = CamUi();
    const bool new_album =
        s.model == 1 ? s.transfer.no_album_yet
                     : s.transfer.no_album_yet || s.transfer.transferred_since_open % 100 == 0;
    if (new_album) {
        if (!ui.AlbumCreate()) return kLinkFailed;
        s.transfer.no_album_yet = false;
    }
    OperationView& view = *Plat().view;
    view.SetMeterPos(0);
    view.SetMeterRange(25);
    return ui.AlbumAdd(path) ? kLinkOk : kLinkFailed;
}

// Model 1: the camera sent nothing for the last block, so the image ends early. The last block
// is cleared and the file made to end with an end-of-image marker, then re-encoded so that the
// decoder can read what did arrive.
void MarkTruncatedImage(CameraSession& s) {
    const size_t last = size_t(s.block_count - 1) * kBlockSize;
    std::memset(s.image.data() + last, 0, kBlockSize);
    if (s.image_byte_size >= 2) {
        s.image.data()[s.image_byte_size - 2] = 0xFF;
        s.image.data()[s.image_byte_size - 1] = 0xD9;
    }
}

// One image of the loop; *stop is set when the loop must end after it, *left_out when the
// caller's naming left the image out, *written when its file was written.
LinkError TransferOne(CameraSession& s, int image, int k, int n, bool* stop, bool* left_out,
                      bool* written) {
    OperationView& view = *Plat().view;
    const bool model1 = s.model == 1;
    view.SetText(kFieldTitle, "Now transferring image(Digital Camera -> PC).");
    view.SetMeterPos(0);
    view.SetText(kFieldDetail, Format("Image No.%d ( %d / %d )", image, k, n));
    if (k < n) {
        view.ShowCancel(true);
    } else {
        view.ShowCancel(false);
        SetCancelRequested(false);
    }
    ++s.transfer.last_file_number;
    s.transfer.file_name = DscFileName(s.transfer.last_file_number);
    std::string path = FolderWithSeparator(s.transfer.folder) + s.transfer.file_name;

    uint32_t size = 0;
    LinkError r = model1 ? SigImageSize(s, image, &size) : SeqImageSize(s, image, &size);
    // A model-1 camera reports an empty image as size 0 too; it is stopped the same way.
    if (r == kLinkOk && size == 0) r = kLinkZeroSize;
    if (r == kLinkZeroSize) {
        ShowErrorText("Selected image not saved.\nStop transfer.");
        *stop = true;
        return r;
    }
    if (r != kLinkOk) return r;
    // The image's buffer goes on every path out of this image.
    struct ReleaseImageBuffer {
        CameraSession& s;
        ~ReleaseImageBuffer() { FreeImageBuffer(s); }
    } release{s};
    r = AllocateImageBuffer(s, size);
    if (r != kLinkOk) return r;
    view.SetMeterRange(s.block_count);
    r = model1 ? SigReadBlocks(s, s.block_count, true) : SeqReadBlocks(s, s.block_count, false);
    if (!model1 && CancelRequested()) {
        SetCancelRequested(false);
        if (AskYesNo(kAskCancelTransfer) == kBoxYes) {
            *stop = true;
            if (!s.transfer.keep_whole_on_cancel || r != kLinkOk) return r;
        } else {
            view.ShowCancel(true);
        }
    }
    if (model1) {
        s.cancel_seen = CancelRequested();
        SetCancelRequested(false);
    }
    if (r == kLinkOk) {
        const bool truncated = model1 && s.last_block_empty;
        if (truncated) MarkTruncatedImage(s);
        if (s.transfer.name_file) {
            std::string name = s.transfer.file_name;
            if (!s.transfer.name_file(image, s.image.data(), size, &name)) {
                --s.transfer.last_file_number;
                *left_out = true;
                return kLinkOk;
            }
            s.transfer.file_name = name;
            path = FolderWithSeparator(s.transfer.folder) + name;
        }
        r = WriteWholeFile(path, s.image.data(), size);
        *written = r == kLinkOk;
        if (r == kLinkOk && truncated) {
            if (!CompressForCameraSilent(path, -1)) {
                std::remove(path.c_str());
                *written = false;
                r = kLinkFailed;
            }
            uint32_t again = 0;
            SigImageSize(s, image, &again);
            if (r == kLinkOk) {
                // Kept, but the user should know that its end is made up.
                const uint32_t arrived = (s.block_count - 1) * kBlockSize;
                char text[160];
                std::snprintf(text, sizeof text,
                              "Image No.%d arrived short (%u of %u bytes); its end was completed "
                              "and it was saved as %s.",
                              image, arrived, size, s.transfer.file_name.c_str());
                CamUi().Notice(text);
            }
        }
    }
    if (r == kLinkOk && !s.transfer.images_only) {
        r = AddToAlbum(s, path);
        if (r != kLinkOk && model1) {
            if (AskYesNo(kAskImagesOnly) == kBoxYes) {
                s.transfer.images_only = true;
                r = kLinkOk;
            } else {
                std::remove(path.c_str());
                *written = false;
            }
        }
    }
    if (!model1) ++s.transfer.transferred_since_open;
    return r;
}

}  // namespace

std::string FolderOfChosenPath(const std::string& chosen) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i] == '\\' || chosen[i] == PathSeparator()) cut = i;
    if (cut == std::string::npos) return chosen.substr(0, 2) + PathSeparator();
    return chosen.substr(0, cut + 1);
}

int HighestDscNumber(const std::string& folder) {
    const std::string base = FolderWithSeparator(folder);
    const std::string probe = base + "DSC9999.jpg";
    if (FileExists(probe)) return 9999;
    {
        ScopedFile f(OpenFileBinary(probe, "wb"));
        if (!f) return 9999;  // a folder that cannot be written has no room
    }
    std::remove(probe.c_str());
    std::vector<std::string> names;
    if (!ListFolderFiles(folder, &names)) return 9999;
    int highest = 0;
    for (const std::string& name : names)
        if (MatchesDscPattern(name)) highest = std::max(highest, DscNumberOf(name));
    return highest;
}

bool ChooseTransferFolder(CameraSession& s) {
    std::string chosen;
    if (!CamUi().ChooseFolder(GetSetting(*Plat().settings, "dir", ""), &chosen)) return false;
    s.transfer.folder = FolderOfChosenPath(chosen);
    Plat().settings->Set("dir", s.transfer.folder);
    return true;
}

bool CheckFolderRoom(CameraSession& s, int count) {
    const int highest = HighestDscNumber(s.transfer.folder);
    s.transfer.last_file_number = highest;
    if (count + highest < 10000) return true;
    ShowError(kMsgCannotCopyDir);
    return false;
}

LinkError TransferSelected(CameraSession& s, const std::vector<int>& images, int* copied) {
    CameraUi& ui = CamUi();
    SetCancelRequested(false);
    int saved = 0;
    if (copied) *copied = 0;
    if (!ui.OpenProgress()) return kLinkFailed;
    s.transfer.images_only = false;
    const int n = int(images.size());
    LinkError result = kLinkOk;
    // Models 2 and 3 go on after an image that failed; the run still fails with the first
    // failure's code, so that a later success never hides it.
    LinkError first_failure = kLinkOk;
    for (int k = 1; k <= n; ++k) {
        bool stop = false;
        bool left_out = false;
        bool written = false;
        result = TransferOne(s, images[k - 1], k, n, &stop, &left_out, &written);
        if (result == kLinkOk && written) ++saved;
        if (result != kLinkOk && first_failure == kLinkOk) first_failure = result;
        if (stop) break;
        // A line that no longer answers would make every further image wait out its own
        // time-outs to fail the same way: the run stops at once. Only a data error of one
        // image lets models 2 and 3 go on with the next.
        if (IsLineFailure(result)) break;
        if (s.model == 1) {
            if (result != kLinkOk) break;
            if (s.cancel_seen) {
                if (AskYesNo(kAskCancelTransfer) == kBoxYes) break;
                s.cancel_seen = 0;
                Plat().view->ShowCancel(true);
            }
        }
    }
    ui.CloseProgress();
    if (copied) *copied = saved;
    return first_failure;
}
