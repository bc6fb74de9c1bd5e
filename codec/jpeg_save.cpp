#include "codec/jpeg_save.h"

#include <cstdint>

#include "base/messages.h"
#include "base/pending_file.h"
#include "codec/jpeg_codec.h"

int SaveDibAsJpeg(const DibImage& dib, const std::string& path, int quality,
                  const KeptSegments* segments, const JpegSaveEncoder* encoder) {
    DibImage wide;
    const DibImage* src = &dib;
    if (DibBitCount(dib) < 8) {
        wide = ExpandTo24(dib);
        if (!wide) return 0;
        src = &wide;
    }
    PendingFile jpeg;
    if (!jpeg.Reserve(path)) {
        ShowError(kMsgFileOpenFailed);
        return 0;
    }
    const int encoded =
        encoder && encoder->encode
            ? encoder->encode(*src, jpeg.temp_path(), quality, encoder->context)
            : EncodeDibToJpegFile(*src, jpeg.temp_path(), kSaveSampling, quality, JpegProgress());
    if (!encoded) return 0;
    if (segments && segments->count > 0 &&
        !RestoreCameraSegments(jpeg.temp_path(), *segments, static_cast<uint32_t>(DibWidth(dib)),
                               static_cast<uint32_t>(DibHeight(dib)))) {
        ShowError(kMsgJpegCreateFailed);
        return 0;
    }
    return CommitOrShow(&jpeg, kMsgJpegCreateFailed);
}
