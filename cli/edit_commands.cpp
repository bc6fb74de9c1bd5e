// Editing commands of vistrel-cli: the image window's rotate, Image Size, Image Cutout and Image
// Adjustment on files. A file is read as the program opens it (a JPEG through a temporary BMP
// file, keeping its camera segments) and written as the program saves it: BMP as it is, JPEG at
// the standard quality with the camera segments of a JPEG input put back. Whether a file is
// JPEG or BMP is told by its extension. Every output is written beside it and renamed into
// place only when complete; a failed file leaves nothing behind and the command goes on with
// the next one.
#include <cstdio>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/pending_file.h"
#include "base/tempfile.h"
#include "cli/commands.h"
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
    std::string width, height;  // resize: checked as the Image Size dialog checks them
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
// own name.
bool PairFiles(const std::string& command, const CliArgs& a,
               std::vector<std::pair<std::string, std::string>>* pairs, int* rc) {
    const std::vector<std::string>& f = g_edit.files;
    if (a.dir.empty()) {
        if (f.size() != 2) {
            *rc = UsageError(command, "give IN and OUT, or several inputs with --dir OUT");
            return false;
        }
        pairs->push_back({f[0], f[1]});
    } else {
        if (f.empty()) {
            *rc = UsageError(command, "give at least one input file");
            return false;
        }
        for (const std::string& in : f) pairs->push_back({in, JoinPath(a.dir, PathFileName(in))});
    }
    for (const auto& p : *pairs) {
        for (const std::string& name : {p.first, p.second}) {
            if (KindOf(name) == FileKind::kUnknown) {
                *rc = UsageError(command, name + ": not a .bmp, .jpg or .jpeg file");
                return false;
            }
        }
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
        ScopedTempFile bmp;
        if (!bmp.Make()) {
            ShowError(kMsgFileOpenFailed);
            return false;
        }
        if (!DecodeJpegFile(path, bmp.name(), 0, JpegProgress())) return false;
        out->dib = LoadBmpFile(bmp.name());
        if (!out->dib) return false;
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
    if (!PairFiles(command, a, &pairs, &rc)) return rc;
    for (const auto& p : pairs) {
        LoadedPicture pic;
        if (!LoadPicture(p.first, &pic)) {
            rc = kExitFailed;
            continue;
        }
        DibImage out;
        if (!op(p.first, pic.dib, &out)) {
            rc = kExitFailed;
            continue;
        }
        if (!SavePicture(p.second, pic, out)) rc = kExitFailed;
    }
    return rc;
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

int Resize(const CliArgs& a) {
    int w = 0, h = 0;
    if (CheckNewSize(g_edit.width, g_edit.height, &w, &h) != NewSizeCheck::kOk)
        return UsageError("resize", OneLine(kInvalidNewSizeText));
    return ForEachFile("resize", a, [&](const std::string& in, const DibImage& dib, DibImage* out) {
        if (!GeometryDepthSupported(dib)) {
            FailOn(in, kBitsNotSupportedText);
            return false;
        }
        return GeometryResult(in, ResizeDib(dib, w, h), out);
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

    CLI::App* resize = app.add_subcommand("resize", "resample to a new size (32 to 1920)");
    resize->add_option("W", e.width, "the new width")->required();
    resize->add_option("H", e.height, "the new height")->required();
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
