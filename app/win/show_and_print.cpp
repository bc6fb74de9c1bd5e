// The slide show and print commands of the frame; see show_and_print.h. The album file reader
// and the picture loader live with the albums, so the shell passes them on.
#include "app/win/show_and_print.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "album/album_file.h"
#include "album/album_picture.h"
#include "album/win/album_window.h"
#include "app/shell_rules.h"
#include "app/win/app.h"
#include "base/win/window_record.h"
#include "base/dir.h"
#include "base/files.h"
#include "base/byte_block.h"
#include "base/messages.h"
#include "base/platform.h"
#include "base/region.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "edit/win/image_window.h"
#include "print/print_layout.h"
#include "print/win/print_win.h"
#include "slideshow/win/slide_show_win.h"

namespace {

// Every picture path of an album file, in album order (the thumbnails are read past).
int ReadAlbumPaths(const std::string& path, std::vector<std::string>* paths) {
    AlbumInput in;
    if (!OpenAlbumInput(path, &in)) return 0;
    AlbumHeader header;
    if (!ReadAlbumHeader(&in, &header)) return 0;
    for (int i = 0; i < header.count; ++i) {
        std::string picture;
        DibImage thumbnail;
        if (!ReadPictureRecord(&in, &picture, &thumbnail)) return 0;
        paths->push_back(picture);
    }
    return 1;
}

// The file-type test of an album, without a word.
bool IsAlbumFile(const std::string& path) {
    ScopedFile f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    char head[16] = {};
    return std::fread(head, 1, sizeof head, f.get()) == sizeof head &&
           std::memcmp(head, kAlbumMagic, sizeof head) == 0;
}

// Pictures of the show: decoded without a progress dialog.
DibImage LoadForShow(const std::string& path) {
    return LoadAlbumSource(path, nullptr);
}

// Pictures of the show without a word, on the show's worker thread: a JPEG file decoded from
// memory (the same pixels as through a temporary BMP file, without the file), a BMP file read.
// Only thread-safe pieces: no messages, no noted file failures. Empty on any failure; the show
// then loads the picture with LoadForShow, which says why.
DibImage LoadQuietlyForShow(const std::string& path, int fit_width, int fit_height, int* width,
                            int* height) {
    *width = 0;
    *height = 0;
    const PictureKind kind = PictureKindOf(path);
    if (kind == PictureKind::kOther) return DibImage();
    ScopedFile f(OpenRegularFile(path, "rb"));
    if (!f) return DibImage();
    DibImage picture;
    if (kind == PictureKind::kBmp) {
        int message = 0;
        if (!ReadBmpStream(f.get(), &picture, &message)) return DibImage();
    } else {
        const int64_t length = StreamLength(f.get());
        // A JPEG file longer than the decoder would take as pixels is no camera picture.
        if (length <= 0 || static_cast<uint64_t>(length) > CodecJpegLimits().max_pixel_bytes)
            return DibImage();
        ByteBlock bytes;
        if (!bytes.Allocate(static_cast<size_t>(length)) ||
            !ReadPieces(f.get(), bytes.data(), bytes.size()))
            return DibImage();
        // A picture larger than the screen comes from the library already brought down by
        // eighths (still covering the screen), a fraction of the work and memory of its full
        // size; one that fits is decoded whole, as always.
        return DecodeJpegBytes(bytes.data(), bytes.size(), 0, fit_width, fit_height, width, height);
    }
    if (!picture) return picture;
    *width = DibWidth(picture);
    *height = DibHeight(picture) < 0 ? -DibHeight(picture) : DibHeight(picture);
    return picture;
}

// Pictures of a printed album: a missing file or one of another kind leaves its place empty.
DibImage LoadForPrint(const std::string& path) {
    if (!FileExists(path) || PictureKindOf(path) == PictureKind::kOther) return DibImage();
    return LoadAlbumSource(path, nullptr);
}

int ActiveDocument(HWND* child) {
    *child = ActiveChild(nullptr);
    if (!*child) return kPrintNoDocument;
    if (IsAlbumWindow(*child)) return kPrintAlbum;
    if (IsImageWindow(*child)) return kPrintImage;
    return kPrintNoDocument;
}

void Print(HWND frame) {
    HWND child = nullptr;
    const int document = ActiveDocument(&child);
    AppState& app = App();
    // The selection is read before the dialog takes the focus, which drops it.
    RECT selection{};
    const bool part = document == kPrintImage && ImageWindowSelectionRect(child, &selection);
    if (!RunPrintDialog(&app.print_dialog, frame, document)) return;
    if (PrintHook().album && document == kPrintAlbum) {
        const Album* album = AlbumOfWindow(child);
        if (!album) {
            ShowError(kMsgUnexpected);
            return;
        }
        const bool every = ReadPrintOptions(*Plat().settings).all;
        std::vector<std::string> paths;
        for (const AlbumPicture& p : album->pictures)
            if (every || p.mark) paths.push_back(p.path);
        PrintAlbum(frame, app.print_dialog, paths, LoadForPrint);
        return;
    }
    if (document != kPrintImage) {
        ShowError(kMsgCannotPrint);
        return;
    }
    char title[260] = "";
    GetWindowTextA(child, title, sizeof title);
    PrintImage(frame, app.print_dialog, ImageWindowPicture(child), part ? &selection : nullptr,
               title, ImageWindowPath(child));
}

}  // namespace

void EnsureSlideShowShell() {
    SlideShowHooks& hooks = SlideShowShell();
    hooks.read_album = ReadAlbumPaths;
    hooks.is_album = IsAlbumFile;
    hooks.load_picture = LoadForShow;
    hooks.load_quietly = LoadQuietlyForShow;
}

bool RunShowOrPrintCommand(HWND frame, int command) {
    switch (command) {
        case IDM_PRINT:
            Print(frame);
            return true;
        case IDM_PRINT_SETUP:
            RunPrintSetup(&App().print_dialog, frame);
            return true;
        case IDM_SLIDE_OPTIONS:
            RunSlideOptions(frame,
                            RegionalTemplateName(RegionalTemplate::kSlideShow, RegionCode()));
            return true;
        case IDM_SLIDE_START:
            EnsureSlideShowShell();
            StartSlideShow(frame);
            return true;
        default:
            return false;
    }
}
