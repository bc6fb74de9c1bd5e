// vistrel-cli sheet: the printed sheets of the program, written as a PDF file with one page
// per sheet. The layouts and captions are the print layouts of the program (print/), laid out
// on a 300 dpi page of A4 or Letter paper; cairo (Debian's libcairo2) draws the pictures and
// the caption text and writes the PDF. The file goes out through a pending file, so a failed
// run leaves an existing file as it was.
#include <cairo-pdf.h>
#include <cairo.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "album/album_file.h"
#include "album/album_picture.h"
#include "base/dir.h"
#include "base/files.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/pending_file.h"
#include "base/region.h"
#include "cli/commands.h"
#include "cli/subject_prompts.h"
#include "cli/terminal.h"
#include "codec/dib.h"
#include "print/print_layout.h"

namespace {

constexpr int kSheetDpi = 300;
// A printer may print up to the paper's edge: the sheet keeps a margin (millimetres, --margin)
// and a gap between the pictures of the album layouts.
constexpr double kDefaultMarginMm = 10;
constexpr double kMaxMarginMm = 50;
constexpr double kGapMm = 3;
double g_margin_mm = kDefaultMarginMm;

int PixelsOfMm(double mm) {
    return static_cast<int>(mm * kSheetDpi / 25.4 + 0.5);
}

struct Paper {
    const char* name;
    int width;  // printer pixels at kSheetDpi
    int height;
};
// A4 is 210 x 297 mm, Letter 8.5 x 11 in.
constexpr Paper kPapers[] = {{"a4", 2480, 3508}, {"letter", 2550, 3300}};

struct ScopedSurface {
    cairo_surface_t* s = nullptr;
    ~ScopedSurface() {
        if (s) cairo_surface_destroy(s);
    }
};
struct ScopedCairo {
    cairo_t* c = nullptr;
    ~ScopedCairo() {
        if (c) cairo_destroy(c);
    }
};

// While the PDF is written, the temporary file is removed when the tool is ended by a signal
// (Ctrl-C, a kill), so that no part of a sheet stays behind.
char g_temp_on_signal[4096];
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempAndEnd(int sig) {
    if (g_temp_on_signal[0]) unlink(g_temp_on_signal);
    signal(sig, SIG_DFL);
    raise(sig);
}

class TempRemovedOnSignal {
public:
    explicit TempRemovedOnSignal(const std::string& temp) {
        if (temp.size() >= sizeof g_temp_on_signal) return;
        std::memcpy(g_temp_on_signal, temp.c_str(), temp.size() + 1);
        for (int sig : kEndingSignals) saved_.push_back(signal(sig, RemoveTempAndEnd));
    }
    ~TempRemovedOnSignal() {
        for (size_t i = 0; i < saved_.size(); ++i) signal(kEndingSignals[i], saved_[i]);
        g_temp_on_signal[0] = '\0';
    }
    TempRemovedOnSignal(const TempRemovedOnSignal&) = delete;
    TempRemovedOnSignal& operator=(const TempRemovedOnSignal&) = delete;

private:
    std::vector<void (*)(int)> saved_;
};

cairo_status_t WriteToPending(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<PendingFile*>(closure);
    return WritePieces(out, data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

// A picture as a cairo image: uncompressed 1, 4, 8, 24 or 32-bit pictures, palette pictures
// expanded first. Empty (null) for anything else.
cairo_surface_t* SurfaceOf(const DibImage& source) {
    DibImage expanded;
    const DibImage* dib = &source;
    if (DibCompression(source) != kBiRgb) return nullptr;
    if (DibBitCount(source) <= 8) {
        expanded = ExpandTo24(source);
        if (!expanded) return nullptr;
        dib = &expanded;
    }
    DibLayout layout;
    if (!GetDibLayout(*dib, &layout)) return nullptr;
    const int bits = layout.header.bit_count;
    if (bits != 24 && bits != 32) return nullptr;
    const int w = layout.header.width;
    const bool top_down = layout.header.height < 0;
    const int h = top_down ? -layout.header.height : layout.header.height;
    if (w <= 0 || h <= 0) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    unsigned char* pixels = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const uint8_t* rows = dib->data() + layout.pixel_offset;
    const int step = bits / 8;
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = rows + layout.stride * static_cast<size_t>(top_down ? y : h - 1 - y);
        auto* out = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(stride) * y);
        for (int x = 0; x < w; ++x, in += step)
            out[x] = uint32_t{in[2]} << 16 | uint32_t{in[1]} << 8 | in[0];
    }
    cairo_surface_mark_dirty(s);
    return s;
}

// One picture to print: the loaded image (null when the place stays empty), its size and its
// caption texts.
struct SheetPicture {
    ScopedSurface surface;
    int width = 0;
    int height = 0;
    std::string date;
    std::string name;
};

// How the load of one picture went.
enum class Loaded { kPicture, kMissing, kFailed };

// Loads a picture. A missing file leaves its place empty without a word, as the program does; a
// file that is there but cannot be read or printed is reported, naming it, and stays empty too.
Loaded LoadPicture(const std::string& path, int region, SubjectScope* scope, SheetPicture* p) {
    scope->Set(path);
    p->name = PrintFileName(path);
    p->date = PrintDateText(PictureDate(path), region);
    if (!FileExists(path)) return Loaded::kMissing;
    DibImage dib = LoadAlbumSource(path, nullptr);  // says why it fails
    if (!dib) return Loaded::kFailed;
    p->surface.s = SurfaceOf(dib);
    if (!p->surface.s) {
        // A kind of BMP the codec reads but the sheet cannot draw (compressed, 16-bit).
        ShowError(kMsgNoCorrespondence);
        return Loaded::kFailed;
    }
    p->width = cairo_image_surface_get_width(p->surface.s);
    p->height = cairo_image_surface_get_height(p->surface.s);
    return Loaded::kPicture;
}

bool EndsWithPdf(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".pdf" && name.size() > 4 && !IsPathSeparator(name[name.size() - 5]);
}

void DrawText(cairo_t* cr, const PrintRect& r, const std::string& text) {
    if (r.width <= 0 || r.height <= 0 || text.empty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_clip(cr);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_move_to(cr, r.x, r.y + fe.ascent);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

void DrawPicture(cairo_t* cr, const PrintPlacement& place, const SheetPicture& p) {
    if (p.surface.s && place.image.width > 0 && place.image.height > 0) {
        cairo_save(cr);
        cairo_rectangle(cr, place.image.x, place.image.y, place.image.width, place.image.height);
        cairo_clip(cr);
        cairo_translate(cr, place.image.x, place.image.y);
        cairo_scale(cr, static_cast<double>(place.image.width) / p.width,
                    static_cast<double>(place.image.height) / p.height);
        cairo_set_source_surface(cr, p.surface.s, 0, 0);
        // Stretching drops or repeats pixels, it does not blend them.
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    DrawText(cr, place.date, p.date);
    DrawText(cr, place.name, p.name);
}

bool IsAlbum(const std::string& path) {
    ScopedFile f(OpenFileBinary(path, "rb"));
    TakeFileFailure();  // what it is not is found out when it is loaded as a picture
    if (!f) return false;
    char head[16] = {};
    if (std::fread(head, 1, sizeof head, f.get()) != sizeof head) return false;
    return std::memcmp(head, kAlbumMagic, sizeof head) == 0;
}

int Sheet(const CliArgs& args) {
    if (args.operands.size() < 2) {
        std::fprintf(stderr, "vistrel-cli: sheet needs the pictures or albums and OUT.pdf\n");
        return kExitUsage;
    }
    const std::string out_path = args.operands.back();
    if (!EndsWithPdf(out_path)) {
        std::fprintf(stderr,
                     "vistrel-cli: %s: a sheet is written as a PDF file; give a name ending in "
                     "\".pdf\"\n",
                     out_path.c_str());
        return kExitUsage;
    }
    const Paper* paper = &kPapers[0];
    for (const Paper& p : kPapers)
        if (args.paper == p.name) paper = &p;

    // The pictures, in order: an album gives all of its pictures.
    SubjectScope scope;
    std::vector<std::string> paths;
    bool any_album = false;
    for (size_t i = 0; i + 1 < args.operands.size(); ++i) {
        const std::string& in = args.operands[i];
        if (IsAlbum(in)) {
            Album album;
            scope.Set(in);
            if (!LoadAlbumFile(in, &album)) return kExitFailed;
            for (const AlbumPicture& p : album.pictures) paths.push_back(p.path);
            any_album = true;
        } else {
            paths.push_back(in);
        }
    }

    std::string layout = args.layout;
    if (layout.empty()) layout = any_album ? "album" : "fit";
    PrintOptions options;
    options.name = args.print_name;
    options.date = args.print_date;
    bool album_layout = true;
    if (layout == "album")
        options.alb_type = kAlbAlbumPrint;
    else if (layout == "2")
        options.alb_type = kAlbTwo;
    else if (layout == "4")
        options.alb_type = kAlbFour;
    else if (layout == "16")
        options.alb_type = kAlbSixteen;
    else {
        album_layout = false;
    }
    if (album_layout && !any_album) {
        std::fprintf(stderr,
                     "vistrel-cli: --layout %s prints the pictures of albums; give an album, or "
                     "--layout fit for pictures\n",
                     layout.c_str());
        return kExitUsage;
    }
    if (!album_layout) {
        options.nor_type = layout == "original" ? kNorOriginal
                           : layout == "upper"  ? kNorUpper
                           : layout == "lower"  ? kNorLower
                                                : kNorFit;
    }
    const int margin = PixelsOfMm(g_margin_mm);
    const PrintPage page = MakeSheetPage(paper->width, paper->height, kSheetDpi, margin);
    const int region = RegionCode();

    PendingFile out;
    scope.Set(out_path);
    if (!out.Open(out_path)) {
        ShowError(kMsgFileOpenFailed);
        return kExitFailed;
    }
    const TempRemovedOnSignal remove_on_signal(out.temp_path());
    ScopedSurface surface;
    surface.s = cairo_pdf_surface_create_for_stream(
        WriteToPending, &out, paper->width * 72.0 / kSheetDpi, paper->height * 72.0 / kSheetDpi);
    ScopedCairo cr;
    cr.c = cairo_create(surface.s);
    // Everything below is in printer pixels, from the corner inside the margins.
    cairo_scale(cr.c, 72.0 / kSheetDpi, 72.0 / kSheetDpi);
    cairo_translate(cr.c, margin, margin);
    cairo_select_font_face(cr.c, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr.c, page.caption_unit * 0.7);
    cairo_set_source_rgb(cr.c, 0, 0, 0);
    cairo_text_extents_t em;
    cairo_text_extents(cr.c, "MMMMMMMMMMMM", &em);
    const int twelve_m = static_cast<int>(em.x_advance);

    int pages = 0;
    int unreadable = 0;  // pictures of albums that were there but could not be printed
    if (album_layout) {
        const int per_page = AlbumEntriesPerPage(page, options);
        const int count = static_cast<int>(paths.size());
        for (int i = 0; i < count; ++i) {
            if (i > 0 && i % per_page == 0) {
                cairo_show_page(cr.c);
                ++pages;
            }
            SheetPicture p;
            if (LoadPicture(paths[i], region, &scope, &p) == Loaded::kFailed) ++unreadable;
            const PrintPlacement place = KeepApart(
                PlaceAlbumEntry(page, options, i, p.width, p.height, !p.date.empty(), twelve_m),
                PixelsOfMm(kGapMm));
            cairo_set_source_rgb(cr.c, 0, 0, 0);
            DrawPicture(cr.c, place, p);
        }
        cairo_show_page(cr.c);
        ++pages;
    } else {
        for (const std::string& path : paths) {
            SheetPicture p;
            const Loaded loaded = LoadPicture(path, region, &scope, &p);
            if (loaded != Loaded::kPicture) {
                if (loaded == Loaded::kMissing) ShowError(kMsgNoFile);
                return kExitFailed;
            }
            PrintPlacement place =
                PlaceSingleImage(page, options, p.width, p.height, !p.date.empty());
            cairo_set_source_rgb(cr.c, 0, 0, 0);
            DrawPicture(cr.c, place, p);
            cairo_show_page(cr.c);
            ++pages;
        }
    }
    cairo_surface_finish(surface.s);
    const bool drawn = cairo_surface_status(surface.s) == CAIRO_STATUS_SUCCESS &&
                       cairo_status(cr.c) == CAIRO_STATUS_SUCCESS;
    scope.Set(out_path);
    if (!drawn) {
        out.Discard();
        ShowError(kMsgDiskFull);
        return kExitFailed;
    }
    if (!CommitOrShow(&out, kMsgDiskFull)) return kExitFailed;
    std::string summary =
        out_path + ": " + std::to_string(pages) + (pages == 1 ? " page" : " pages");
    if (unreadable > 0) {
        summary += "; " + std::to_string(unreadable) +
                   (unreadable == 1 ? " picture" : " pictures") + " could not be read and left out";
        // Said even with --quiet: the sheet is not all that was asked for.
        std::fprintf(stderr, "vistrel-cli: %s\n", summary.c_str());
        return kExitFailed;
    }
    PrintInfo(summary);
    return kExitDone;
}

}  // namespace

void AddSheetCommands(CLI::App& app, CliArgs& args, CliCommands* commands) {
    CLI::App* sheet = app.add_subcommand(
        "sheet", "print sheets of pictures or albums as a PDF file, one page per sheet");
    commands->push_back({sheet, Sheet});
    sheet
        ->add_option("ALB|FILE... OUT.pdf", args.operands,
                     "albums (all their pictures) or JPEG/BMP files, then the PDF file written")
        ->required()
        ->expected(2, -1);
    sheet
        ->add_option("--layout", args.layout,
                     "album, 2, 4, 16 (album sheets) or fit, original, upper, lower (one picture "
                     "a page); album when an album is given, else fit")
        ->check(CLI::IsMember({"album", "2", "4", "16", "fit", "original", "upper", "lower"}));
    sheet->add_flag("--name", args.print_name, "the file name under each picture");
    sheet->add_flag("--date", args.print_date, "the camera date under each picture that has one");
    sheet->add_option("--paper", args.paper, "a4 (the default) or letter")
        ->check(CLI::IsMember({"a4", "letter"}));
    sheet
        ->add_option("--margin", g_margin_mm,
                     "the margin on every side of the paper, in millimetres (default 10, at most "
                     "50)")
        ->option_text("MM")
        ->check(CLI::Range(0.0, kMaxMarginMm));
}
