// vistrel-acquire-host.exe itself, as a person runs it: against QX4210.8ba and vistrel-camsim
// on COM1, the test clicks the module's dialog in the host's process (Connect, image 2,
// Transfer, then Exit) and finds the picture written as acquire-001.ppm, equal to the camera's
// JPEG as our decoder makes it. A module without an acquire property list is refused.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "decoded_planes.h"
#include "plugin_port_by_hand.h"
#include "gui_harness.h"
#include "plugin/host/ppm.h"
#include "plugin/plugin_res.h"

namespace {

constexpr char kDialogTitle[] = "Quenlar QX-4210 Plug-in Driver";

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

DWORD g_host_pid = 0;  // the running host program

// The host program running with its standard error in a file.
struct HostProcess {
    PROCESS_INFORMATION pi{};
    HANDLE job = nullptr;
    std::string err_path;
    bool Start(const std::string& args) {
        err_path = TempFilePath("acquire-host-stderr.txt");
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE err = CreateFileA(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                 CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdError = err;
        si.hStdOutput = err;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::string line = "\"" + ProgramFolder() + "vistrel-acquire-host.exe\" " + args;
        const bool ok = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                       nullptr, nullptr, &si, &pi) != 0;
        // The program goes with this one, also when the watchdog ends a hung test.
        job = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limit{};
        limit.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (job) {
            SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limit, sizeof limit);
        }
        if (ok) {
            if (job) AssignProcessToJobObject(job, pi.hProcess);
            ResumeThread(pi.hThread);
        }
        CloseHandle(err);
        g_host_pid = ok ? pi.dwProcessId : 0;
        return ok;
    }
    // Waits (on the process, so that its end is seen at once) until ready holds; false when
    // the process ended first.
    bool Until(const std::function<bool()>& ready) {
        while (!ready()) {
            if (WaitForSingleObject(pi.hProcess, 25) == WAIT_OBJECT_0) return false;
        }
        return true;
    }
    DWORD Finish() {
        WaitForSingleObject(pi.hProcess, 60000);
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
    ~HostProcess() {
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(pi.hProcess, 9);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        if (job) CloseHandle(job);
    }
};

// The module's dialog in the host program's process (not a window of some other process).
BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == g_host_pid && WindowText(hwnd) == kDialogTitle) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}
HWND Dialog() {
    HWND found = nullptr;
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}
bool Enabled(int id) {
    HWND dlg = Dialog();
    return dlg && IsWindowEnabled(GetDlgItem(dlg, id));
}

TEST(AcquireHostProgram, OneImageFromTheCameraIsWrittenAsPpm) {
    ASSERT_TRUE(StorePluginPortByHand("COM1", 1152));
    MarkProgramUnmanaged("vistrel-acquire-host.exe");

    const std::string out = TempFilePath("acquire-host-out");
    CreateDirectoryA(out.c_str(), nullptr);
    const std::string ppm = AcquiredFileName(out, 1);
    const std::string log = out + "\\calls.txt";
    DeleteFileA(ppm.c_str());
    DeleteFileA(AcquiredFileName(out, 2).c_str());
    DeleteFileA(log.c_str());

    HostProcess p;
    ASSERT_TRUE(
        p.Start("-o \"" + out + "\" -l \"" + log + "\" \"" + ProgramFolder() + "QX4210.8ba\""));
    ASSERT_TRUE(p.Until([] { return Enabled(IDC_UI_CONNECT); })) << ReadAll(p.err_path);
    dialogs::PostCommand(Dialog(), IDC_UI_CONNECT);
    // Connect runs in the other process: its last steps are seen as they happen.
    ASSERT_TRUE(p.Until([] {
        return Enabled(IDC_UI_PREVIEW) && WindowText(GetDlgItem(Dialog(), IDC_UI_TOTAL)) == "3";
    })) << ReadAll(p.err_path);
    SetDlgItemTextA(Dialog(), IDC_UI_FROM, "2");
    SetDlgItemTextA(Dialog(), IDC_UI_TO, "2");
    ASSERT_TRUE(p.Until([] { return Enabled(IDC_UI_TRANSFER); }));
    dialogs::PostCommand(Dialog(), IDC_UI_TRANSFER);
    // The picture is written after its delivery; then the dialog waits for the next choice.
    ASSERT_TRUE(p.Until([&] {
        return GetFileAttributesA(ppm.c_str()) != INVALID_FILE_ATTRIBUTES && Enabled(IDC_UI_EXIT);
    }));
    dialogs::PostCommand(Dialog(), IDC_UI_EXIT);
    EXPECT_EQ(p.Finish(), 0u) << ReadAll(p.err_path);

    // The same camera, made here: its image 2 decoded as the module decodes it.
    int rows = 0, columns = 0;
    std::vector<uint8_t> planes[3];
    ASSERT_TRUE(SimImagePlanes(3, 2, &rows, &columns, planes));
    const std::vector<uint8_t> want = PpmBytes(rows, columns, planes, 3);
    const std::string got = ReadAll(ppm);
    ASSERT_FALSE(want.empty());
    EXPECT_TRUE(got == std::string(want.begin(), want.end())) << "the PPM is the decoded JPEG";
    EXPECT_EQ(GetFileAttributesA(AcquiredFileName(out, 2).c_str()), INVALID_FILE_ATTRIBUTES);

    const std::string calls = ReadAll(log);
    EXPECT_NE(calls.find("acquire module \"Quenlar QX-4210\", entry ENTRYPOINT"), std::string::npos)
        << calls;
    EXPECT_NE(calls.find("finish: 0 (acquireAgain 1)"), std::string::npos) << calls;
    EXPECT_NE(calls.find("start: -128 (user cancelled)"), std::string::npos) << calls;
    EXPECT_NE(calls.find("finalize: 0"), std::string::npos) << calls;
    EXPECT_NE(calls.find("pictures written: 1"), std::string::npos) << calls;
}

TEST(AcquireHostProgram, AModuleWithoutAnAcquireListIsRefused) {
    HostProcess p;
    // setup.exe is a Windows program without a plug-in property list.
    ASSERT_TRUE(p.Start("\"" + ProgramFolder() + "setup.exe\""));
    EXPECT_EQ(p.Finish(), 2u);
    EXPECT_NE(ReadAll(p.err_path).find("is no plug-in module: it has no property list (PIPL)"),
              std::string::npos)
        << ReadAll(p.err_path);

    HostProcess q;
    ASSERT_TRUE(q.Start("--space nonsense x.8ba"));
    EXPECT_EQ(q.Finish(), 2u);
    EXPECT_NE(ReadAll(q.err_path).find("usage: vistrel-acquire-host"), std::string::npos);
}

}  // namespace
