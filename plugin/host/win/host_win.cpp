#include "plugin/host/win/host_win.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "base/files.h"
#include "base/pending_file.h"
#include "plugin/host/host_options.h"

namespace {

constexpr char kHostClass[] = "VistrelAcquireHost";

// The first PIPL resource of the module, whatever its id.
BOOL CALLBACK FirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    auto* found = reinterpret_cast<LPCSTR*>(param);
    *found = name;
    return FALSE;
}

bool ReadTextFile(const std::string& path, std::string* text) {
    const int64_t length = FileLength(path);
    if (length < 0 || length > (4 << 20)) return false;
    std::FILE* f = OpenFileBinary(path, "rb");
    if (!f) return false;
    text->assign(static_cast<size_t>(length), '\0');
    const bool ok = length == 0 || ReadPieces(f, &(*text)[0], static_cast<size_t>(length));
    std::fclose(f);
    return ok;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    PendingFile f;
    if (!f.Open(path)) return false;
    if (!WritePieces(&f, text.data(), text.size())) return false;
    return f.Commit() == CommitResult::kDone;
}

}  // namespace

AcquireModule::~AcquireModule() {
    if (library) FreeLibrary(library);
}

bool LoadAcquireModule(const std::string& path, AcquireModule* m, std::string* error) {
    m->library = LoadLibraryA(path.c_str());
    if (!m->library) {
        *error =
            path + " cannot be loaded as a library (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    LPCSTR name = nullptr;
    EnumResourceNamesA(m->library, "PIPL", FirstName, reinterpret_cast<LONG_PTR>(&name));
    HRSRC res = name ? FindResourceA(m->library, name, "PIPL") : nullptr;
    HGLOBAL loaded = res ? LoadResource(m->library, res) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        *error = path + " is no plug-in module: it has no property list (PIPL)";
        return false;
    }
    const PiplError e =
        ParsePipl(static_cast<const uint8_t*>(bytes), SizeofResource(m->library, res), &m->pipl);
    if (e != PiplError::kNone) {
        *error = path + " is no plug-in module: " + PiplErrorText(e);
        return false;
    }
    if (m->pipl.kind != kPiplAcquireKind) {
        *error = path + " is no acquire module: its kind is " + FourCCText(m->pipl.kind) +
                 ", not '8BAM'";
        return false;
    }
    FARPROC proc = GetProcAddress(m->library, m->pipl.entry.c_str());
    if (!proc) {
        *error = path + " has no export " + m->pipl.entry + ", the entry its property list names";
        return false;
    }
    // Through a plain pointer, as a host does: the export's type is the host's to know.
    m->entry = reinterpret_cast<PluginEntryPoint>(reinterpret_cast<void*>(proc));
    return true;
}

HWND CreateHostWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);  // already registered on a second call: that is fine
    return CreateWindowExA(0, kHostClass, "Vistrel acquire host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

WindowedHost::WindowedHost(PluginEntryPoint e) : AcquireHost(e) {
    window = CreateHostWindow();
    platform.hwnd = reinterpret_cast<intptr_t>(window);
}

WindowedHost::~WindowedHost() {
    if (window) DestroyWindow(window);
}

int AcquireHostMain(int argc, char** argv) {
    HostOptions o;
    std::string error;
    if (ParseHostOptions(argc, argv, &o, &error) != 0) {
        std::fprintf(stderr, "vistrel-acquire-host: %s\n%s", error.c_str(), HostUsage().c_str());
        return 2;
    }
    if (o.help) {
        std::fputs(HostUsage().c_str(), stdout);
        return 0;
    }
    Descriptor play;
    if (!o.play_file.empty()) {
        std::string text, why;
        int line = 0;
        if (!ReadTextFile(o.play_file, &text)) {
            std::fprintf(stderr, "vistrel-acquire-host: %s cannot be read\n", o.play_file.c_str());
            return 2;
        }
        if (!ParseDescriptorText(text, &play, &line, &why)) {
            std::fprintf(stderr, "vistrel-acquire-host: %s, line %d: %s\n", o.play_file.c_str(),
                         line, why.c_str());
            return 2;
        }
    }
    AcquireModule module;
    if (!LoadAcquireModule(o.module, &module, &error)) {
        std::fprintf(stderr, "vistrel-acquire-host: %s\n", error.c_str());
        return 2;
    }

    WindowedHost h(module.entry);
    if (o.log_file.empty()) h.echo = stdout;
    h.space = o.space;
    h.abort_after_rows = o.abort_after_rows;
    h.OfferBufferSuite(o.buffer_suite);
    h.OfferAbort(o.abort_proc);
    h.OfferProgress(o.progress_proc);
    h.OfferAdvanceState(o.advance_state);
    h.rec.canFinalize = o.can_finalize ? 1 : 0;
    if (!o.play_file.empty() || o.record) h.OfferDescriptors(o.play_file.empty() ? nullptr : &play);

    char head[512];
    std::snprintf(head, sizeof head, "module %s: acquire module \"%s\", entry %s, version %u.%u",
                  o.module.c_str(), module.pipl.name.c_str(), module.pipl.entry.c_str(),
                  module.pipl.version >> 16, module.pipl.version & 0xFFFF);
    h.Line(head);

    int status = 0;
    if (o.about) {
        status = h.About() == 0 ? 0 : 1;
    } else {
        const SessionResult s = RunAcquireSession(h, o.out_dir, o.max_cycles);
        h.Line("pictures written: " + std::to_string(s.images));
        status = s.failed ? 1 : 0;
    }
    if (o.record) {
        const Descriptor* recorded = h.RecordedDescriptor();
        if (recorded) {
            const std::string text = DescriptorText(*recorded);
            h.Line("recorded descriptor:");
            h.Line(text.empty() ? "(empty)" : text.substr(0, text.size() - 1));
            if (!o.record_file.empty() && !WriteTextFile(o.record_file, text)) {
                h.Line("could not write " + o.record_file);
                status = 1;
            }
        } else {
            h.Line("recorded descriptor: none");
        }
    }
    if (h.unknown_frees) {
        h.Line("frees of buffers or handles the host never gave out: " +
               std::to_string(h.unknown_frees));
        status = 1;
    }
    if (!o.log_file.empty() && !WriteTextFile(o.log_file, h.log)) {
        std::fprintf(stderr, "vistrel-acquire-host: %s cannot be written\n", o.log_file.c_str());
        status = 1;
    }
    return status;
}
