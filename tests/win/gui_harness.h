// In-process GUI test support: a watchdog that ends a hung test program, a monitor that
// answers the message boxes a test expects and fails the test on any other (closing it so the
// test goes on), bounded message pumping, and a fake clock.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/time_source.h"

// Under Wine without a window manager, hiding a managed window waits seconds for the manager's
// answer. Marks this test program's windows as unmanaged (a Wine setting for this program
// only). The driver reads it when the process starts: true when it was written just now, and
// the program should then run itself again (RunAgain) to get it.
bool MarkWindowsUnmanaged();
// The same setting for another program of ours, by its file name ("setup.exe"), before it is
// started; true when it was written just now.
bool MarkProgramUnmanaged(const std::string& program);
// Runs this program again with the same command line; returns its exit code.
int RunAgain();
// The folder this program was started from, with a trailing backslash (the built programs
// and the module lie beside the tests).
std::string ProgramFolder();

// Ends the process with exit code 3 when the program runs longer than limit_ms in all.
void StartWatchdog(DWORD limit_ms);

// Message boxes of this thread (class "#32770" with a message-text control).
namespace boxes {
// Starts the monitor (idempotent); it looks every 30 ms, inside modal loops too.
void Start();
// The next box is answered with this button (IDOK, IDYES, ...).
void Expect(int button);
// Texts of every box met since the last Clear, expected or not.
const std::vector<std::string>& Seen();
int UnexpectedCount();
int PendingExpectations();
void Clear();
}  // namespace boxes

// A script of steps run in order by the same monitor as the boxes (so also inside modal loops):
// a step waits for a visible window of this thread with the title (and, when control is given,
// with that control), or for a condition, and then runs its action once. Dialogs other than
// message boxes are driven this way; file dialogs of the system are never taken for boxes.
namespace dialogs {
void When(const std::string& title, std::function<void(HWND)> act, int control = 0);
void WhenReady(std::function<bool()> ready, std::function<void()> act);
int Pending();
void Clear();
// Posts a button click to a dialog.
void PostCommand(HWND dlg, int id);
}  // namespace dialogs

// Dispatches messages for about ms milliseconds of real time. A quit message is recorded.
void PumpWindowsFor(DWORD ms);
// Dispatches messages until done() holds or timeout_ms passes; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms);
// Whether a quit message has been taken off the queue since the last call.
bool TakeQuitSeen();

struct FakeClock : TimeSource {
    uint32_t now = 0;
    uint32_t step = 1;  // added at every TickCount, so spinning waits end
    std::vector<uint32_t> sleeps;
    uint32_t TickCount() override { return now += step; }
    void Sleep(uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
};

std::string WindowText(HWND hwnd);

// With VISTREL_SHOT_DIR set (a Windows path), saves what the window shows on the screen as
// NAME.bmp there, for scripts/screenshot; does nothing otherwise.
void SaveWindowShot(HWND window, const char* name);
std::string TempFilePath(const char* name);
