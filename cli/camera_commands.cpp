// The camera commands of vistrel-cli. They run the same connect sequences and camera
// operations as the Windows program: the windows of those flows become the terminal here
// (a progress bar, questions answered on the terminal or by --yes/--no, Ctrl-C as the Cancel
// button), and the thumbnail browser or list dialog is where each command does its work.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/dir.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/tempfile.h"
#include "cli/commands.h"
#include "cli/ini_settings.h"
#include "codec/camera_segments.h"
#include "base/messages.h"
#include "link/link_error.h"
#include "link/port.h"
#include "link/posix/posix_serial.h"
#include "link/protocol.h"
#include "link/session/camera_tools.h"
#include "link/session/camera_ui.h"
#include "link/session/image_list.h"
#include "link/session/session_ops.h"
#include "link/session/transfer.h"
#include "sim/sim_driver.h"

namespace {

// --- options ------------------------------------------------------------------------------

struct Options {
    std::string port;   // device path or "sim:model=N,images=K"
    std::string speed;  // bit/s
    int answer = 0;     // kBoxYes or kBoxNo to answer every question; 0 to ask
    std::string dir;
    std::string set_clock;
    bool clock_from_pc = false;
    std::vector<std::string> rest;  // operands
};

bool ParseOptions(const std::vector<std::string>& args, Options* o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "vistrel-cli: %s needs a value\n", a.c_str());
                return false;
            }
            *out = args[++i];
            return true;
        };
        if (a == "--port") {
            if (!value(&o->port)) return false;
        } else if (a == "--speed") {
            if (!value(&o->speed)) return false;
        } else if (a == "--dir") {
            if (!value(&o->dir)) return false;
        } else if (a == "--set") {
            if (!value(&o->set_clock)) return false;
        } else if (a == "--set-from-pc") {
            o->clock_from_pc = true;
        } else if (a == "--yes") {
            o->answer = kBoxYes;
        } else if (a == "--no") {
            o->answer = kBoxNo;
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::fprintf(stderr, "vistrel-cli: unknown option %s\n", a.c_str());
            return false;
        } else {
            o->rest.push_back(a);
        }
    }
    return true;
}

// "9600" .. "115200" -> the settings file's form.
bool SpeedSetting(const std::string& speed, std::string* setting) {
    const char* const pairs[][2] = {
        {"9600", "9600"}, {"19200", "192"}, {"38400", "384"}, {"57600", "576"}, {"115200", "1152"}};
    for (const auto& p : pairs) {
        if (speed == p[0]) {
            *setting = p[1];
            return true;
        }
    }
    return false;
}

// --- the terminal as the seams ------------------------------------------------------------

volatile sig_atomic_t g_interrupted = 0;

// Error lines printed by this command so far: a failure that nothing has reported yet gets the
// program's message for its code at the end, and one that has been reported gets none again.
int g_errors_reported = 0;

void ReportError(const std::string& text) {
    std::fprintf(stderr, "vistrel-cli: %s\n", text.c_str());
    ++g_errors_reported;
}

void OnInterrupt(int) {
    g_interrupted = 1;
    signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program at once
}

// Ctrl-C is the Cancel button: it is noticed by the waits, which poll the pump.
struct TerminalPump : MessagePump {
    PumpResult PumpOne(bool) override {
        if (g_interrupted) {
            g_interrupted = 0;
            SetCancelRequested(true);
            signal(SIGINT, OnInterrupt);
        }
        return PumpResult::kEmpty;
    }
};

struct TerminalPrompts : UserPrompts {
    int answer = 0;
    int ShowBox(const std::string& text, const std::string&, BoxStyle style, BoxOwner) override {
        if (style == BoxStyle::kError || style == BoxStyle::kInfo) {
            std::fprintf(stderr, "%s\n", text.c_str());
            if (style == BoxStyle::kError) ++g_errors_reported;
            return kBoxOk;
        }
        const bool cancel = style == BoxStyle::kYesNoCancel;
        if (answer != 0) {
            std::fprintf(stderr, "%s %s\n", text.c_str(), answer == kBoxYes ? "yes" : "no");
            return answer;
        }
        if (!isatty(STDIN_FILENO)) {
            std::fprintf(stderr, "%s no (no terminal to ask; use --yes)\n", text.c_str());
            return kBoxNo;
        }
        for (;;) {
            std::fprintf(stderr, "%s [y/n%s] ", text.c_str(), cancel ? "/c" : "");
            char line[32];
            if (!std::fgets(line, sizeof line, stdin)) return cancel ? kBoxCancel : kBoxNo;
            if (line[0] == 'y' || line[0] == 'Y') return kBoxYes;
            if (line[0] == 'n' || line[0] == 'N') return kBoxNo;
            if (cancel && (line[0] == 'c' || line[0] == 'C')) return kBoxCancel;
        }
    }
    void SetCursor(CursorKind) override {}
};

// A progress bar on the terminal for the meter, the texts as lines.
struct TerminalView : OperationView {
    bool tty = isatty(STDERR_FILENO);
    std::string detail;
    uint32_t range = 0;
    bool bar_shown = false;
    void EndBar() {
        if (bar_shown) std::fputc('\n', stderr);
        bar_shown = false;
    }
    void SetText(int field, const std::string& text) override {
        if (field == kFieldDetail || field == kFieldStatusDetail) {
            detail = text;
            if (!tty && !text.empty()) std::fprintf(stderr, "%s\n", text.c_str());
        } else if (!text.empty()) {
            EndBar();
            std::fprintf(stderr, "%s\n", text.c_str());
        }
    }
    void SetMeterRange(uint32_t r) override { range = r; }
    void SetMeterPos(uint32_t pos) override {
        if (!tty || range == 0) return;
        const uint32_t width = 30;
        const uint32_t filled = pos >= range ? width : pos * width / range;
        std::fprintf(stderr, "\r%-28s [%s%s] %3u%%", detail.c_str(),
                     std::string(filled, '#').c_str(), std::string(width - filled, '.').c_str(),
                     pos >= range ? 100u : pos * 100u / range);
        bar_shown = true;
    }
    void ShowCancel(bool) override {}
};

struct CliUi : CameraUi {
    Options* options = nullptr;
    // The command's work, run where the program would open its list dialog or browser.
    std::function<LinkError(CameraSession&)> work;
    LinkError work_result = kLinkOk;
    bool work_ran = false;
    TerminalView* view = nullptr;

    LinkError RunWork(CameraSession& s) {
        work_ran = true;
        work_result = work ? work(s) : kLinkOk;
        view->EndBar();
        return work_result;
    }
    bool ShowStartNotice(bool on) override {
        if (on) std::fprintf(stderr, "Now establishing Communication Connection.\n");
        return true;
    }
    void CameraCommandsEnabled() override {}
    LinkError RunImageList(CameraSession& s) override { return RunWork(s); }
    bool OpenThumbnailBrowser(CameraSession& s) override {
        RunWork(s);
        EndBrowserSession(s);
        return true;
    }
    bool ChooseFolder(const std::string& initial, std::string* folder) override {
        std::string dir = !options->dir.empty() ? options->dir : !initial.empty() ? initial : ".";
        if (!IsFolder(dir) && !MakeFolder(dir)) {
            ReportError("cannot make folder " + dir);
            return false;
        }
        *folder = FolderWithSeparator(dir) + "ZEK";
        return true;
    }
    bool ChooseUploadFiles(const std::string&, std::vector<std::string>* files) override {
        *files = options->rest;
        return !files->empty();
    }
    // The tool keeps no albums: the files themselves are the result.
    bool AlbumCreate() override { return true; }
    bool AlbumAdd(const std::string&) override { return true; }
    bool OpenProgress() override { return true; }
    void CloseProgress() override { view->EndBar(); }
    bool OpenStatus() override { return true; }
    void CloseStatus() override { view->EndBar(); }
    int AskDelete(int image, bool all_enabled) override {
        if (options->answer == kBoxYes) return kDeleteYes;
        if (options->answer == kBoxNo) return kDeleteNo;
        if (!isatty(STDIN_FILENO)) return kDeleteNo;
        for (;;) {
            std::fprintf(stderr, "Are you sure you want to delete Image No.%d? [y/%sn/c] ", image,
                         all_enabled ? "a/" : "");
            char line[32];
            if (!std::fgets(line, sizeof line, stdin)) return kDeleteCancel;
            switch (line[0]) {
                case 'y':
                case 'Y':
                    return kDeleteYes;
                case 'n':
                case 'N':
                    return kDeleteNo;
                case 'c':
                case 'C':
                    return kDeleteCancel;
                case 'a':
                case 'A':
                    if (all_enabled) return kDeleteAll;
                    break;
                default:
                    break;
            }
        }
    }
    void SelectListLine(int) override {}
    LinkError RunClockDialog(CameraSession& s) override { return RunWork(s); }
    void Notice(const std::string& text) override {
        view->EndBar();
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

// --- one camera command -------------------------------------------------------------------

// Everything a camera command needs for its session, installed for its lifetime.
struct CameraRun {
    Options options;
    IniSettings settings{UserSettingsFile(), "ZEKAPP"};
    TerminalPrompts prompts;
    TerminalView view;
    TerminalPump pump;
    CliUi ui;
    std::unique_ptr<ScopedPlatform> scope;
    PosixSerialDriver posix;
    std::unique_ptr<SimCamera> sim;
    std::unique_ptr<SimDriver> sim_driver;
    SimInstantClock sim_clock;
    std::string sim_card;  // folder that keeps the simulated camera's memory between runs
    CameraSession s;

    // False (after a message) when the options do not make a usable port.
    bool Setup() {
        Platform p = Plat();
        p.prompts = &prompts;
        p.view = &view;
        p.pump = &pump;
        p.settings = &settings;
        scope = std::make_unique<ScopedPlatform>(p);
        prompts.answer = options.answer;
        ui.options = &options;
        ui.view = &view;
        SetCameraUi(&ui);
        signal(SIGINT, OnInterrupt);
        if (!options.speed.empty()) {
            std::string setting;
            if (!SpeedSetting(options.speed, &setting)) {
                std::fprintf(stderr,
                             "vistrel-cli: --speed takes 9600, 19200, 38400, 57600 or 115200\n");
                return false;
            }
            settings.Set("baudrate", setting);
        }
        const std::string com = NormalizePortName(GetSetting(settings, "com", "COM1"));
        if (options.port.compare(0, 4, "sim:") == 0) {
            SimConfig cfg;
            std::vector<std::string> faults;
            if (!ParseSimPort(options.port.substr(4), &cfg, &faults, &sim_card)) {
                std::fprintf(
                    stderr,
                    "vistrel-cli: --port sim:model=N,images=K[,fault=SPEC]...[,card=DIR]\n");
                return false;
            }
            if (!sim_card.empty() && FolderHasJpegs(sim_card)) cfg.dir = sim_card;
            sim = MakeSimCamera(cfg);
            if (!sim_card.empty()) SimLoadCardClock(*sim, sim_card);
            for (const std::string& f : faults) {
                if (!AddSimFault(*sim, f)) {
                    std::fprintf(stderr, "vistrel-cli: not a simulator fault: %s\n", f.c_str());
                    return false;
                }
            }
            sim_driver = std::make_unique<SimDriver>(*sim, com);
            s.driver = sim_driver.get();
            // The camera answers at once; waiting for it can only run into a time-out.
            scope.reset();
            p.time = &sim_clock;
            scope = std::make_unique<ScopedPlatform>(p);
        } else {
            for (int n = 1; n <= 4; ++n) {
                const std::string name = "COM" + std::to_string(n);
                posix.devices[name] =
                    options.port.empty() ? "/dev/ttyS" + std::to_string(n - 1) : options.port;
            }
            s.driver = &posix;
        }
        return true;
    }

    static bool FolderHasJpegs(const std::string& dir) {
        std::vector<std::string> names;
        if (!ListFolderFiles(dir, &names)) return false;
        for (const std::string& n : names)
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".jpg") == 0) return true;
        return false;
    }

    static bool ParseSimPort(const std::string& text, SimConfig* cfg,
                             std::vector<std::string>* faults, std::string* card) {
        size_t pos = 0;
        while (pos < text.size()) {
            size_t comma = text.find(',', pos);
            std::string item = text.substr(pos, comma == std::string::npos ? comma : comma - pos);
            pos = comma == std::string::npos ? text.size() : comma + 1;
            size_t eq = item.find('=');
            if (eq == std::string::npos) return false;
            const std::string key = item.substr(0, eq);
            if (key == "fault") {
                faults->push_back(item.substr(eq + 1));
                continue;
            }
            if (key == "card") {
                *card = item.substr(eq + 1);
                continue;
            }
            char* end = nullptr;
            long v = std::strtol(item.c_str() + eq + 1, &end, 10);
            if (*end != '\0' || v < 0) return false;
            if (key == "model" && v >= 1 && v <= 3) {
                cfg->model = int(v);
            } else if (key == "images" && v <= 5000) {
                cfg->images = int(v);
            } else {
                return false;
            }
        }
        return true;
    }

    ~CameraRun() {
        if (sim && !sim_card.empty() && !SimSaveCard(*sim, sim_card))
            std::fprintf(stderr, "vistrel-cli: cannot save the simulated camera into %s\n",
                         sim_card.c_str());
        SetCameraUi(nullptr);
        signal(SIGINT, SIG_DFL);
    }

    // Runs the connect of the purpose with the work inside; the exit code of the command.
    int Run(ConnectPurpose purpose, std::function<LinkError(CameraSession&)> work) {
        ui.work = std::move(work);
        g_errors_reported = 0;
        LinkError r = Connect(s, purpose);
        if (r == kLinkOk && ui.work_ran) r = ui.work_result;
        return Finish(r);
    }

    // The exit code of a command that ended with r. A failure always reaches the user with
    // the program's message for its code, and only once.
    int Finish(LinkError r) {
        view.EndBar();
        if (r == kLinkOk) return 0;
        if (r == kLinkUploadCancelled) {
            std::fprintf(stderr, "vistrel-cli: cancelled\n");
            return 1;
        }
        if (g_errors_reported == 0) ShowError(FailureMessageIndex(r));
        std::fprintf(stderr, "vistrel-cli: camera command failed (code %d)\n", r);
        return 1;
    }
};

// "3", "2-5", "all" (several operands allowed) -> image numbers, ascending, within 1..count.
bool ParseImages(const std::vector<std::string>& specs, int count, std::vector<int>* images) {
    std::vector<bool> chosen(size_t(count) + 1, false);
    for (const std::string& spec : specs) {
        int a = 0, b = 0;
        if (spec == "all") {
            a = 1;
            b = count;
        } else {
            char* end = nullptr;
            long x = std::strtol(spec.c_str(), &end, 10);
            long y = x;
            if (*end == '-') y = std::strtol(end + 1, &end, 10);
            if (*end != '\0' || end == spec.c_str()) {
                ReportError("not an image number or range: " + spec);
                return false;
            }
            a = int(x);
            b = int(y);
        }
        if (a < 1 || b > count || a > b) {
            ReportError("the camera holds images 1 to " + std::to_string(count) + ", not " + spec);
            return false;
        }
        for (int i = a; i <= b; ++i) chosen[size_t(i)] = true;
    }
    for (int i = 1; i <= count; ++i)
        if (chosen[size_t(i)]) images->push_back(i);
    return !images->empty();
}

int Fail(const char* text) {
    std::fprintf(stderr, "vistrel-cli: %s\n", text);
    return 2;
}

double SecondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// --- the commands -------------------------------------------------------------------------

int CmdInfo(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options) || !run.Setup()) return 2;
    return run.Run(ConnectPurpose::kBrowse, [](CameraSession& s) {
        std::printf("model %d\nimages %d\n", s.model, s.image_count);
        return kLinkOk;
    });
}

int CmdList(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options) || !run.Setup()) return 2;
    return run.Run(ConnectPurpose::kBrowse, [](CameraSession& s) {
        if (s.model == 1) {
            ImageListModel list;
            BuildImageList(s, &list);
            for (size_t i = 0; i < list.lines.size(); ++i) {
                uint32_t size = 0;
                LinkError r = SigImageSize(s, int(i) + 1, &size);
                if (r != kLinkOk) return r;
                std::printf("%3zu %8u  %s\n", i + 1, size, list.lines[i].c_str());
            }
            return kLinkOk;
        }
        ScopedTempFile thumb;
        if (!thumb.Make()) return kLinkFailed;
        for (int n = 1; n <= s.image_count; ++n) {
            uint32_t size = 0;
            LinkError r = SeqImageSize(s, n, &size);
            if (r != kLinkOk && r != kLinkZeroSize) return r;
            CameraDate date;
            r = FetchThumbnail(s, n, thumb.name());
            if (r == kLinkOk)
                date = ThumbnailDate(thumb.name());
            else if (r != kLinkNoImage)
                return r;
            if (date.known())
                std::printf("%3d %8u  %04d-%02d-%02d\n", n, size, date.year, date.month, date.day);
            else
                std::printf("%3d %8u  -\n", n, size);
        }
        return kLinkOk;
    });
}

int CmdGet(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options) || !run.Setup()) return 2;
    if (run.options.rest.empty()) run.options.rest.push_back("all");
    return run.Run(ConnectPurpose::kBrowse, [&run](CameraSession& s) {
        std::vector<int> images;
        if (!ParseImages(run.options.rest, s.image_count, &images)) return kLinkFailed;
        if (!ChooseTransferFolder(s)) return kLinkFailed;
        if (!CheckFolderRoom(s, int(images.size()))) return kLinkFailed;
        const int first = s.transfer.last_file_number + 1;
        const auto t0 = std::chrono::steady_clock::now();
        int saved = 0;
        LinkError r = TransferSelected(s, images, &saved);
        const double seconds = SecondsSince(t0);
        uint64_t bytes = 0;
        int copied = 0;
        for (int n = first; n <= s.transfer.last_file_number; ++n) {
            const std::string path = FolderWithSeparator(s.transfer.folder) + DscFileName(n);
            if (!FileExists(path)) continue;
            std::FILE* f = std::fopen(path.c_str(), "rb");
            long len = 0;
            if (f && std::fseek(f, 0, SEEK_END) == 0) len = std::ftell(f);
            if (f) std::fclose(f);
            std::printf("%s %ld\n", path.c_str(), len);
            bytes += uint64_t(len);
            ++copied;
        }
        std::printf("copied %d of %zu image(s), %llu bytes in %.2f s (%.0f bytes/s)\n", copied,
                    images.size(), static_cast<unsigned long long>(bytes), seconds,
                    seconds > 0 ? double(bytes) / seconds : 0.0);
        if (r == kLinkOk && saved < int(images.size())) {
            // Cancelled part way: the run did not do what was asked.
            ReportError("copied " + std::to_string(saved) + " of " + std::to_string(images.size()) +
                        " image(s)");
            return kLinkFailed;
        }
        return r;
    });
}

int CmdThumbs(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options) || !run.Setup()) return 2;
    if (run.options.rest.empty()) run.options.rest.push_back("all");
    return run.Run(ConnectPurpose::kBrowse, [&run](CameraSession& s) {
        if (s.model == 1) {
            ShowError(kMsgNotAvailable);
            return kLinkFailed;
        }
        std::vector<int> images;
        if (!ParseImages(run.options.rest, s.image_count, &images)) return kLinkFailed;
        std::string dir = run.options.dir.empty() ? "." : run.options.dir;
        if (!IsFolder(dir) && !MakeFolder(dir)) return kLinkFailed;
        for (int n : images) {
            char name[32];
            std::snprintf(name, sizeof name, "dt%d.jpg", n);
            const std::string path = FolderWithSeparator(dir) + name;
            LinkError r = FetchThumbnail(s, n, path);
            if (r == kLinkNoImage) {
                std::printf("%d: no thumbnail\n", n);
                continue;
            }
            if (r != kLinkOk) return r;
            std::printf("%s\n", path.c_str());
        }
        return kLinkOk;
    });
}

int CmdPut(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options)) return 2;
    if (run.options.rest.empty()) return Fail("put needs one or more JPEG files");
    if (!run.Setup()) return 2;
    run.ui.work = [](CameraSession& s) {
        std::printf("camera holds %d image(s)\n", s.image_count);
        return kLinkOk;
    };
    g_errors_reported = 0;
    LinkError r = Connect(run.s, ConnectPurpose::kUpload);
    const size_t asked = run.options.rest.size();
    std::printf("sent %d of %zu file(s)\n", run.s.upload.sent, asked);
    if (r == kLinkOk && size_t(run.s.upload.sent) < asked) {
        ReportError("sent " + std::to_string(run.s.upload.sent) + " of " + std::to_string(asked) +
                    " file(s)");
        r = kLinkFailed;
    }
    return run.Finish(r);
}

int CmdDelete(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options)) return 2;
    if (run.options.rest.empty()) return Fail("delete needs image numbers or all");
    if (!run.Setup()) return 2;
    return run.Run(ConnectPurpose::kBrowse, [&run](CameraSession& s) {
        std::vector<int> images;
        if (!ParseImages(run.options.rest, s.image_count, &images)) return kLinkFailed;
        const bool all = run.options.rest.size() == 1 && run.options.rest[0] == "all";
        LinkError r;
        if (s.model == 1) {
            ImageListModel list;
            BuildImageList(s, &list);
            if (all) {
                ToggleSelectAll(&list);
                if (AskYesNo(kAskDeleteAll) != kBoxYes) return kLinkOk;
                r = DeleteSelectedAll(s, &list);
            } else {
                for (int n : images) SelectLine(&list, n - 1, true);
                r = DeleteSelectedAsking(s, &list);
            }
        } else {
            r = DeleteSelectedSequenced(s, &images);
            int deleted = 0;
            for (int n : images) deleted += n > 0;
            std::printf("deleted %d image(s)\n", deleted);
        }
        std::printf("camera holds %d image(s)\n", s.image_count);
        return r;
    });
}

int CmdPreview(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options)) return 2;
    if (run.options.rest.empty()) return Fail("preview needs image numbers");
    if (!run.Setup()) return 2;
    return run.Run(ConnectPurpose::kBrowse, [&run](CameraSession& s) {
        if (s.model != 1) {
            ShowError(kMsgNotAvailable);
            return kLinkFailed;
        }
        std::vector<int> images;
        if (!ParseImages(run.options.rest, s.image_count, &images)) return kLinkFailed;
        ImageListModel list;
        BuildImageList(s, &list);
        for (int n : images) SelectLine(&list, n - 1, true);
        return PreviewSelected(s, &list);
    });
}

// "YYYY-MM-DD HH:MM" -> the dialog's texts.
bool ParseClock(const std::string& text, ClockTexts* texts) {
    int y, mo, d, h, mi;
    char tail;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d%c", &y, &mo, &d, &h, &mi, &tail) != 5)
        return false;
    if (h < 0 || h > 23 || mi < 0 || mi > 99 || y < 0 || mo < 0 || d < 0) return false;
    *texts = ClockTextsOf(y, mo, d, h, mi);
    return true;
}

int CmdClock(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options) || !run.Setup()) return 2;
    ClockTexts wanted;
    const bool set = run.options.clock_from_pc || !run.options.set_clock.empty();
    if (run.options.clock_from_pc) {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        wanted = ClockTextsOf(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
    } else if (!run.options.set_clock.empty() && !ParseClock(run.options.set_clock, &wanted)) {
        return Fail("--set takes \"YYYY-MM-DD HH:MM\"");
    }
    return run.Run(ConnectPurpose::kClock, [&](CameraSession& s) {
        ClockTexts now;
        LinkError r = ReadCameraClock(s, &now);
        if (r != kLinkOk) return r;
        const int hour = ClockFieldNumber(now.hour) + (now.pm ? 12 : 0);
        std::printf("camera clock %s-%02d-%02d %02d:%s\n", now.year.c_str(),
                    ClockFieldNumber(now.month), ClockFieldNumber(now.day), hour,
                    now.minute.c_str());
        if (!set) {
            ClockDialogCancel();
            return kLinkOk;
        }
        ClockOkResult ok = ClockDialogOk(s, wanted);
        if (ok.code != kLinkOk) return ok.code;
        if (!ok.close) {
            const char* field = ok.focus == kClockYear    ? "year (1997 to 2096)"
                                : ok.focus == kClockMonth ? "month"
                                : ok.focus == kClockDay   ? "day"
                                : ok.focus == kClockHour  ? "hour"
                                                          : "minute";
            ReportError(std::string("the camera does not take that ") + field);
            return kLinkFailed;
        }
        std::printf("camera clock set\n");
        return kLinkOk;
    });
}

int CmdAutodetect(const std::vector<std::string>& args) {
    CameraRun run;
    if (!ParseOptions(args, &run.options)) return 2;
    if (run.options.rest.empty() || run.options.rest.size() > 4)
        return Fail("autodetect takes one to four devices");
    if (!run.Setup()) return 2;
    run.posix.devices.clear();
    for (size_t i = 0; i < run.options.rest.size(); ++i)
        run.posix.devices["COM" + std::to_string(i + 1)] = run.options.rest[i];
    int n = AutoSetup(run.s);
    if (n == 0) {
        std::fprintf(stderr, "vistrel-cli: no camera answered\n");
        return 1;
    }
    std::printf("camera on %s (COM%d)\n", run.options.rest[size_t(n - 1)].c_str(), n);
    return 0;
}

}  // namespace

void RegisterCameraCommands() {
    AddCommand({"info", "[--port DEVICE|sim:model=N,images=K] [--speed BPS]", CmdInfo, true});
    AddCommand({"list", "[camera options]", CmdList, true});
    AddCommand({"get", "[N|N-M|all]... [--dir D] [camera options]", CmdGet, true});
    AddCommand({"thumbs", "[N|N-M|all]... [--dir D] [camera options]", CmdThumbs, true});
    AddCommand({"put", "FILE... [--yes|--no] [camera options]", CmdPut, true});
    AddCommand({"delete", "N...|all [--yes|--no] [camera options]", CmdDelete, true});
    AddCommand({"preview", "N... [camera options] (model 1)", CmdPreview, true});
    AddCommand(
        {"clock", "[--set-from-pc | --set \"YYYY-MM-DD HH:MM\"] [camera options]", CmdClock});
    AddCommand({"autodetect", "DEVICE...", CmdAutodetect, true});
}
