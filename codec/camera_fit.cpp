#include "codec/camera_fit.h"

#include <memory>
#include <new>

#include "base/files.h"
#include "base/path.h"
#include "base/pending_file.h"
#include "base/platform.h"
#include "codec/jpeg_codec.h"
#include "base/messages.h"

namespace {

struct SizeClass {
    int64_t max;         // largest length of the class
    int64_t window_low;  // a fitting length is above this
    int64_t target;
};
const SizeClass kClasses[4] = {
    {21504, 0, 0},
    {64512, 51200, 56320},
    {131072, 102400, 113664},
    {262144, 204800, 227328},
};
constexpr int kMaxAdjustments = 10;

int StepFor(int64_t d, int s) {
    const bool s2 = s == 2 || s == -2;
    const bool s5 = s == 5 || s == -5;
    if (d <= 5120) return s2 ? 0 : 2;
    if (d <= 10240) return (s2 || s5) ? (s2 ? 1 : 2) : 5;
    if (s2 || s5) return s2 ? 1 : 2;
    return s == -10 ? 5 : 10;
}

int StartQuality(int size_class) {
    if (size_class == 2) return 95;
    if (size_class == 1) return 80;
    return 55;
}

// The passes share this: texts and meter of an own dialog, or the caller's meter.
bool SetUpMeter(const std::string& jpeg_path, MeterState* meter, int* size_class,
                int64_t* previous_length, MeterState* m) {
    OperationView& view = *Plat().view;
    if (meter) {
        *size_class = SizeClassOfFile(jpeg_path);
        if (*size_class == kNoSizeClass) return false;
        *previous_length = FileLength(jpeg_path);
        *m = *meter;
        return true;
    }
    *previous_length = 0;
    view.SetText(kFieldTitle, "Now Compressing image.");
    view.SetText(kFieldDetail, "File Name: " + PathFileName(jpeg_path));
    view.ShowCancel(false);
    view.SetMeterRange(100);
    view.SetMeterPos(0);
    *m = MeterState{0, 100};
    return true;
}

// An encode's share of the meter: from where it stands half the way to the end.
JpegProgress EncoderShare(const MeterState& m) {
    JpegProgress progress;
    progress.meter = JpegMeter::kRange;
    progress.lo = m.pos;
    progress.hi = m.pos + (m.range > m.pos ? (m.range - m.pos) / 2 : 0);
    return progress;
}

int FinishWithFullMeter(MeterState* meter, MeterState* m) {
    m->pos = m->range;
    Plat().view->SetMeterPos(m->range);
    PumpFor(1000);
    if (meter) *meter = *m;
    return 1;
}

}  // namespace

int SizeClassOfLength(int64_t length) {
    if (length <= 0) return kNoSizeClass;
    for (int c = 0; c < 4; ++c)
        if (length <= kClasses[c].max) return c;
    return kNoSizeClass;
}

int SizeClassOfFile(const std::string& path) {
    return SizeClassOfLength(FileLength(path));
}

int NextFitQualityForLength(int64_t length, int size_class, int quality, int* last_step,
                            int64_t previous_length) {
    if (length <= 0 || size_class < 0 || size_class > 3) return 0;
    const SizeClass& k = kClasses[size_class];
    int64_t distance;
    bool up;
    if (size_class == 0) {
        if (length < k.max) return 0;
        distance = length - k.max;
        up = false;
    } else {
        if (previous_length != 0 && length > previous_length && length <= k.max) return 0;
        if (length > k.window_low && length <= k.max) return 0;
        up = length <= k.target;
        distance = up ? k.target - length : length - k.target;
    }
    int step = StepFor(distance, *last_step);
    if (!up) step = -step;
    *last_step = step;
    int q = quality + step;
    if (size_class != 0 && q > 100) q = 100;
    return q;
}

int NextFitQuality(const std::string& path, int size_class, int quality, int* last_step,
                   int64_t previous_length) {
    int64_t length = FileLength(path);
    return NextFitQualityForLength(length < 0 ? 0 : length, size_class, quality, last_step,
                                   previous_length);
}

int CompressForCamera(const DibImage& dib, const std::string& jpeg_path, MeterState* meter,
                      int size_class) {
    int64_t previous_length = 0;
    MeterState m;
    if (!SetUpMeter(jpeg_path, meter, &size_class, &previous_length, &m)) return 0;
    // The passes write a file beside the target, which takes the target's place only when the
    // fitting has ended; a pass that fails leaves the target as it was.
    PendingFile fitted;
    if (!fitted.Reserve(jpeg_path)) {
        ShowError(kMsgFileOpenFailed);
        return 0;
    }

    int quality = StartQuality(size_class);
    int last_step = 0;
    for (int passes = 0;; ++passes) {
        Plat().view->SetMeterPos(m.pos);
        JpegProgress progress = EncoderShare(m);
        uint32_t reached = m.pos;
        progress.position_out = &reached;
        if (!EncodeDibToJpegFile(dib, fitted.temp_path(), kCameraSampling, quality, progress))
            return 0;
        int next =
            NextFitQuality(fitted.temp_path(), size_class, quality, &last_step, previous_length);
        if (next == 0 || passes >= kMaxAdjustments) {
            if (fitted.Commit() != CommitResult::kDone) {
                ShowError(kMsgFileOpenFailed);
                return 0;
            }
            return FinishWithFullMeter(meter, &m);
        }
        quality = next;
        m.pos = reached;
    }
}

int CompressForCameraSinglePass(const DibImage& dib, const std::string& jpeg_path,
                                MeterState* meter, int size_class) {
    int64_t previous_length = 0;
    MeterState m;
    if (!SetUpMeter(jpeg_path, meter, &size_class, &previous_length, &m)) return 0;
    Plat().view->SetMeterPos(m.pos);
    if (!EncodeDibToJpegFile(dib, jpeg_path, kSaveSampling, size_class == 2 ? 95 : 80,
                             EncoderShare(m)))
        return 0;
    return FinishWithFullMeter(meter, &m);
}

int CompressForCameraSilent(const std::string& jpeg_path, int size_class) {
    DibImage dib;
    if (!DecodeJpegToDib(jpeg_path, 0, JpegProgress(), &dib)) return 0;
    if (size_class < 0) size_class = SizeClassOfFile(jpeg_path);
    if (size_class < 0 || size_class > 3) return 0;
    // As above: the file at jpeg_path is replaced once, by the last pass's result.
    PendingFile fitted;
    if (!fitted.Reserve(jpeg_path)) return 0;
    int quality = size_class == 2 ? 95 : 80;
    int last_step = 0;
    for (int passes = 0;; ++passes) {
        if (!EncodeDibToJpegFile(dib, fitted.temp_path(), kCameraSampling, quality, JpegProgress()))
            return 0;
        int next = NextFitQuality(fitted.temp_path(), size_class, quality, &last_step, 0);
        if (next == 0 || passes >= kMaxAdjustments)
            return fitted.Commit() == CommitResult::kDone ? 1 : 0;
        quality = next;
    }
}

int CopyJpegFile(const std::string& from, const std::string& to) {
    if (SameFile(from, to)) return 1;
    ScopedFile in;
    PendingFile out;
    if (!OpenInputAndOutput(from, to, &in, &out)) return 0;
    constexpr size_t kBlock = 2048;
    std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[kBlock]);
    if (!buf) {
        ShowError(kMsgNoMemory);
        return 0;
    }
    for (;;) {
        size_t n = std::fread(buf.get(), 1, kBlock, in.get());
        if (n < kBlock && std::ferror(in.get())) {
            ShowError(kMsgFileReadFailed);
            return 0;
        }
        if (n == 0) break;
        if (!out.Write(buf.get(), n)) {
            ShowError(kMsgDiskFull);
            return 0;
        }
        if (n < kBlock) break;
    }
    in.Close();
    return CommitOrShow(&out, kMsgDiskFull);
}
