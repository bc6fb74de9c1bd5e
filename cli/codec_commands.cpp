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
            return name + ": " + FileErrorText(f.error);
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

int Decode(const CliArgs& a) {
    ReasonScope reasons(a.input);
    return DecodeJpegFile(a.input, a.output, 0, JpegProgress()) ? 0 : 1;
}

int Encode(const CliArgs& a) {
    const int quality = a.quality ? a.quality : kJpegStandardQuality;
    const std::string sampling = a.sampling.empty() ? kSaveSampling : a.sampling;
    ReasonScope reasons(a.input);
    return EncodeJpegFile(a.input, a.output, sampling, quality, JpegProgress()) ? 0 : 1;
}

int Convert(const CliArgs& a, bool reduce) {
    ReasonScope reasons(a.input);
    DibImage in = LoadBmpFile(a.input);
    if (!in) return 1;
    DibImage out = reduce ? ReduceTo256(in) : ExpandTo24(in);
    if (!out) {
        if (reduce && DibBitCount(in) != 24)
            std::fprintf(stderr, "vistrel-cli: %s is not a 24-bit picture\n", a.input.c_str());
        return 1;
    }
    return SaveBmpFile(a.output, out) ? 0 : 1;
}

int Reduce(const CliArgs& a) {
    return Convert(a, true);
}
int Expand(const CliArgs& a) {
    return Convert(a, false);
}

int Fit(const CliArgs& a) {
    const std::vector<std::string> files = {a.input, a.output};
    const int size_class = a.size_class;
    ReasonScope reasons(files[0]);
    // The copy is fitted beside the output and takes its place only when the fitting worked.
    PendingFile fitted;
    if (!fitted.Reserve(files[1])) {
        ShowError(kMsgFileOpenFailed);
        return 1;
    }
    reasons.prompts().set_alias(fitted.temp_path(), files[1]);
    if (!CopyJpegFile(files[0], fitted.temp_path())) return 1;
    if (!CompressForCameraSilent(fitted.temp_path(), size_class)) {
        // The silent form says nothing of some failures (the file it writes cannot be made).
        if (reasons.prompts().errors() == 0) ShowError(kMsgJpegCreateFailed);
        return 1;
    }
    if (!CommitOrShow(&fitted, kMsgJpegCreateFailed)) return 1;
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
    const std::string line = std::string("vistrel-cli: ") + ErrorText(message) + " (" + path +
                             (why.empty() ? "" : ": " + why) + ")";
    std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
}

// The camera's size class of a JPEG file by its length, or "none" (a file too big for any class).
std::string ClassText(int size_class) {
    return size_class == kNoSizeClass ? "none" : std::to_string(size_class);
}

int InfoOne(const std::string& path) {
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return InfoFailure(path, kMsgFileOpenFailed, FileErrorText(TakeFileFailure().error));
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
        std::printf("%s: kind=jpeg width=%d height=%d sampling=%s class=%s date=%s camera=%s\n",
                    path.c_str(), info.width, info.height, SamplingText(info).c_str(),
                    ClassText(size_class).c_str(), DateText(ThumbnailDate(path)).c_str(),
                    camera.c_str());
        return 0;
    }
    if (magic[0] == 'B' && magic[1] == 'M') {
        ReasonScope reasons(path);
        reasons.prompts().set_subject(path);
        DibImage d = LoadBmpFile(path);
        if (!d) return 1;
        // The size classes are the camera's, of JPEG files: a BMP has none.
        std::printf("%s: kind=bmp width=%d height=%d bits=%d class=none date=none camera=none\n",
                    path.c_str(), DibWidth(d), DibHeight(d), DibBitCount(d));
        return 0;
    }
    return InfoFailure(path, kMsgNoCorrespondence, "");
}

}  // namespace

int RunImageInfo(const CliArgs& a) {
    int rc = 0;
    for (const std::string& p : a.operands)
        if (InfoOne(p) != 0) rc = 1;
    return rc;
}

void AddCodecCommands(CLI::App& app, CliArgs& args, CliCommands* commands) {
    auto files = [&](CLI::App* sub, const char* in, const char* out) {
        sub->add_option(in, args.input, "the file read")->required();
        sub->add_option(out, args.output, "the file written")->required();
        return sub;
    };
    commands->push_back(
        {files(app.add_subcommand("decode", "JPEG to BMP"), "IN.jpg", "OUT.bmp"), Decode});
    CLI::App* encode = files(app.add_subcommand("encode", "BMP to JPEG"), "IN.bmp", "OUT.jpg");
    encode->add_option("--quality", args.quality, "1 to 100 (default the program's standard)")
        ->check(CLI::Range(1, 100))
        ->option_text("Q");
    encode->add_option("--sampling", args.sampling, "sampling factors (default 2x1,1x1,1x1)")
        ->check(CLI::Validator(
            [](std::string& text) {
                int h[4], v[4];
                return ParseSampling(text, h, v, 4) ? std::string()
                                                    : "not sampling factors such as 2x1,1x1,1x1";
            },
            "HxV,HxV,HxV"))
        ->option_text("S");
    commands->push_back({encode, Encode});
    commands->push_back(
        {files(app.add_subcommand("reduce", "24-bit BMP to 256 colours"), "IN.bmp", "OUT.bmp"),
         Reduce});
    commands->push_back(
        {files(app.add_subcommand("expand", "BMP to 24 bits"), "IN.bmp", "OUT.bmp"), Expand});
    CLI::App* fit = files(app.add_subcommand("fit", "a JPEG copy that fits a camera size class"),
                          "IN.jpg", "OUT.jpg");
    fit->add_option("--class", args.size_class, "the size class, 0 to 3")
        ->required()
        ->check(CLI::Range(0, 3))
        ->option_text("N");
    commands->push_back({fit, Fit});
}
