// Image commands of vistrel-cli: the codec's drivers and conversions on files. The codec writes
// every output beside it and renames it into place only when complete, so a failed command
// leaves no file behind and an existing one as it was. Its messages are the program's own; here
// the file and the system's reason are added after them where there is one.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/pending_file.h"
#include "base/platform.h"
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

// Passes every box on to the terminal, adding to an error the reason of the file call that
// failed last ("(x.jpg: No such file or directory)"). An input that opens but holds nothing has
// no such reason; the command looks for that before it runs.
class ReasonPrompts : public UserPrompts {
public:
    explicit ReasonPrompts(UserPrompts* inner) : inner_(inner) {}

    int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                BoxOwner owner) override {
        std::string shown = text;
        if (style == BoxStyle::kError) {
            ++errors_;
            const std::string why = Reason();
            if (!why.empty()) shown += " (" + why + ")";
        }
        return inner_->ShowBox(shown, title, style, owner);
    }
    void SetCursor(CursorKind kind) override { inner_->SetCursor(kind); }

    void set_empty_input(const std::string& path) { empty_input_ = path; }
    // Without any other reason, an error names this file (for commands on several files).
    void set_subject(const std::string& path) { subject_ = path; }
    // A temporary file the command made is named as the file it was to become.
    void set_alias(const std::string& temp, const std::string& target) {
        alias_temp_ = temp;
        alias_target_ = target;
    }
    int errors() const { return errors_; }

private:
    std::string Reason() {
        FileFailure f = TakeFileFailure();
        if (f.error != 0) {
            const std::string& name =
                !alias_temp_.empty() && f.path == alias_temp_ ? alias_target_ : f.path;
            return name + ": " + std::strerror(f.error);
        }
        if (!empty_input_.empty()) {
            std::string why = empty_input_ + ": the file is empty";
            empty_input_.clear();
            return why;
        }
        return subject_;
    }

    UserPrompts* inner_;  // not owned
    std::string empty_input_;
    std::string subject_;
    std::string alias_temp_;
    std::string alias_target_;
    int errors_ = 0;
};

// Installs ReasonPrompts for one command, with what it found of its inputs beforehand.
class ReasonScope {
public:
    explicit ReasonScope(const std::string& input) : prompts_(Plat().prompts), scoped_(With()) {
        if (FileLength(input) == 0) prompts_.set_empty_input(input);
        TakeFileFailure();  // a failure of that look is the codec's to find and say
    }
    ReasonPrompts& prompts() { return prompts_; }

private:
    Platform With() {
        Platform p = Plat();
        p.prompts = &prompts_;
        return p;
    }
    ReasonPrompts prompts_;
    ScopedPlatform scoped_;
};

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
    ReasonScope reasons(a[0]);
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
    ReasonScope reasons(files[0]);
    return EncodeJpegFile(files[0], files[1], sampling, quality, JpegProgress()) ? 0 : 1;
}

int Convert(const std::vector<std::string>& a, const char* usage, bool reduce) {
    if (a.size() != 2) return Usage(usage);
    ReasonScope reasons(a[0]);
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
    ReasonScope reasons(files[0]);
    // The copy is fitted beside the output and takes its place only when the fitting worked.
    PendingFile fitted;
    if (!fitted.Reserve(files[1])) {
        ShowError(kMsgFileOpenFailed);
        return 1;
    }
    reasons.prompts().set_alias(fitted.temp_path(), files[1]);
    if (!CopyJpegFile(files[0], fitted.temp_path())) return 1;
    if (CompressForCameraSilent(fitted.temp_path(), size_class) != 0) {
        // The silent form says nothing of some failures (the file it writes cannot be made).
        if (reasons.prompts().errors() == 0) ShowError(kMsgJpegCreateFailed);
        return 1;
    }
    switch (fitted.Commit()) {
        case CommitResult::kDone:
            break;
        case CommitResult::kWriteFailed:
            ShowError(kMsgJpegCreateFailed);
            return 1;
        case CommitResult::kReplaceFailed:
            ShowError(kMsgFileOpenFailed);
            return 1;
    }
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

// One line on the terminal for a file that info cannot describe: the program's text and, where
// there is one, the reason.
int InfoFailure(const std::string& path, int message, const std::string& why) {
    std::string line = path + ": " + ErrorText(message);
    if (!why.empty()) line += " (" + why + ")";
    std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
}

int InfoOne(const std::string& path) {
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return InfoFailure(path, kMsgFileOpenFailed, std::strerror(TakeFileFailure().error));
    uint8_t magic[2] = {0, 0};
    errno = 0;
    const size_t got = std::fread(magic, 1, 2, f.get());
    if (got < 2 && std::ferror(f.get()))
        return InfoFailure(path, kMsgFileReadFailed, std::strerror(errno ? errno : EIO));
    f.Close();
    // A file too short for any kind is of no kind we know, as the program says of it.
    if (got < 2)
        return InfoFailure(path, kMsgNoCorrespondence, got == 0 ? "the file is empty" : "");
    const int size_class = SizeClassOfFile(path);
    if (magic[0] == 0xFF && magic[1] == 0xD8) {
        JpegHeaderInfo info;
        if (!ReadJpegHeaderInfo(path, &info)) return InfoFailure(path, kMsgNotJpeg, "");
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
        ReasonScope reasons(path);
        reasons.prompts().set_subject(path);
        DibImage d = LoadBmpFile(path);
        if (!d) return 1;
        std::printf("%s: kind=bmp width=%d height=%d bits=%d class=%d date=none camera=none\n",
                    path.c_str(), DibWidth(d), DibHeight(d), DibBitCount(d), size_class);
        return 0;
    }
    return InfoFailure(path, kMsgNoCorrespondence, "");
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
