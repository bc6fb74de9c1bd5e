// Shared pieces of the codec tests: seams that record what the code shows, a fake clock, files
// that are removed after each test, and writers for the BMP inputs the tests need (made here
// with our own bytes, never copied from elsewhere). The JPEG inputs come from
// support/test_jpeg.h.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/platform.h"
#include "support/test_jpeg.h"

struct RecordingPrompts : UserPrompts {
    std::vector<std::string> boxes;
    int hourglass = 0;
    int arrow = 0;
    int ShowBox(const std::string& text, const std::string&, BoxStyle style, BoxOwner) override {
        boxes.push_back(text);
        return style == BoxStyle::kError || style == BoxStyle::kInfo ? kBoxOk : kBoxNo;
    }
    void SetCursor(CursorKind kind) override { (kind == CursorKind::kArrow ? arrow : hourglass)++; }
};

struct FakeClock : TimeSource {
    uint32_t now = 1000;
    uint32_t slept = 0;
    uint32_t TickCount() override { return now; }
    void Sleep(uint32_t ms) override {
        now += ms;
        slept += ms;
    }
};

struct RecordingView : OperationView {
    std::vector<std::pair<int, std::string>> texts;
    std::vector<uint32_t> positions;
    std::vector<uint32_t> ranges;
    std::vector<bool> cancel;
    void SetText(int field, const std::string& text) override { texts.emplace_back(field, text); }
    void SetMeterRange(uint32_t r) override { ranges.push_back(r); }
    void SetMeterPos(uint32_t p) override { positions.push_back(p); }
    void ShowCancel(bool shown) override { cancel.push_back(shown); }
};

struct CountingPump : MessagePump {
    int calls = 0;
    int pending = 0;  // messages waiting; each call dispatches one
    bool quit = false;
    PumpResult PumpOne(bool) override {
        ++calls;
        if (quit) return PumpResult::kQuit;
        if (pending > 0) {
            --pending;
            return PumpResult::kDispatched;
        }
        return PumpResult::kEmpty;
    }
};

class CodecTest : public ::testing::Test {
protected:
    CodecTest();
    ~CodecTest() override;

    // A fresh path in the temporary folder, removed after the test.
    std::string TempPath(const std::string& suffix);
    // A new empty folder (with its final separator), removed with its files after the test.
    std::string NewFolder();

    RecordingPrompts prompts;
    FakeClock clock;
    RecordingView view;
    CountingPump pump;
    MemorySettings settings;

private:
    ScopedPlatform* scoped_ = nullptr;
    std::vector<std::string> paths_;
    std::vector<std::string> folders_;
};

// The names of the files in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
uint64_t Fnv1a(const uint8_t* p, size_t n);

// BMP bytes: 24-bit, or a palette picture (bits 1, 4 or 8) whose pixels are palette indexes
// given by index_fn. core selects the 12-byte header.
std::vector<uint8_t> MakeBmp24(int width, int height, const PixelFn& fn);
std::vector<uint8_t> MakePaletteBmp(int width, int height, int bits,
                                    const std::vector<Rgb>& palette,
                                    const std::function<int(int, int)>& index_fn,
                                    bool core = false);

// The same picture stored top row first (negative height), from a file made by the two above
// with a 40-byte header.
std::vector<uint8_t> TopDownBmp(const std::vector<uint8_t>& bottom_up);
