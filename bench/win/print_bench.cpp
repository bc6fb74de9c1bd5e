// Album printing in the running program under Wine, from one run: 100 camera JPEGs (640 x 480,
// the simulator's) printed 16 to a sheet on Wine's PostScript driver into a file, the way the
// program prints (its pictures as PostScript code of its own) and, in the same run, with every
// picture through the driver's picture call, as before. For each: the time a page from the
// call to the finished file, the loading's share of it, and the spool file's size against the
// pixel bytes sent; then once more the program's way with both caption lines under each picture.
// scripts/bench-print runs it several times and sets the time a page against `vistrel-cli sheet`
// making the PDF of the same sheets. Prints figures, not a test.
//
//   print_bench.exe [FOLDER]
//
// FOLDER (a Windows path) receives the pictures (DSC1001.jpg ...) and keeps them for the
// native side; without it a temporary folder is used and emptied.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "album/album_picture.h"
#include "app/win/app.h"
#include "base/platform.h"
#include "print/win/print_win.h"
#include "bench_support.h"
#include "gui_frame.h"
#include "wine_printer.h"

namespace {

double g_loading = 0;

// The program's own loader for printed albums, timed.
DibImage LoadTimed(const std::string& path) {
    const double t0 = Now();
    DibImage d = LoadAlbumSource(path, nullptr);
    g_loading += Now() - t0;
    return d;
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct JobRun {
    double seconds = 0;
    double loading = 0;
    long long spool = 0;
    PrintJobFigures figures;
};

// One job of the pictures into a PostScript file, the program's way or through the driver.
JobRun PrintOnce(HWND frame, const std::vector<std::string>& files, const std::string& ps,
                 bool own) {
    DeleteFileA(ps.c_str());
    PrinterBlocks blocks(ps);
    SetOwnPostScriptPictures(own);
    g_loading = 0;
    JobRun r;
    const double t0 = Now();
    PrintAlbum(frame, blocks.pd, files, LoadTimed);
    r.seconds = Now() - t0;
    SetOwnPostScriptPictures(true);
    r.loading = g_loading;
    r.figures = LastPrintJobFigures();
    r.spool = FileSize(ps);
    DeleteFileA(ps.c_str());
    return r;
}

void Report(const char* label, const JobRun& r) {
    const int pages = r.figures.pages > 0 ? r.figures.pages : 1;
    std::printf(
        "%s: %d pages in %.3f s, %.3f s a page (loading %.3f s a page), %d of %zu "
        "pictures as the program's PostScript; spool file %.1f MB for %.1f MB of "
        "pixels sent (%.2f x)\n",
        label, r.figures.pages, r.seconds, r.seconds / pages, r.loading / pages,
        r.figures.postscript_pictures, static_cast<size_t>(100), r.spool / 1e6,
        r.figures.pixel_bytes / 1e6,
        r.figures.pixel_bytes > 0 ? static_cast<double>(r.spool) / r.figures.pixel_bytes : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    // Under Wine without a window manager, hiding a managed window waits seconds for the
    // manager's answer: this program's windows are unmanaged, which takes a new start.
    if (MarkWindowsUnmanaged()) return RunAgain();
    std::string dir;
    const bool keep = argc > 1;
    if (keep) {
        dir = argv[1];
    } else {
        char tmp[MAX_PATH] = "";
        GetTempPathA(sizeof tmp, tmp);
        dir = std::string(tmp) + "vistrel-print-bench";
    }
    if (dir.back() != '\\') dir += '\\';
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::vector<std::string> files = WriteCameraPictures(dir, 100);
    if (files.empty()) {
        std::printf("print bench: the pictures could not be written into %s\n", dir.c_str());
        return 1;
    }
    const std::string settings = dir + "vistrel.ini";
    HWND frame = StartFrame(settings);
    if (!frame) return 1;
    PumpUntil([] { return App().splash_done; }, 10000);
    if (!InstallTestPrinter()) {
        std::printf("print bench: the PostScript printer could not be installed\n");
        return 1;
    }
    Plat().settings->Set("AlbType", "3");
    Plat().settings->Set("AlbAll", "1");
    Plat().settings->Set("PrnName", "0");
    Plat().settings->Set("PrnDate", "0");
    const std::string ps = dir + "album16.ps";
    // The program's way first, then the driver's: the files are in the system's cache for both.
    PrintOnce(frame, {files[0]}, ps, true);
    const JobRun own = PrintOnce(frame, files, ps, true);
    const JobRun driver = PrintOnce(frame, files, ps, false);
    Plat().settings->Set("PrnName", "1");
    Plat().settings->Set("PrnDate", "1");
    const JobRun captions = PrintOnce(frame, files, ps, true);
    Report("printing 100 camera JPEGs 16 to a sheet", own);
    Report("  every picture through the driver", driver);
    Report("  with the file name and date lines", captions);
    std::printf("  this way / through the driver, a page: %.3f\n",
                driver.seconds > 0 ? own.seconds / driver.seconds : 0.0);

    DestroyWindow(frame);
    DeleteFileA(settings.c_str());
    if (!keep) {
        for (const std::string& f : files) DeleteFileA(f.c_str());
        RemoveDirectoryA(dir.c_str());
    }
    return own.figures.pages > 0 && driver.figures.pages > 0 ? 0 : 1;
}
