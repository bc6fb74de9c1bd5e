// The camera commands of vistrel-cli. They run the same connect sequences and camera
// operations as the Windows program: the windows of those flows become the terminal here
// (a progress bar, questions answered on the terminal or by --yes/--no, Ctrl-C as the Cancel
// button), and the thumbnail browser or list dialog is where each command does its work.
//
// Everything the command line says is checked before the port is opened (image numbers, the
// speed, the port, the clock text, the files to send, the folder to write into); only what
// needs the camera's answer (numbers beyond its count) is checked after connecting. The flags
// act on their run alone: the run's settings sit over the settings file and are never written
// back (remembered values change only through `config set`).
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/dir.h"
#include "base/files.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/tempfile.h"
#include "cli/cli_serial.h"
#include "cli/commands.h"
#include "cli/image_ranges.h"
#include "cli/ini_settings.h"
#include "cli/name_pattern.h"
#include "cli/terminal.h"
#include "codec/camera_segments.h"
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

// --- Ctrl-C -------------------------------------------------------------------------------

volatile sig_atomic_t g_sigint = 0;

// The first Ctrl-C is the Cancel button; a second one ends the program at once.
void OnInterrupt(int) {
    g_sigint = 1;
    signal(SIGINT, SIG_DFL);
}

// Ctrl-C is noticed by the waits, which poll the pump.
struct TerminalPump : MessagePump {
    PumpResult PumpOne(bool) override {
        if (g_sigint) {
            g_sigint = 0;
            NoteInterrupted();
            SetCancelRequested(true);
        }
        return PumpResult::kEmpty;
    }
};

// --- checks before connecting -------------------------------------------------------------

int UsageError(const std::string& why) {
    std::fprintf(stderr, "vistrel-cli: %s\n", why.c_str());
    return kExitUsage;
}

// "9600" .. "115200" -> the settings file's form.
bool SpeedSetting(const std::string& speed, std::string* setting) {
    std::string error;
    return ConfigValueToStore("baudrate", speed, setting, &error);
}

// Image numbers as text; with none given, `empty_means_all` makes them all.
bool ParseSelection(const std::vector<std::string>& operands, bool empty_means_all,
                    ImageSelection* sel) {
    std::string error;
    if (!ParseImageSelection(operands, sel, &error)) {
        UsageError(error);
        return false;
    }
    if (operands.empty() && empty_means_all) sel->all = true;
    return true;
}

// A folder to write into: an existing one that takes files, or one that can be made in an
// existing folder (it is made once the camera has answered).
bool OutputFolderUsable(const std::string& dir) {
    struct stat st;
    int error = 0;
    std::string subject = dir;
    if (stat(dir.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            error = ENOTDIR;
        else if (access(dir.c_str(), W_OK | X_OK) != 0)
            error = errno;
    } else if (errno != ENOENT) {
        error = errno;
    } else {
        std::string parent = dir;
        while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
        parent = PathFolder(parent);
        if (parent.empty()) parent = ".";
        if (!IsFolder(parent)) {
            error = ENOENT;
        } else if (access(parent.c_str(), W_OK | X_OK) != 0) {
            error = errno;
            subject = parent;
        }
    }
    if (error == 0) return true;
    NoteErrorReason(subject, error);
    ShowError(kMsgCannotCopyDir);
    return false;
}

// A file to send: it must open and read.
bool InputFileReadable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        NoteErrorReason(path, errno);
        ShowError(kMsgFileOpenFailed);
        return false;
    }
    char c;
    errno = 0;
    const bool failed = std::fread(&c, 1, 1, f) != 1 && std::ferror(f);
    const int error = errno ? errno : EIO;
    std::fclose(f);
    if (failed) {
        NoteErrorReason(path, error);
        ShowError(kMsgFileReadFailed);
        return false;
    }
    return true;
}

// The serial device of COM1..COM4 on this system.
std::string ComDevice(int n) {
    return "/dev/ttyS" + std::to_string(n - 1);
}

// The device that --port names: COM1..COM4 (any case) are the system's first four serial
// ports, anything else is a device path; empty when --port was not given.
std::string PortDevice(const std::string& port) {
    if (port.size() == 4 && (port[0] == 'C' || port[0] == 'c') &&
        (port[1] == 'O' || port[1] == 'o') && (port[2] == 'M' || port[2] == 'm') &&
        port[3] >= '1' && port[3] <= '4')
        return ComDevice(port[3] - '0');
    return port;
}

// --- the session's windows on the terminal ------------------------------------------------

struct CliUi : CameraUi {
    const CliArgs* args = nullptr;
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
    std::string device;  // where the camera is looked for, as the user knows it
    bool delete_help_shown = false;
    // How the end of the session went: the camera's answer, and whether anything was said.
    bool end_unanswered = false;
    bool ShowStartNotice(bool on) override {
        if (on)
            PrintInfo("Now establishing Communication Connection. Waiting for the camera on " +
                      device + " ...");
        return true;
    }
    // The end of the session is reported by the command in its own words (what was done and
    // what the camera may need), so the program's messages of it are held back.
    void EndingSession() override {
        view->EndBar();
        HoldErrors(true);
    }
    void SessionEnded(LinkError answer) override {
        HoldErrors(false);
        end_unanswered = answer != kLinkOk;
    }
    void CameraCommandsEnabled() override {}
    LinkError RunImageList(CameraSession& s) override { return RunWork(s); }
    bool OpenThumbnailBrowser(CameraSession& s) override {
        RunWork(s);
        EndBrowserSession(s);
        return true;
    }
    bool ChooseFolder(const std::string& initial, std::string* folder) override {
        std::string dir = !args->dir.empty() ? args->dir : !initial.empty() ? initial : ".";
        if (!IsFolder(dir) && !MakeFolder(dir)) {
            NoteErrorReason(dir, errno);
            ShowError(kMsgCannotCopyDir);
            return false;
        }
        *folder = FolderWithSeparator(dir) + "ZEK";
        return true;
    }
    bool ChooseUploadFiles(const std::string&, std::vector<std::string>* files) override {
        *files = args->operands;
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
        if (args->yes) return kDeleteYes;
        if (args->no) return kDeleteNo;
        if (!isatty(STDIN_FILENO)) return kDeleteNo;  // refused before connecting
        view->EndBar();
        bool help = !delete_help_shown;
        delete_help_shown = true;
        for (;;) {
            if (help)
                std::fprintf(stderr, "  y: delete it%s, n: keep it, c: delete no more\n",
                             all_enabled ? ", a: delete it and all the others asked for" : "");
            help = true;  // shown again after an answer it does not know
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
    // Said even with --quiet: it tells what became of an image.
    void Notice(const std::string& text) override {
        view->EndBar();
        std::fprintf(stderr, "%s\n", OneLine(text).c_str());
    }
};

// --- one camera command -------------------------------------------------------------------

// The terminal's prompts, with the file a message is about where the program's own text does
// not name it ("This is not a Jpeg file." while the files to send are examined).
struct FileNamingPrompts : UserPrompts {
    UserPrompts* inner = nullptr;            // not owned
    const CameraSession* session = nullptr;  // not owned
    int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                BoxOwner owner) override {
        if (style == BoxStyle::kError && text == ErrorText(kMsgNotJpeg) && session &&
            !session->upload.current_file.empty())
            NoteErrorReasonText(session->upload.current_file);
        return inner->ShowBox(text, title, style, owner);
    }
    void SetCursor(CursorKind kind) override { inner->SetCursor(kind); }
};

// Everything a camera command needs for its session, installed for its lifetime.
struct CameraRun {
    const CliArgs& args;
    IniSettings file_settings{UserSettingsFile(), "ZEKAPP"};
    RunSettings settings{&file_settings};
    TerminalView view;
    TerminalPump pump;
    CliUi ui;
    FileNamingPrompts prompts;
    std::unique_ptr<ScopedPlatform> scope;
    PosixSerialDriver posix;
    CliSerialDriver driver;
    std::unique_ptr<SimCamera> sim;
    std::unique_ptr<SimDriver> sim_driver;
    SimInstantClock sim_clock;
    std::string sim_card;  // folder that keeps the simulated camera's memory between runs
    bool catches_interrupt = false;
    // What the command did, for the report of a session whose end the camera did not answer.
    std::string done;
    CameraSession s;

    explicit CameraRun(const CliArgs& a) : args(a) {}

    // Checks the options and installs the run's seams and port; -1 when the command can go
    // on, else the exit code (after a message).
    int Setup() {
        Platform p = Plat();
        view.tty = isatty(STDERR_FILENO);
        p.view = &view;
        p.pump = &pump;
        p.settings = &settings;
        prompts.inner = p.prompts;
        prompts.session = &s;
        p.prompts = &prompts;
        scope = std::make_unique<ScopedPlatform>(p);
        ui.args = &args;
        ui.view = &view;
        SetCameraUi(&ui);
        if (!args.speed.empty()) {
            std::string setting;
            if (!SpeedSetting(args.speed, &setting))
                return UsageError("--speed takes 9600, 19200, 38400, 57600 or 115200, not '" +
                                  args.speed + "'");
            settings.Set("baudrate", setting);
        }
        const std::string com = NormalizePortName(GetSetting(settings, "com", "COM1"));
        driver.verbose = args.verbose;
        if (args.port.compare(0, 4, "sim:") == 0) {
            SimConfig cfg;
            std::vector<std::string> faults;
            if (!ParseSimPort(args.port.substr(4), &cfg, &faults, &sim_card))
                return UsageError("--port sim:model=N,images=K[,fault=SPEC]...[,card=DIR], not '" +
                                  args.port + "'");
            if (!sim_card.empty() && FolderHasJpegs(sim_card)) cfg.dir = sim_card;
            sim = MakeSimCamera(cfg);
            if (!sim_card.empty()) SimLoadCardClock(*sim, sim_card);
            for (const std::string& f : faults)
                if (!AddSimFault(*sim, f)) return UsageError("not a simulator fault: " + f);
            sim_driver = std::make_unique<SimDriver>(*sim, com);
            driver.inner = sim_driver.get();
            // The camera answers at once; waiting for it can only run into a time-out.
            scope.reset();
            p.time = &sim_clock;
            scope = std::make_unique<ScopedPlatform>(p);
            ui.device = "the built-in simulator";
        } else {
            const std::string device = PortDevice(args.port);
            for (int n = 1; n <= 4; ++n) {
                const std::string name = "COM" + std::to_string(n);
                posix.devices[name] = device.empty() ? ComDevice(n) : device;
            }
            driver.inner = &posix;
            driver.devices = &posix.devices;
            if (device.empty())
                ui.device = posix.devices[com] + " (" + com + ")";
            else if (device != args.port)
                ui.device = device + " (" + NormalizePortName(args.port) + ")";
            else
                ui.device = device;
        }
        SetLineDevice(ui.device);
        s.driver = &driver;
        return -1;
    }

    // Ctrl-C cancels the work between images instead of ending the program.
    void CatchInterrupt() {
        catches_interrupt = true;
        signal(SIGINT, OnInterrupt);
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
            PrintError("cannot save the simulated camera into " + sim_card);
        SetCameraUi(nullptr);
        if (catches_interrupt) signal(SIGINT, SIG_DFL);
    }

    // Runs the connect of the purpose with the work inside; the exit code of the command.
    int Run(ConnectPurpose purpose, std::function<LinkError(CameraSession&)> work) {
        ui.work = std::move(work);
        ResetErrorsPrinted();
        TakeFileFailure();  // what failed before the session is no reason for its messages
        LinkError r = Connect(s, purpose);
        if (r == kLinkOk && ui.work_ran) r = ui.work_result;
        return Finish(AfterSessionEnd(r));
    }

    // The work may be done and the session's end still go unanswered (the camera stopped
    // answering after the last image): whatever the model, the user hears what was done and
    // that the camera may still be in its session, and the exit code is 1. After a failure
    // of the work its own message has said enough.
    LinkError AfterSessionEnd(LinkError r) {
        if (r == kLinkOk && ui.end_unanswered && !LineFailureReported()) {
            NoteErrorReasonText(ui.device +
                                ": the camera did not acknowledge the end of the session after " +
                                (done.empty() ? std::string("the work was done") : done) +
                                "; it may need switching off and on");
            ShowError(kMsgCannotAccess);
        }
        // Anything said without a failure code (a message of the session's end) fails too.
        if (r == kLinkOk && ErrorsPrinted() != 0) r = kLinkFailed;
        return r;
    }

    // The exit code of a command that ended with r. A failure always reaches the user with
    // the program's message for its code, and only once.
    int Finish(LinkError r) {
        view.EndBar();
        if (r == kLinkOk) return kExitDone;
        if (Interrupted()) {
            PrintError("interrupted");
            return kExitInterrupted;
        }
        if (r == kLinkUploadCancelled) {
            PrintError("cancelled");
            return kExitFailed;
        }
        if (ErrorsPrinted() == 0) ShowError(FailureMessageIndex(r));
        if (Verbose()) PrintError("camera command failed (code " + std::to_string(r) + ")");
        return kExitFailed;
    }
};

const char kPortAccepts[] =
    "--port takes a serial device (/dev/ttyUSB0), COM1..COM4 (/dev/ttyS0..3) or "
    "sim:model=N,images=K for the built-in simulated camera";

// The chosen numbers against the camera's count; false after a message.
bool ResolveSelection(const ImageSelection& sel, int count, std::vector<int>* images) {
    std::string error;
    if (ResolveImageSelection(sel, count, images, &error)) return true;
    PrintError(error);
    return false;
}

// The model-2 probe that tells model 3 apart.
LinkError ProbeModel(CameraSession& s) {
    if (s.model == 1) return kLinkOk;
    int model = 2;
    LinkError r = SeqModelProbe(s, &model);
    if (r == kLinkOk) s.model = model;
    return r;
}

double SecondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

int64_t LengthOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

bool SameBytes(const std::string& path, const uint8_t* data, uint32_t size) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> buf(64 * 1024);
    uint32_t at = 0;
    bool same = true;
    while (same) {
        const size_t n = std::fread(buf.data(), 1, buf.size(), f);
        if (n == 0) break;
        same = at + n <= size && std::memcmp(buf.data(), data + at, n) == 0;
        at += uint32_t(n);
    }
    std::fclose(f);
    return same && at == size;
}

// --- get ----------------------------------------------------------------------------------

// The naming of get: the pattern, the images already in the folder (--skip-existing), and what
// became of each image, for the result lines and the files' times.
struct GetNaming {
    std::string pattern = kDefaultNamePattern;
    bool skip_existing = false;
    std::string folder;
    std::map<int64_t, std::vector<std::string>> by_size;  // JPEG files in the folder
    struct Written {
        std::string path;
        uint32_t seconds;
    };
    std::vector<Written> written;
    int skipped = 0;
    int duplicates = 0;  // copied again although the same bytes were in the folder already

    void IndexFolder() {
        std::vector<std::string> names;
        if (!ListFolderFiles(folder, &names)) return;
        for (const std::string& n : names) {
            if (!HasExtension(n, ".jpg")) continue;
            const std::string path = FolderWithSeparator(folder) + n;
            by_size[LengthOf(path)].push_back(path);
        }
    }
    // Files of the folder whose first bytes are those of the picture's first block and whose
    // size is the picture's: the same picture, by its size and its header (with its date).
    bool StartsTheSame(const uint8_t* first, uint32_t count, uint32_t size) const {
        auto it = by_size.find(int64_t(size));
        if (it == by_size.end()) return false;
        for (const std::string& path : it->second) {
            std::FILE* f = std::fopen(path.c_str(), "rb");
            if (!f) continue;
            std::vector<uint8_t> head(count);
            const bool same = std::fread(head.data(), 1, count, f) == count &&
                              std::memcmp(head.data(), first, count) == 0;
            std::fclose(f);
            if (same) return true;
        }
        return false;
    }
    bool HasSize(uint32_t size) const { return by_size.count(int64_t(size)) != 0; }
    bool AlreadyThere(const uint8_t* data, uint32_t size) const {
        auto it = by_size.find(int64_t(size));
        if (it == by_size.end()) return false;
        for (const std::string& path : it->second)
            if (SameBytes(path, data, size)) return true;
        return false;
    }
    // The transfer's naming hook.
    bool Name(int image, const uint8_t* data, uint32_t size, std::string* file_name) {
        if (AlreadyThere(data, size)) {
            if (skip_existing) {
                ++skipped;
                PrintInfo("Image No." + std::to_string(image) + " is already there");
                return false;
            }
            ++duplicates;
        }
        NameFields f;
        f.image = image;
        f.dsc_number = std::atoi(file_name->c_str() + 3);
        f.seconds = ThumbnailSecondsFromBytes(data, size);
        *file_name = ExpandNamePattern(pattern, f);
        const std::string path = FolderWithSeparator(folder) + *file_name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0) {
            // A pattern that gives two images one name never writes one over the other.
            NoteErrorReasonText(path);
            ShowError(kMsgNotSavedExists);
            return false;
        }
        written.push_back({path, f.seconds});
        if (skip_existing) by_size[int64_t(size)].push_back(path);
        return true;
    }
};

// Whether image n is already in the folder, decided before any of its blocks but the first is
// read: no file there has its size (nothing read), or one has its size and starts with its
// first block, which holds the picture's header and date.
LinkError AlreadyInFolder(CameraSession& s, int n, const GetNaming& naming, bool* there) {
    *there = false;
    uint32_t size = 0;
    LinkError r = s.model == 1 ? SigImageSize(s, n, &size) : SeqImageSize(s, n, &size);
    // A size the camera cannot give is the transfer's to report, with its own rules.
    if (r == kLinkZeroSize || (r == kLinkOk && size == 0)) return kLinkOk;
    if (r != kLinkOk) return r;
    if (!naming.HasSize(size)) return kLinkOk;
    const uint32_t first = std::min<uint32_t>(size, kBlockSize);
    r = AllocateImageBuffer(s, first);
    if (r != kLinkOk) return r;
    r = s.model == 1 ? SigReadBlocks(s, 1, false) : SeqReadBlocks(s, 1, false);
    if (r == kLinkOk) *there = naming.StartsTheSame(s.image.data(), first, size);
    FreeImageBuffer(s);
    // A data error here is left to the transfer, which reads the image again.
    return IsLineFailure(r) ? r : kLinkOk;
}

int CmdGet(const CliArgs& a) {
    ImageSelection sel;
    if (!ParseSelection(a.operands, true, &sel)) return kExitUsage;
    std::string error;
    if (!a.filename.empty() && !CheckNamePattern(a.filename, &error)) return UsageError(error);
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    const std::string dir = !a.dir.empty() ? a.dir : GetSetting(run.settings, "dir", ".");
    if (!OutputFolderUsable(dir)) return kExitFailed;
    run.CatchInterrupt();
    GetNaming naming;
    if (!a.filename.empty()) naming.pattern = a.filename;
    naming.skip_existing = a.skip_existing;
    return run.Run(ConnectPurpose::kBrowse, [&](CameraSession& s) {
        if (Interrupted()) return kLinkFailed;  // Ctrl-C while connecting: nothing begins
        std::vector<int> images;
        if (!ResolveSelection(sel, s.image_count, &images)) return kLinkFailed;
        if (!ChooseTransferFolder(s)) return kLinkFailed;
        naming.folder = s.transfer.folder;
        naming.IndexFolder();
        const auto t0 = std::chrono::steady_clock::now();
        // With --skip-existing, what is already in the folder is found from the camera's size
        // and the first block alone; only the rest is transferred.
        std::vector<int> to_copy;
        for (int n : images) {
            bool there = false;
            if (naming.skip_existing) {
                Plat().pump->PumpOne(false);  // a Ctrl-C stops before the next image
                if (CancelRequested()) return kLinkFailed;
                LinkError r = AlreadyInFolder(s, n, naming, &there);
                if (r != kLinkOk) return r;
            }
            if (there) {
                ++naming.skipped;
                PrintInfo("Image No." + std::to_string(n) + " is already there");
            } else {
                to_copy.push_back(n);
            }
        }
        if (!CheckFolderRoom(s, int(to_copy.size()))) return kLinkFailed;
        // Ctrl-C stops the run, but an image that arrived whole is saved first.
        s.transfer.keep_whole_on_cancel = true;
        s.transfer.name_file = [&naming](int image, const uint8_t* data, uint32_t size,
                                         std::string* name) {
            return naming.Name(image, data, size, name);
        };
        int saved = 0;
        LinkError r = to_copy.empty() ? kLinkOk : TransferSelected(s, to_copy, &saved);
        const double seconds = SecondsSince(t0);
        s.transfer.name_file = nullptr;
        uint64_t bytes = 0;
        int copied = 0;
        for (const GetNaming::Written& w : naming.written) {
            const int64_t len = LengthOf(w.path);
            if (len < 0) continue;
            if (w.seconds != 0) {
                // The file's time is the picture's, as the camera recorded it.
                struct timespec times[2];
                times[0].tv_sec = times[1].tv_sec = time_t(w.seconds);
                times[0].tv_nsec = times[1].tv_nsec = 0;
                utimensat(AT_FDCWD, w.path.c_str(), times, 0);
            }
            std::printf("%s %lld\n", w.path.c_str(), static_cast<long long>(len));
            bytes += uint64_t(len);
            ++copied;
        }
        const std::string there =
            naming.skipped ? ", " + std::to_string(naming.skipped) + " already there" : "";
        const std::string again =
            naming.duplicates ? "; " + std::to_string(naming.duplicates) +
                                    " already in the folder by size and date: use --skip-existing"
                              : "";
        std::printf("copied %d of %zu image(s)%s, %llu bytes in %.2f s (%.0f bytes/s)%s\n", copied,
                    images.size(), there.c_str(), static_cast<unsigned long long>(bytes), seconds,
                    seconds > 0 ? double(bytes) / seconds : 0.0, again.c_str());
        run.done = "copying " + std::to_string(copied) + " of " + std::to_string(images.size()) +
                   " image(s)";
        if (r == kLinkOk && saved + naming.skipped < int(images.size())) {
            // Cancelled or refused part way: the run did not do what was asked.
            if (Interrupted()) return kLinkFailed;
            if (ErrorsPrinted() == 0)
                PrintError("copied " + std::to_string(saved) + " of " +
                           std::to_string(images.size()) + " image(s)");
            return kLinkFailed;
        }
        return r;
    });
}

// --- the other commands -------------------------------------------------------------------

int CmdInfo(const CliArgs& a) {
    if (!a.operands.empty()) return RunImageInfo(a);
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    SetOperationName("camera query");
    return run.Run(ConnectPurpose::kBrowse, [&run](CameraSession& s) {
        LinkError r = ProbeModel(s);
        if (r != kLinkOk) return r;
        std::printf("model %d\nimages %d\n", s.model, s.image_count);
        run.done = "telling its model and count";
        return kLinkOk;
    });
}

int CmdList(const CliArgs& a) {
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    SetOperationName("image list");
    return run.Run(ConnectPurpose::kBrowse, [&run](CameraSession& s) {
        run.done = "listing " + std::to_string(s.image_count) + " image(s)";
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
        LinkError r = ProbeModel(s);
        if (r != kLinkOk) return r;
        ScopedTempFile thumb;
        if (!thumb.Make()) return kLinkFailed;
        for (int n = 1; n <= s.image_count; ++n) {
            uint32_t size = 0;
            r = SeqImageSize(s, n, &size);
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

int CmdThumbs(const CliArgs& a) {
    ImageSelection sel;
    if (!ParseSelection(a.operands, true, &sel)) return kExitUsage;
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    const std::string dir = a.dir.empty() ? "." : a.dir;
    if (!OutputFolderUsable(dir)) return kExitFailed;
    run.CatchInterrupt();
    SetOperationName("thumbnail transfer");
    return run.Run(ConnectPurpose::kBrowse, [&](CameraSession& s) {
        if (Interrupted()) return kLinkFailed;
        if (s.model == 1) {
            ShowError(kMsgNotAvailable);
            return kLinkFailed;
        }
        std::vector<int> images;
        if (!ResolveSelection(sel, s.image_count, &images)) return kLinkFailed;
        run.done = "copying " + std::to_string(images.size()) + " thumbnail(s)";
        if (!IsFolder(dir) && !MakeFolder(dir)) {
            NoteErrorReason(dir, errno);
            ShowError(kMsgCannotCopyDir);
            return kLinkFailed;
        }
        for (int n : images) {
            Plat().pump->PumpOne(false);  // a Ctrl-C stops before the next thumbnail
            if (CancelRequested()) return kLinkFailed;
            char name[32];
            std::snprintf(name, sizeof name, "dt%d.jpg", n);
            const std::string path = FolderWithSeparator(dir) + name;
            // As get does: a file already there is never written over.
            if (FileExists(path)) {
                NoteErrorReasonText(path);
                ShowError(kMsgNotSavedExists);
                continue;
            }
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

int CmdPut(const CliArgs& a) {
    bool readable = true;
    for (const std::string& f : a.operands) readable = InputFileReadable(f) && readable;
    if (!readable) return kExitFailed;
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    run.CatchInterrupt();
    run.ui.work = [](CameraSession& s) {
        std::printf("camera holds %d image(s)\n", s.image_count);
        return kLinkOk;
    };
    ResetErrorsPrinted();
    LinkError r = Connect(run.s, ConnectPurpose::kUpload);
    const size_t asked = a.operands.size();
    run.done = "sending " + std::to_string(run.s.upload.sent) + " file(s)";
    // The result is said once: on stdout when every file went in, else as the error line.
    const std::string result =
        "sent " + std::to_string(run.s.upload.sent) + " of " + std::to_string(asked) + " file(s)";
    if (r == kLinkOk && size_t(run.s.upload.sent) == asked) {
        std::printf("%s\n", result.c_str());
    } else if (r == kLinkOk) {
        if (!Interrupted()) PrintError(result);
        r = kLinkFailed;
    } else {
        run.view.EndBar();
        std::fprintf(stderr, "%s\n", result.c_str());
    }
    return run.Finish(run.AfterSessionEnd(r));
}

int CmdDelete(const CliArgs& a) {
    ImageSelection sel;
    if (!ParseSelection(a.operands, false, &sel)) return kExitUsage;
    if (!a.yes && !a.no && !isatty(STDIN_FILENO))
        return UsageError(
            "delete asks before it deletes, and there is no terminal to ask on: "
            "give --yes (or --no)");
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    run.CatchInterrupt();
    SetOperationName("delete");
    return run.Run(ConnectPurpose::kBrowse, [&](CameraSession& s) {
        if (Interrupted()) return kLinkFailed;
        std::vector<int> images;
        if (!ResolveSelection(sel, s.image_count, &images)) return kLinkFailed;
        const int count_before = s.image_count;
        LinkError r;
        if (s.model == 1) {
            ImageListModel list;
            BuildImageList(s, &list);
            if (sel.all) {
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
        run.done = "deleting " + std::to_string(count_before - s.image_count) + " image(s)";
        return r;
    });
}

int CmdPreview(const CliArgs& a) {
    ImageSelection sel;
    if (!ParseSelection(a.operands, false, &sel)) return kExitUsage;
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    run.CatchInterrupt();
    SetOperationName("viewfinder preview");
    return run.Run(ConnectPurpose::kBrowse, [&](CameraSession& s) {
        if (Interrupted()) return kLinkFailed;
        run.done = "showing the images";
        if (s.model != 1) {
            ShowError(kMsgNotAvailable);
            return kLinkFailed;
        }
        std::vector<int> images;
        if (!ResolveSelection(sel, s.image_count, &images)) return kLinkFailed;
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

int CmdClock(const CliArgs& a) {
    ClockTexts wanted;
    const bool set = a.set_from_pc || !a.set_clock.empty();
    if (a.set_from_pc) {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        wanted = ClockTextsOf(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
    } else if (!a.set_clock.empty() && !ParseClock(a.set_clock, &wanted)) {
        return UsageError("--set takes \"YYYY-MM-DD HH:MM\", not '" + a.set_clock + "'");
    }
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    SetOperationName(set ? "clock setting" : "clock reading");
    return run.Run(ConnectPurpose::kClock, [&](CameraSession& s) {
        ClockTexts now;
        LinkError r = ReadCameraClock(s, &now);
        if (r != kLinkOk) return r;
        const int hour = ClockFieldNumber(now.hour) + (now.pm ? 12 : 0);
        std::printf("camera clock %s-%02d-%02d %02d:%s\n", now.year.c_str(),
                    ClockFieldNumber(now.month), ClockFieldNumber(now.day), hour,
                    now.minute.c_str());
        run.done = "reading the clock";
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
            PrintError(std::string("the camera does not take that ") + field);
            return kLinkFailed;
        }
        std::printf("camera clock set\n");
        run.done = "setting the clock";
        return kLinkOk;
    });
}

int CmdAutodetect(const CliArgs& a) {
    CameraRun run(a);
    if (int e = run.Setup(); e >= 0) return e;
    run.posix.devices.clear();
    std::vector<std::string> devices;
    for (size_t i = 0; i < a.operands.size(); ++i) {
        devices.push_back(PortDevice(a.operands[i]));
        run.posix.devices["COM" + std::to_string(i + 1)] = devices.back();
    }
    int n = AutoSetup(run.s);
    ClearErrorReason();
    if (n == 0) {
        PrintError("no camera answered on " + std::to_string(a.operands.size()) + " device(s)");
        std::fprintf(stderr, "%s\n", kPortAccepts);
        return kExitFailed;
    }
    const std::string& found = devices[size_t(n - 1)];
    std::printf("camera on %s (COM%d)\n", found.c_str(), n);
    std::printf("use: vistrel-cli --port %s COMMAND\n%s\n", found.c_str(), kPortAccepts);
    return kExitDone;
}

const char kCameraOptions[] =
    "Camera options, before or after the command: --port DEVICE, --speed BPS, -y/--yes, "
    "-n/--no, -q/--quiet, -v/--verbose (see vistrel-cli --help).";

CLI::App* ImagesOperand(CLI::App* sub, CliArgs& args, const char* what) {
    sub->add_option("N", args.operands, what);
    return sub;
}

}  // namespace

void AddCameraCommands(CLI::App& app, CliArgs& args, CliCommands* commands) {
    CLI::App* info = app.add_subcommand(
        "info", "the camera's model and number of images; with files, what they are");
    info->add_option("FILE", args.operands, "JPEG or BMP files to describe instead");
    commands->push_back({info, CmdInfo});

    commands->push_back(
        {app.add_subcommand("list",
                            "per image: number, byte size, and the quality (model 1) "
                            "or the date (models 2, 3)"),
         CmdList});

    CLI::App* get = ImagesOperand(
        app.add_subcommand("get", "copy images into a folder (all of them without numbers)"), args,
        "image numbers: 3, 1-3, 7-, 1-3,5, all (default all)");
    get->add_option("--dir", args.dir, "the folder (default: the remembered dir, else .)")
        ->option_text("DIR");
    get->add_flag("--skip-existing", args.skip_existing,
                  "leave out images whose bytes are already in a .jpg file in the folder");
    get->add_option("--filename", args.filename,
                    "name files by PATTERN: %n image number, %N next DSC number (0001), "
                    "%Y %m %d %H %M %S the camera's date, %% a percent sign "
                    "(default DSC%N.jpg)")
        ->option_text("PATTERN");
    commands->push_back({get, CmdGet});

    CLI::App* thumbs = ImagesOperand(
        app.add_subcommand("thumbs", "the 80 x 60 thumbnails as dtN.jpg (models 2, 3)"), args,
        "image numbers (default all)");
    thumbs->add_option("--dir", args.dir, "the folder (default .)")->option_text("DIR");
    commands->push_back({thumbs, CmdThumbs});

    CLI::App* put = app.add_subcommand(
        "put", "send JPEG files into the camera, re-compressed to its form where needed");
    put->add_option("FILE", args.operands, "JPEG files")->required();
    commands->push_back({put, CmdPut});

    CLI::App* del =
        app.add_subcommand("delete", "delete images (asking before each unless --yes/--no)");
    del->add_option("N", args.operands, "image numbers or all")->required();
    commands->push_back({del, CmdDelete});

    CLI::App* preview =
        app.add_subcommand("preview", "show images on a model-1 camera's viewfinder");
    preview->add_option("N", args.operands, "image numbers")->required();
    commands->push_back({preview, CmdPreview});

    CLI::App* clock = app.add_subcommand("clock", "read or set the camera clock (models 2, 3)");
    CLI::Option* set = clock->add_option("--set", args.set_clock, "set it to this time")
                           ->option_text("\"YYYY-MM-DD HH:MM\"");
    CLI::Option* from_pc =
        clock->add_flag("--set-from-pc", args.set_from_pc, "set it to this computer's time");
    set->excludes(from_pc);
    commands->push_back({clock, CmdClock});

    CLI::App* autodetect = app.add_subcommand(
        "autodetect", "find which of up to four devices (COM1..COM4 in order) has the camera");
    autodetect->add_option("DEVICE", args.operands, "serial devices")->required()->expected(1, 4);
    commands->push_back({autodetect, CmdAutodetect});

    for (CLI::App* sub :
         {info, app.get_subcommand("list"), get, thumbs, put, del, preview, clock, autodetect})
        sub->footer(kCameraOptions);
}
