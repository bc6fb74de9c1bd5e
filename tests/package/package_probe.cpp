// Run inside a fresh Wine prefix while the unpacked Vistrel.exe starts there: waits for the
// program's frame, checks that vistrel.hlp lies beside the program file, asks for Help >
// Contents and waits for the help viewer (with no error box), then closes the program, which
// closes the viewer. Exit code 0 when all of that happened; otherwise 1 and the reason.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

// Waits for done() by timer messages, up to ms milliseconds of real time.
bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    DWORD start = GetTickCount();
    UINT_PTR timer = SetTimer(nullptr, 0, 50, nullptr);
    MSG msg;
    bool ok = done();
    while (!ok && GetTickCount() - start < ms && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
        ok = done();
    }
    KillTimer(nullptr, timer);
    return ok;
}

int Fail(const char* why) {
    std::printf("package_probe: %s\n", why);
    std::fflush(stdout);
    return 1;
}

// A dialog box (an error message) shown by the process of window w.
bool ProcessShowsABox(HWND w) {
    struct Find {
        DWORD pid;
        bool found;
    } find{0, false};
    GetWindowThreadProcessId(w, &find.pid);
    EnumWindows(
        [](HWND top, LPARAM lp) -> BOOL {
            Find* f = reinterpret_cast<Find*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(top, &pid);
            char cls[64] = "";
            GetClassNameA(top, cls, sizeof cls);
            if (pid == f->pid && IsWindowVisible(top) && std::string(cls) == "#32770")
                f->found = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

}  // namespace

int main() {
    HWND frame = nullptr;
    if (!WaitFor([&] { return (frame = FindWindowA("ZEKDscFrame", nullptr)) != nullptr; }, 60000))
        return Fail("the program's frame did not appear");

    DWORD pid = 0;
    GetWindowThreadProcessId(frame, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return Fail("cannot look at the program's process");
    char image[MAX_PATH] = "";
    DWORD size = MAX_PATH;
    BOOL named = QueryFullProcessImageNameA(process, 0, image, &size);
    CloseHandle(process);
    if (!named) return Fail("cannot read the program's file name");
    std::string folder(image);
    folder.resize(folder.find_last_of("\\/") + 1);
    std::printf("package_probe: program at %s\n", image);
    DWORD help = GetFileAttributesA((folder + "vistrel.hlp").c_str());
    if (help == INVALID_FILE_ATTRIBUTES || (help & FILE_ATTRIBUTE_DIRECTORY))
        return Fail("vistrel.hlp is not beside the program");

    // Wait for the splash to end: the frame takes commands once it is enabled and visible.
    if (!WaitFor([&] { return IsWindowVisible(frame) && IsWindowEnabled(frame); }, 30000))
        return Fail("the program's frame never became ready");
    PostMessageA(frame, WM_COMMAND, 108, 0);  // Help > Contents
    HWND viewer = nullptr;
    if (!WaitFor([&] { return (viewer = FindWindowA("MS_WINHELP", nullptr)) != nullptr; }, 60000))
        return Fail("the help viewer did not open");
    // A help file it cannot read gives an error box instead of a topic.
    WaitFor([] { return false; }, 1500);
    if (ProcessShowsABox(viewer)) return Fail("the help viewer shows an error box");
    char caption[256] = "";
    GetWindowTextA(viewer, caption, sizeof caption);
    std::printf("package_probe: help viewer open: \"%s\"\n", caption);

    PostMessageA(frame, WM_CLOSE, 0, 0);
    if (!WaitFor([] { return FindWindowA("ZEKDscFrame", nullptr) == nullptr; }, 30000))
        return Fail("the program did not close");
    if (!WaitFor([] { return FindWindowA("MS_WINHELP", nullptr) == nullptr; }, 30000))
        return Fail("the help viewer stayed open after the program closed");
    std::printf("package_probe: ok\n");
    return 0;
}
