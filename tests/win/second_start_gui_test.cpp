// The real program started more than once: a second start with file names hands them to the
// first, which opens them (a relative name meaning the second start's folder) and comes
// forward; a second start without file names only brings the first forward.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "app/win/app.h"
#include "gui_harness.h"

namespace {

// A program started from here, ended with the test if it is still running.
struct Program {
    PROCESS_INFORMATION pi{};
    bool Start(const std::string& exe, const std::string& args, const std::string& folder) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string line = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
        return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &si, &pi) != 0;
    }
    // The exit code once it ended within ms, else -1.
    long WaitExit(DWORD ms) {
        if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return static_cast<long>(code);
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

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// A 4 x 2 24-bit BMP file whose first pixel has the given blue value.
bool WriteBmp(const std::string& path, uint8_t blue) {
    const int width = 4, height = 2, stride = 12;
    std::vector<uint8_t> file(54 + stride * height, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;
    file[28] = 24;
    put32(34, stride * height);
    file[54] = blue;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, file.data(), static_cast<DWORD>(file.size()), &written, nullptr) &&
              written == file.size();
    CloseHandle(h);
    return ok;
}

// The lower-cased file names in the titles of the MDI children of a frame.
std::vector<std::string> ChildTitles(HWND frame) {
    std::vector<std::string> titles;
    HWND client = FindWindowExA(frame, nullptr, "MDICLIENT", nullptr);
    if (!client) return titles;
    for (HWND c = GetWindow(client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char text[MAX_PATH] = "";
        GetWindowTextA(c, text, sizeof text);
        // The zoom that an image window's title may carry ("a.bmp [100%]") is left out.
        std::string title = Lower(text);
        titles.push_back(title.substr(0, title.find(" [")));
    }
    std::sort(titles.begin(), titles.end());
    return titles;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) text += "\"" + w + "\" ";
    return text;
}

struct CountFrames {
    int frames = 0;
    int boxes = 0;
    DWORD pid = 0;
};
BOOL CALLBACK CountTopWindows(HWND hwnd, LPARAM lp) {
    CountFrames* c = reinterpret_cast<CountFrames*>(lp);
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (std::string(name) == kFrameClass) ++c->frames;
    if (pid == c->pid && IsWindowVisible(hwnd) && std::string(name) == "#32770") ++c->boxes;
    return TRUE;
}
CountFrames CountWindows(DWORD first_pid) {
    CountFrames c;
    c.pid = first_pid;
    EnumWindows(CountTopWindows, reinterpret_cast<LPARAM>(&c));
    return c;
}

class SecondStart : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "vistrel-second-start-" + std::to_string(GetCurrentProcessId());
        program_dir_ = root_ + "\\program";
        pictures_ = root_ + "\\pictures";
        CreateDirectoryA(root_.c_str(), nullptr);
        CreateDirectoryA(program_dir_.c_str(), nullptr);
        CreateDirectoryA(pictures_.c_str(), nullptr);
        // A copy of the program of its own, so that its vistrel.ini lands here.
        exe_ = program_dir_ + "\\Vistrel.exe";
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "Vistrel.exe").c_str(), exe_.c_str(), FALSE));
        ASSERT_TRUE(WriteBmp(pictures_ + "\\a.bmp", 10));
        ASSERT_TRUE(WriteBmp(pictures_ + "\\b.bmp", 20));
        ASSERT_TRUE(WriteBmp(pictures_ + "\\c.bmp", 30));
    }
    void TearDown() override {
        for (const char* f : {"\\pictures\\a.bmp", "\\pictures\\b.bmp", "\\pictures\\c.bmp",
                              "\\program\\Vistrel.exe", "\\program\\vistrel.ini"})
            DeleteFileA((root_ + f).c_str());
        RemoveDirectoryA(pictures_.c_str());
        RemoveDirectoryA(program_dir_.c_str());
        RemoveDirectoryA(root_.c_str());
    }

    std::string root_, program_dir_, pictures_, exe_;
};

TEST_F(SecondStart, FilesOfASecondStartOpenInTheFirst) {
    MarkProgramUnmanaged("Vistrel.exe");
    ASSERT_EQ(FindWindowA(kFrameClass, nullptr), nullptr) << "another Vistrel runs already";

    Program first;
    ASSERT_TRUE(first.Start(exe_, pictures_ + "\\a.bmp", root_));
    HWND frame = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            frame = FindWindowA(kFrameClass, kAppTitle);
            return frame && ChildTitles(frame) == std::vector<std::string>{"a.bmp"};
        },
        30000))
        << "the first start opens its own file; open: "
        << (frame ? Joined(ChildTitles(frame)) : "");
    ShowWindow(frame, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(frame) != FALSE; }, 5000));

    // A relative name is the second start's: started in the pictures' folder, not the first's.
    Program second;
    ASSERT_TRUE(second.Start(exe_, "b.bmp", pictures_));
    EXPECT_EQ(second.WaitExit(15000), 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(frame); }, 5000)) << "the first is restored";
    EXPECT_TRUE(PumpUntil(
        [&] {
            return ChildTitles(frame) == std::vector<std::string>{"a.bmp", "b.bmp"};
        },
        15000))
        << "b.bmp opens in the first; open: " << Joined(ChildTitles(frame));

    // Without file names: nothing is handed over. The start after it, whose file is handed over
    // the same way and so opens after anything the one before could have caused, shows that
    // only c.bmp came; a name of no file among them is skipped without a message.
    Program third;
    ASSERT_TRUE(third.Start(exe_, "", pictures_));
    EXPECT_EQ(third.WaitExit(15000), 0);
    Program fourth;
    ASSERT_TRUE(fourth.Start(exe_, "nosuch.bmp   " + pictures_ + "\\c.bmp", root_));
    EXPECT_EQ(fourth.WaitExit(15000), 0);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return ChildTitles(frame) == std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp"};
        },
        15000))
        << "c.bmp opens, and nothing else; open: " << Joined(ChildTitles(frame));

    CountFrames windows = CountWindows(first.pi.dwProcessId);
    EXPECT_EQ(windows.frames, 1);
    EXPECT_EQ(windows.boxes, 0) << "the first shows a message";
    EXPECT_EQ(first.WaitExit(0), -1) << "the first goes on";

    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitExit(15000), 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (MarkWindowsUnmanaged()) return RunAgain();
    StartWatchdog(120000);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
