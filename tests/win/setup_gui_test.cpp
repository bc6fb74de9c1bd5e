// setup.exe's flow under Wine: the splash window, the questions in their boxes, the folder
// choice (answered through the chooser seam), the copy over a read-only plug-in, the refusals
// that lead to the try-another question, and the ending without a copy.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "gui_harness.h"
#include "setup/setup_rules.h"
#include "setup/win/setup_app.h"

namespace {

std::string g_folder;
int g_choices = 0;

bool Choose(HWND, std::string* folder) {
    ++g_choices;
    if (g_folder.empty()) return false;
    *folder = g_folder;
    return true;
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class Setup : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        dialogs::Clear();
        source_ = TempFilePath("setup-source");
        target_ = TempFilePath("setup-target");
        CreateDirectoryA(source_.c_str(), nullptr);
        CreateDirectoryA(target_.c_str(), nullptr);
        std::ofstream(source_ + "\\QX4210.8ba", std::ios::binary) << "the plug-in";
        const std::string t = target_ + "\\QX4210.8ba";
        SetFileAttributesA(t.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(t.c_str());
        SetCurrentDirectoryA(source_.c_str());
        SetFolderChooser(Choose);
        SetAutoexecPath(TempFilePath("no-autoexec.bat"));
        g_choices = 0;
    }
    void TearDown() override {
        SetFolderChooser(nullptr);
        EXPECT_EQ(boxes::PendingExpectations(), 0) << "boxes that never came";
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
    }
    int Run() { return RunSetup(GetModuleHandleA(nullptr), SW_SHOWNORMAL); }
    // Runs setup with a chooser that cancels, answering the first question and "not complete";
    // the folder the chooser opened at (the current folder then). The current folder is the
    // source folder again afterwards.
    std::string FolderAtChooser() {
        boxes::Expect(IDOK);  // the first question
        boxes::Expect(IDOK);  // the chooser was cancelled: not complete
        static std::string seen;
        seen.clear();
        SetFolderChooser([](HWND, std::string*) {
            char dir[MAX_PATH] = "";
            GetCurrentDirectoryA(MAX_PATH, dir);
            seen = dir;
            return false;
        });
        Run();
        SetCurrentDirectoryA(source_.c_str());
        return seen;
    }

    std::string source_, target_;
};

TEST_F(Setup, CopiesThePlugInOverAReadOnlyOne) {
    const std::string t = target_ + "\\QX4210.8ba";
    std::ofstream(t, std::ios::binary) << "old";
    SetFileAttributesA(t.c_str(), FILE_ATTRIBUTE_READONLY);
    g_folder = target_;
    boxes::Expect(IDOK);   // the first question
    boxes::Expect(IDYES);  // replace it
    boxes::Expect(IDOK);   // complete
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(boxes::Seen().size(), 3u);
    EXPECT_EQ(boxes::Seen()[0], kFirstQuestion);
    EXPECT_EQ(boxes::Seen()[1], kReplaceQuestion);
    EXPECT_EQ(boxes::Seen()[2], kSetupComplete);
    EXPECT_EQ(ReadAll(t), "the plug-in");
    EXPECT_EQ(GetFileAttributesA(t.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(FindWindowA(kSetupClass, nullptr), nullptr) << "the program ended";
}

TEST_F(Setup, NoToReplacingAsksForAnotherFolderAndEndsWithoutCopy) {
    const std::string t = target_ + "\\QX4210.8ba";
    std::ofstream(t, std::ios::binary) << "old";
    g_folder = target_;
    boxes::Expect(IDOK);
    boxes::Expect(IDNO);  // do not replace
    boxes::Expect(IDNO);  // no other folder
    boxes::Expect(IDOK);
    Run();
    ASSERT_EQ(boxes::Seen().size(), 4u);
    EXPECT_EQ(boxes::Seen()[2], kTryAnotherQuestion);
    EXPECT_EQ(boxes::Seen()[3], kSetupNotComplete);
    EXPECT_EQ(ReadAll(t), "old");
}

TEST_F(Setup, AMissingFolderIsNotReadyAndYesChoosesAgain) {
    g_folder = target_ + "\\missing";
    boxes::Expect(IDOK);
    boxes::Expect(IDOK);   // not ready
    boxes::Expect(IDYES);  // another folder: the chooser is cancelled this time
    boxes::Expect(IDOK);
    dialogs::WhenReady([] { return g_choices == 1; }, [] { g_folder.clear(); });
    Run();
    ASSERT_EQ(boxes::Seen().size(), 4u);
    EXPECT_EQ(boxes::Seen()[1], kNotReady);
    EXPECT_EQ(boxes::Seen()[3], kSetupNotComplete);
    EXPECT_EQ(g_choices, 2);
}

TEST_F(Setup, CancelAtTheFirstQuestion) {
    boxes::Expect(IDCANCEL);
    boxes::Expect(IDOK);
    Run();
    ASSERT_EQ(boxes::Seen().size(), 2u);
    EXPECT_EQ(boxes::Seen()[1], kSetupNotComplete);
    EXPECT_EQ(g_choices, 0);
}

TEST_F(Setup, TheClasspathGuessBecomesTheCurrentFolder) {
    const std::string plugins = TempFilePath("setup-app") + "\\Plug-Ins";
    CreateDirectoryA(TempFilePath("setup-app").c_str(), nullptr);
    CreateDirectoryA(plugins.c_str(), nullptr);
    const std::string autoexec = TempFilePath("autoexec-test.bat");
    std::ofstream(autoexec, std::ios::binary)
        << "SET CLASSPATH=" << TempFilePath("setup-app") << "\\CLASSES\r\n";
    SetAutoexecPath(autoexec);
    g_folder.clear();
    EXPECT_EQ(FolderAtChooser(), plugins);
}

// The system's folder browser as the user meets it: its caption, its place on the screen, the
// guessed folder selected, and OK copies the plug-in there.
TEST_F(Setup, TheFolderBrowserOpensOnTheGuessAndOkCopiesThere) {
    const std::string app = TempFilePath("setup-browse");
    const std::string plugins = app + "\\Plug-Ins";
    CreateDirectoryA(app.c_str(), nullptr);
    CreateDirectoryA(plugins.c_str(), nullptr);
    const std::string copied = plugins + "\\QX4210.8ba";
    SetFileAttributesA(copied.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(copied.c_str());
    const std::string autoexec = TempFilePath("autoexec-browse.bat");
    std::ofstream(autoexec, std::ios::binary) << "SET CLASSPATH=" << app << "\\CLASSES\r\n";
    SetAutoexecPath(autoexec);
    SetFolderChooser(nullptr);  // the shell's own browser
    boxes::Expect(IDOK);        // the first question
    boxes::Expect(IDOK);        // complete
    std::string caption;
    RECT where{};
    dialogs::When(
        kSetupTitle,
        [&](HWND dlg) {
            caption = WindowText(dlg);
            GetWindowRect(dlg, &where);
            dialogs::PostCommand(dlg, IDOK);
        },
        0x3741);  // the browser's folder tree
    Run();
    EXPECT_EQ(dialogs::Pending(), 0) << "the folder browser never came";
    EXPECT_EQ(caption, kSetupTitle);
    const int w = where.right - where.left, h = where.bottom - where.top;
    EXPECT_NEAR(where.left, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, 1);
    EXPECT_NEAR(where.top, (GetSystemMetrics(SM_CYSCREEN) - h) / 3, 1);
    EXPECT_EQ(ReadAll(copied), "the plug-in");
    ASSERT_EQ(boxes::Seen().size(), 2u);
    EXPECT_EQ(boxes::Seen()[1], kSetupComplete);
    SetCurrentDirectoryA(source_.c_str());
    DeleteFileA(copied.c_str());
    DeleteFileA(autoexec.c_str());
    RemoveDirectoryA(plugins.c_str());
    RemoveDirectoryA(app.c_str());
}

// The guess from the real c:\autoexec.bat of the Wine prefix; whatever was there before comes
// back afterwards.
class SetupAutoexec : public Setup {
protected:
    void SetUp() override {
        Setup::SetUp();
        had_ = GetFileAttributesA(kPath) != INVALID_FILE_ATTRIBUTES;
        if (had_) saved_ = ReadAll(kPath);
        CreateDirectoryA("C:\\VistrelTest", nullptr);
        CreateDirectoryA("C:\\VistrelTest\\JAVA", nullptr);
        CreateDirectoryA("C:\\VistrelTest\\JAVA\\Plug-Ins", nullptr);
        SetAutoexecPath(kPath);
    }
    void TearDown() override {
        if (had_) {
            std::ofstream(kPath, std::ios::binary) << saved_;
        } else {
            DeleteFileA(kPath);
        }
        RemoveDirectoryA("C:\\VistrelTest\\JAVA\\Plug-Ins");
        RemoveDirectoryA("C:\\VistrelTest\\JAVA");
        RemoveDirectoryA("C:\\VistrelTest");
        Setup::TearDown();
    }
    // The folder the chooser opens at, with this autoexec.bat.
    std::string FolderWith(const std::string& autoexec) {
        std::ofstream(kPath, std::ios::binary) << autoexec;
        return FolderAtChooser();
    }
    static constexpr const char* kPath = "c:\\autoexec.bat";
    bool had_ = false;
    std::string saved_;
};

TEST_F(SetupAutoexec, TheClasspathLineOfCAutoexecBatPreselectsThePlugInsFolder) {
    EXPECT_EQ(FolderWith("@ECHO OFF\r\nSET CLASSPATH=C:\\VistrelTest\\JAVA\\CLASSES\r\n"),
              "C:\\VistrelTest\\JAVA\\Plug-Ins");
    EXPECT_EQ(FolderWith("set classpath=C:\\VistrelTest\\JAVA\\CLASSES\r\n"), source_)
        << "lower case is not recognised";
}

// A second start while the first runs brings the first forward and ends at once.
TEST_F(Setup, ASecondStartBringsTheFirstForward) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = kSetupClass;
    UnregisterClassA(kSetupClass, instance);  // an earlier run's class, with the real procedure
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND first =
        CreateWindowExA(0, kSetupClass, "QX-DC4210 Plug-In Driver Setup", WS_OVERLAPPEDWINDOW, 0, 0,
                        200, 100, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(first, nullptr);
    ShowWindow(first, SW_SHOWMINIMIZED);
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, instance, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(IsIconic(first));
    Run();  // no box: a box would be unexpected
    EXPECT_FALSE(IsIconic(first)) << "restored";
    EXPECT_EQ(GetForegroundWindow(), first);
    EXPECT_EQ(boxes::Seen().size(), 0u);
    EXPECT_EQ(g_choices, 0);
    DestroyWindow(other);
    DestroyWindow(first);
    UnregisterClassA(kSetupClass, instance);
}

// A program started from here, ended with the test if it is still running.
struct Program {
    PROCESS_INFORMATION pi{};
    bool Start(const std::string& exe) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string line = "\"" + exe + "\"";
        return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &pi) != 0;
    }
    ~Program() {
        if (!pi.hProcess) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi.hProcess, 0);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
};

BOOL CALLBACK CountSetupWindows(HWND hwnd, LPARAM count) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (std::string(name) == kSetupClass) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Two real setup programs: the second finds the first one's window, brings it forward and
// ends without a window of its own.
TEST_F(Setup, ASecondSetupProgramBringsTheFirstOneForward) {
    // The programs' windows are unmanaged too, as this test program's are.
    MarkProgramUnmanaged("setup.exe");
    const std::string exe = ProgramFolder() + "setup.exe";
    Program first;
    ASSERT_TRUE(first.Start(exe));
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            window = FindWindowA(kSetupClass, nullptr);
            return window && IsWindowVisible(window);
        },
        15000));
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; }, 5000));

    Program second;
    ASSERT_TRUE(second.Start(exe));
    ASSERT_EQ(WaitForSingleObject(second.pi.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(second.pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(window); }, 5000)) << "the first is restored";
    int windows = 0;
    EnumWindows(CountSetupWindows, reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(WaitForSingleObject(first.pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the first goes on";
}

}  // namespace
