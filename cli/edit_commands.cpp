// Editing commands of vistrel-cli: the image window's rotate, Image Size, Image Cutout and Image
// Adjustment on files. A file is read as the program opens it (a JPEG through a temporary BMP
// file, keeping its camera segments) and written as the program saves it: BMP as it is, JPEG at
// the standard quality with the camera segments of a JPEG input put back. Whether a file is
// JPEG or BMP is told by its extension. Every output is written beside it and renamed into
// place only when complete; a failed file leaves nothing behind and the command goes on with
// the next one.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/dir.h"
#include "base/files.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/pending_file.h"
#include "cli/commands.h"
#include "cli/subject_prompts.h"
#include "cli/terminal.h"
#include "codec/bmp_file.h"
#include "codec/camera_segments.h"
#include "codec/jpeg_codec.h"
#include "codec/jpeg_save.h"
#include "edit/adjust.h"
#include "edit/geometry.h"

namespace {

const char kCannotParse[] =
    "This image cannot be opened.\nBecause the file-format module cannot parse the file.";

// The command's own operands, bound by CLI11.
struct EditOptions {
    std::string direction;
    std::string size;  // resize: W (then H comes first among the files) or a geometry
    int x = 0, y = 0, cut_width = 0, cut_height = 0;
    bool automatic = false;
    int brightness = 0, contrast = 0, saturation = 0, sharpness = 0;
    std::vector<std::string> files;
};
EditOptions g_edit;

enum class FileKind { kUnknown, kBmp, kJpeg };

FileKind KindOf(const std::string& path) {
    if (HasExtension(path, ".bmp")) return FileKind::kBmp;
    if (HasExtension(path, ".jpg") || HasExtension(path, ".jpeg")) return FileKind::kJpeg;
    return FileKind::kUnknown;
}

int UsageError(const std::string& command, const std::string& why) {
    std::fprintf(stderr, "vistrel-cli: %s (see vistrel-cli %s --help)\n", why.c_str(),
                 command.c_str());
    return kExitUsage;
}

// The pairs of input and output: IN OUT, or with --dir every input into that folder under its
// own name (the folder is made when missing, in an existing folder, as get makes its folder).
// With --dir a file of another kind is reported and left out (counted in *skipped); the run
// goes on with the rest.
bool PairFiles(const std::string& command, const CliArgs& a,
               std::vector<std::pair<std::string, std::string>>* pairs, int* skipped, int* rc) {
    const std::vector<std::string>& f = g_edit.files;
    if (a.dir.empty()) {
        if (f.size() != 2) {
            *rc = UsageError(command, "give IN and OUT, or several inputs with --dir OUT");
            return false;
        }
        for (const std::string& name : f) {
            if (KindOf(name) == FileKind::kUnknown) {
                *rc = UsageError(command, name + ": not a .bmp, .jpg or .jpeg file");
                return false;
            }
        }
        pairs->push_back({f[0], f[1]});
        return true;
    }
    if (f.empty()) {
        *rc = UsageError(command, "give at least one input file");
        return false;
    }
    if (!IsFolder(a.dir)) {
        errno = 0;
        if (!MakeFolder(a.dir)) {
            NoteErrorReason(a.dir, errno ? errno : EIO);
            PrintError("cannot make the folder " + a.dir);
            *rc = kExitFailed;
            return false;
        }
    }
    for (const std::string& in : f) {
        if (KindOf(in) == FileKind::kUnknown) {
            PrintError(in + ": not a .bmp, .jpg or .jpeg file; left out");
            ++*skipped;
            continue;
        }
        pairs->push_back({in, JoinPath(a.dir, PathFileName(in))});
    }
    return true;
}

struct LoadedPicture {
    DibImage dib;
    KeptSegments kept;
    bool from_jpeg = false;
};

bool LoadPicture(const std::string& path, LoadedPicture* out) {
    if (KindOf(path) == FileKind::kJpeg) {
        if (!DecodeJpegToDib(path, 0, JpegProgress(), &out->dib)) return false;
        // Without the segments the picture is still saved, as the program does.
        KeepCameraSegments(path, &out->kept);
        out->from_jpeg = true;
    } else {
        out->dib = LoadBmpFile(path);
        if (!out->dib) return false;
    }
    DibLayout l;
    if (!GetDibLayout(out->dib, &l)) {
        NoteErrorReasonText(path);
        PrintError(kCannotParse);
        return false;
    }
    return true;
}

bool SavePicture(const std::string& path, const LoadedPicture& pic, const DibImage& dib) {
    if (KindOf(path) == FileKind::kBmp) return SaveBmpFile(path, dib) != 0;
    return SaveDibAsJpeg(dib, path, kJpegStandardQuality, pic.from_jpeg ? &pic.kept : nullptr) != 0;
}

// Runs op on every pair; 0 when every file was done.
template <typename Op>
int ForEachFile(const std::string& command, const CliArgs& a, Op op) {
    std::vector<std::pair<std::string, std::string>> pairs;
    int rc = kExitDone;
    int failed = 0;
    if (!PairFiles(command, a, &pairs, &failed, &rc)) return rc;
    const size_t total = pairs.size() + static_cast<size_t>(failed);
    // Every message names the file it is about, with the system's reason where there is one.
    SubjectScope scope;
    for (const auto& p : pairs) {
        scope.Set(p.first);
        LoadedPicture pic;
        if (!LoadPicture(p.first, &pic)) {
            ++failed;
            continue;
        }
        DibImage out;
        if (!op(p.first, pic.dib, &out)) {
            ++failed;
            continue;
        }
        scope.Set(p.second);
        if (!SavePicture(p.second, pic, out)) ++failed;
    }
    if (failed > 0 && total > 1)
        PrintError(std::to_string(failed) + " of " + std::to_string(total) +
                   " files were not done");
    return failed > 0 ? kExitFailed : kExitDone;
}

void FailOn(const std::string& path, const char* text) {
    NoteErrorReasonText(path);
    PrintError(text);
}

// A geometry result, or the message of its failure.
bool GeometryResult(const std::string& path, DibImage result, DibImage* out) {
    if (!result) {
        FailOn(path, ErrorText(kMsgNoMemory));
        return false;
    }
    *out = std::move(result);
    return true;
}

int Rotate(const CliArgs& a) {
    const bool right = g_edit.direction == "right";
    return ForEachFile("rotate", a, [&](const std::string& in, const DibImage& dib, DibImage* out) {
        if (!GeometryDepthSupported(dib)) {
            FailOn(in, kBitsNotSupportedText);
            return false;
        }
        return GeometryResult(in, RotateDib(dib, right), out);
    });
}

// A new size as ImageMagick's geometry gives it: "W H" (two operands), "WxH", "Wx" or "xH" (the
// other side keeps the aspect), or "N%" of both sides.
struct NewSize {
    int width = 0;   // 0: follows the aspect
    int height = 0;  // 0: follows the aspect
    int percent = 0;
};

bool ParseDigits(const std::string& text, int* value) {
    if (text.empty() || text.size() > 5) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

bool ParseNewSize(const std::string& text, NewSize* size) {
    if (!text.empty() && text.back() == '%')
        return ParseDigits(text.substr(0, text.size() - 1), &size->percent) && size->percent > 0;
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    const std::string w = text.substr(0, x), h = text.substr(x + 1);
    if (w.empty() && h.empty()) return false;
    if (!w.empty() && (!ParseDigits(w, &size->width) || size->width == 0)) return false;
    if (!h.empty() && (!ParseDigits(h, &size->height) || size->height == 0)) return false;
    return true;
}

// side * num / den, rounded to the nearest pixel.
int Scaled(int side, int num, int den) {
    return static_cast<int>((int64_t{side} * num * 2 + den) / (int64_t{den} * 2));
}

void SizeFor(const NewSize& size, int w0, int h0, int* w, int* h) {
    if (size.percent) {
        *w = Scaled(w0, size.percent, 100);
        *h = Scaled(h0, size.percent, 100);
    } else if (size.width && size.height) {
        *w = size.width;
        *h = size.height;
    } else if (size.width) {
        *w = size.width;
        *h = Scaled(h0, size.width, w0);
    } else {
        *h = size.height;
        *w = Scaled(w0, size.height, h0);
    }
}

const char kSizeForms[] = "; give W H, or a geometry such as 50%, 320x, x240, 320x240";

bool InRange(int side) {
    return side >= kMinNewSide && side <= kMaxNewSide;
}

int Resize(const CliArgs& a) {
    NewSize size;
    std::string text = g_edit.size;
    int w = 0, h = 0;
    if (ParseDigits(text, &w)) {
        // W H: the height is the first of the remaining operands.
        if (g_edit.files.empty() || !ParseDigits(g_edit.files.front(), &h))
            return UsageError("resize", OneLine(kInvalidNewSizeText) + kSizeForms);
        text += "x" + g_edit.files.front();
        g_edit.files.erase(g_edit.files.begin());
    }
    if (!ParseNewSize(text, &size))
        return UsageError("resize", text + ": " + OneLine(kInvalidNewSizeText) + kSizeForms);
    if (size.width && size.height && (!InRange(size.width) || !InRange(size.height)))
        return UsageError("resize", OneLine(kInvalidNewSizeText));
    return ForEachFile("resize", a, [&](const std::string& in, const DibImage& dib, DibImage* out) {
        if (!GeometryDepthSupported(dib)) {
            FailOn(in, kBitsNotSupportedText);
            return false;
        }
        int nw = 0, nh = 0;
        SizeFor(size, DibWidth(dib), DibHeight(dib), &nw, &nh);
        if (!InRange(nw) || !InRange(nh)) {
            FailOn(in + ": " + std::to_string(nw) + "x" + std::to_string(nh),
                   OneLine(kInvalidNewSizeText).c_str());
            return false;
        }
        return GeometryResult(in, ResizeDib(dib, nw, nh), out);
    });
}

int Cut(const CliArgs& a) {
    const EditOptions& e = g_edit;
    return ForEachFile("cut", a, [&](const std::string& in, const DibImage& dib, DibImage* out) {
        if (!GeometryDepthSupported(dib)) {
            FailOn(in, kBitsNotSupportedText);
            return false;
        }
        PixelRect r;
        if (!CutOutRect(e.x, e.y, e.x + e.cut_width, e.y + e.cut_height, DibWidth(dib),
                        DibHeight(dib), kZoomActual, &r)) {
            FailOn(in, "The rectangle lies outside the picture.");
            return false;
        }
        return GeometryResult(in, CutOutDib(dib, r), out);
    });
}

int Adjust(const CliArgs& a) {
    const EditOptions& e = g_edit;
    return ForEachFile("adjust", a, [&](const std::string& in, const DibImage& dib, DibImage* out) {
        if (DibBitCount(dib) != 24 || DibCompression(dib) != kBiRgb) {
            FailOn(in, kNotFullColorText);
            return false;
        }
        AdjustState s;
        ResetAdjustState(&s);
        DibImage preview = MakeAdjustPreview(dib);
        if (!preview || !AnalysePicture(&s, preview)) {
            FailOn(in, ErrorText(kMsgNoMemory));
            return false;
        }
        if (e.automatic) {
            ComputeAutomatic(&s);
            std::printf("%s: brightness=%d contrast=%d saturation=%d sharpness=%d\n", in.c_str(),
                        s.values.brightness, s.values.contrast, s.values.saturation,
                        s.values.sharpness);
            std::fflush(stdout);
        } else {
            ComputeManual(&s, e.brightness, e.contrast, e.saturation, e.sharpness);
        }
        return GeometryResult(in, ApplyAdjustment(s.params, dib), out);
    });
}

}  // namespace

void AddEditCommands(CLI::App& app, CliArgs& args, CliCommands* commands) {
    EditOptions& e = g_edit;
    auto files = [&](CLI::App* sub) {
        sub->add_option("FILES", e.files, "IN OUT, or the inputs when --dir is given")->required();
        sub->add_option("--dir", args.dir,
                        "write each output into this folder under its input's name")
            ->option_text("DIR");
        return sub;
    };
    CLI::App* rotate = app.add_subcommand("rotate", "turn a picture by a quarter");
    rotate->add_option("DIRECTION", e.direction, "left (counter-clockwise) or right (clockwise)")
        ->required()
        ->check(CLI::IsMember({"left", "right"}));
    commands->push_back({files(rotate), Rotate});

    CLI::App* resize = app.add_subcommand(
        "resize", "resample to a new size (32 to 1920 a side): W H, or 50%, 320x, x240, 320x240");
    resize
        ->add_option("SIZE", e.size,
                     "W H (two operands), WxH, Wx or xH (the other side keeps the aspect), or "
                     "N% of both sides")
        ->required();
    commands->push_back({files(resize), Resize});

    CLI::App* cut = app.add_subcommand("cut", "cut a rectangle out of a picture");
    cut->add_option("X", e.x, "left edge, 0 the left column")
        ->required()
        ->check(CLI::Range(0, 32767));
    cut->add_option("Y", e.y, "top edge, 0 the top row")->required()->check(CLI::Range(0, 32767));
    cut->add_option("W", e.cut_width, "width")->required()->check(CLI::Range(1, 32767));
    cut->add_option("H", e.cut_height, "height")->required()->check(CLI::Range(1, 32767));
    commands->push_back({files(cut), Cut});

    CLI::App* adjust =
        app.add_subcommand("adjust", "brightness, contrast, saturation and sharpness");
    CLI::Option* automatic = adjust->add_flag(
        "--auto", e.automatic, "derive the four values from the picture and print them");
    const struct {
        const char* name;
        int* value;
        int lo;
        const char* help;
    } values[] = {
        {"--brightness", &e.brightness, kAdjustMin, "-100 to 100 (default 0)"},
        {"--contrast", &e.contrast, kAdjustMin, "-100 to 100 (default 0)"},
        {"--saturation", &e.saturation, kAdjustMin, "-100 to 100 (default 0)"},
        {"--sharpness", &e.sharpness, kSharpnessMin, "0 to 100 (default 0)"},
    };
    for (const auto& v : values) {
        adjust->add_option(v.name, *v.value, v.help)
            ->check(CLI::Range(v.lo, 100))
            ->option_text("N")
            ->excludes(automatic);
    }
    commands->push_back({files(adjust), Adjust});
}
