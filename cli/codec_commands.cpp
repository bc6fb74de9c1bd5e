// Image commands of vistrel-cli: the codec's drivers and conversions on files.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/path.h"
#include "cli/commands.h"
#include "codec/bmp_file.h"
#include "codec/camera_fit.h"
#include "codec/camera_segments.h"
#include "codec/jpeg_codec.h"
#include "codec/reduce.h"

namespace {

int Usage(const char* text) {
    std::fprintf(stderr, "usage: vistrel-cli %s\n", text);
    return 2;
}

bool ParseInt(const std::string& s, int lo, int hi, int* out) {
    if (s.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

int Decode(const std::vector<std::string>& a) {
    if (a.size() != 2) return Usage("decode IN.jpg OUT.bmp");
    return DecodeJpegFile(a[0], a[1], 0, JpegProgress()) ? 0 : 1;
}

int Encode(const std::vector<std::string>& a) {
    std::vector<std::string> files;
    int quality = kJpegStandardQuality;
    std::string sampling = kSaveSampling;
    const char* usage = "encode IN.bmp OUT.jpg [--quality Q] [--sampling 2x1,1x1,1x1]";
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--quality" && i + 1 < a.size()) {
            if (!ParseInt(a[++i], 1, 100, &quality)) return Usage(usage);
        } else if (a[i] == "--sampling" && i + 1 < a.size()) {
            sampling = a[++i];
            int h[4], v[4];
            if (!ParseSampling(sampling, h, v, 4)) return Usage(usage);
        } else {
            files.push_back(a[i]);
        }
    }
    if (files.size() != 2) return Usage(usage);
    return EncodeJpegFile(files[0], files[1], sampling, quality, JpegProgress()) ? 0 : 1;
}

int Convert(const std::vector<std::string>& a, const char* usage, bool reduce) {
    if (a.size() != 2) return Usage(usage);
    DibImage in = LoadBmpFile(a[0]);
    if (!in) return 1;
    DibImage out = reduce ? ReduceTo256(in) : ExpandTo24(in);
    if (!out) {
        if (reduce && DibBitCount(in) != 24)
            std::fprintf(stderr, "vistrel-cli: %s is not a 24-bit picture\n", a[0].c_str());
        return 1;
    }
    return SaveBmpFile(a[1], out) ? 0 : 1;
}

int Reduce(const std::vector<std::string>& a) {
    return Convert(a, "reduce IN.bmp OUT.bmp", true);
}
int Expand(const std::vector<std::string>& a) {
    return Convert(a, "expand IN.bmp OUT.bmp", false);
}

int Fit(const std::vector<std::string>& a) {
    const char* usage = "fit IN.jpg OUT.jpg --class N";
    std::vector<std::string> files;
    int size_class = -1;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--class" && i + 1 < a.size()) {
            if (!ParseInt(a[++i], 0, 3, &size_class)) return Usage(usage);
        } else {
            files.push_back(a[i]);
        }
    }
    if (files.size() != 2 || size_class < 0) return Usage(usage);
    if (!CopyJpegFile(files[0], files[1])) return 1;
    if (CompressForCameraSilent(files[1], size_class) != 0) return 1;
    int64_t len = FileLength(files[1]);
    std::printf("%s: %lld bytes, class %d\n", files[1].c_str(), static_cast<long long>(len),
                SizeClassOfLength(len));
    return 0;
}

std::string DateText(const CameraDate& d) {
    if (!d.known()) return "none";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

int InfoOne(const std::string& path) {
    ScopedFile f(OpenFileBinary(path, "rb"));
    uint8_t magic[2] = {0, 0};
    if (!f || std::fread(magic, 1, 2, f.get()) != 2) {
        std::fprintf(stderr, "%s: File cannot be opened.\n", path.c_str());
        return 1;
    }
    f.Close();
    const int size_class = SizeClassOfFile(path);
    if (magic[0] == 0xFF && magic[1] == 0xD8) {
        JpegHeaderInfo info;
        if (!ReadJpegHeaderInfo(path, &info)) {
            std::fprintf(stderr, "%s: This is not a Jpeg file.\n", path.c_str());
            return 1;
        }
        KeptSegments kept;
        KeepCameraSegments(path, &kept);
        std::string camera =
            kept.recorded_width || kept.recorded_height
                ? std::to_string(kept.recorded_width) + "x" + std::to_string(kept.recorded_height)
                : "none";
        std::printf("%s: kind=jpeg width=%d height=%d sampling=%s class=%d date=%s camera=%s\n",
                    path.c_str(), info.width, info.height, SamplingText(info).c_str(), size_class,
                    DateText(ThumbnailDate(path)).c_str(), camera.c_str());
        return 0;
    }
    if (magic[0] == 'B' && magic[1] == 'M') {
        DibImage d = LoadBmpFile(path);
        if (!d) return 1;
        std::printf("%s: kind=bmp width=%d height=%d bits=%d class=%d date=none camera=none\n",
                    path.c_str(), DibWidth(d), DibHeight(d), DibBitCount(d), size_class);
        return 0;
    }
    std::fprintf(stderr, "%s: There is no correspondence between this file.\n", path.c_str());
    return 1;
}

int Info(const std::vector<std::string>& a) {
    if (a.empty()) return Usage("info FILE...");
    int rc = 0;
    for (const std::string& p : a)
        if (InfoOne(p) != 0) rc = 1;
    return rc;
}

}  // namespace

void RegisterCodecCommands() {
    AddCommand({"decode", "IN.jpg OUT.bmp", Decode});
    AddCommand({"encode", "IN.bmp OUT.jpg [--quality Q] [--sampling 2x1,1x1,1x1]", Encode});
    AddCommand({"reduce", "IN.bmp OUT.bmp", Reduce});
    AddCommand({"expand", "IN.bmp OUT.bmp", Expand});
    AddCommand({"fit", "IN.jpg OUT.jpg --class N", Fit});
    AddCommand({"info", "FILE...", Info});
}
