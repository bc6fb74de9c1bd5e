// The running program's frame for GUI tests: each test starts Vistrel's frame in-process with a
// settings file of its own in the temporary folder (English, a short splash), and closes it
// afterwards, with every message box it met expected and answered. Kept apart from the harness
// proper, which programs without the shell (the plug-in's, the installer's) link too.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "gui_harness.h"

#include "base/region.h"
#include "base/time_source.h"

// Vistrel's frame started in this process on its own settings file, in the region's language,
// with a 10 ms splash; null when it cannot start. The caller sets its hooks, then waits for
// App().splash_done.
HWND StartFrame(const std::string& settings_file, int region = kRegionEnglish);

// Writes a 24-bit test picture of w x h with a fixed pattern as a BMP file; true when written.
bool WriteTestBmp(const std::string& path, int w, int h);

class FrameTest : public ::testing::Test {
protected:
    // settings_name: the settings file's name in the temporary folder; clock: a fake clock
    // installed for the test (null keeps the system's).
    explicit FrameTest(const char* settings_name, FakeClock* clock = nullptr)
        : settings_name_(settings_name), clock_(clock) {}
    // Starts the frame and waits for its splash. A derived SetUp calls this first and returns
    // when HasFatalFailure().
    void SetUp() override;
    // Closes the frame (each window asks its own questions, which the test must have answered
    // or made unnecessary), deletes the settings file and checks that no box or dialog step is
    // left over. A derived TearDown closes what must go before the frame, then calls this.
    void TearDown() override;

    std::string ini_;
    HWND frame_ = nullptr;

private:
    const char* settings_name_;
    FakeClock* clock_;
};
