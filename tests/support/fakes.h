// Test stand-ins for the seams: a clock that moves only when read, prompts that answer from a
// script and record every box, a view that records the meter, a pump with a scripted queue.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "base/platform.h"

// Every read advances the clock by one millisecond after `reads_per_ms` reads, so busy loops
// and deadlines finish at once in real time but follow the same arithmetic as on a real clock.
struct FakeClock : TimeSource {
    uint32_t now = 1000;
    uint32_t reads_per_ms = 1;
    uint32_t reads = 0;
    uint64_t total_reads = 0;
    uint64_t slept = 0;
    uint32_t TickCount() override {
        ++total_reads;
        if (++reads >= reads_per_ms) {
            reads = 0;
            return now++;
        }
        return now;
    }
    void Sleep(uint32_t ms) override {
        slept += ms;
        sleeps.push_back({now, ms});
        now += ms;
    }
    struct Nap {
        uint32_t at, ms;
    };
    std::vector<Nap> sleeps;  // every sleep: when it began and how long
};

struct Box {
    std::string text;
    std::string title;
    BoxStyle style;
};

struct RecordingPrompts : UserPrompts {
    std::vector<Box> boxes;
    std::deque<int> answers;  // popped for every question; default No
    int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                BoxOwner) override {
        boxes.push_back({text, title, style});
        if (style == BoxStyle::kError || style == BoxStyle::kInfo) return kBoxOk;
        if (answers.empty()) return kBoxNo;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    void SetCursor(CursorKind) override {}
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const Box& b : boxes) t.push_back(b.text);
        return t;
    }
};

struct RecordingView : OperationView {
    std::vector<uint32_t> positions;
    std::vector<std::pair<int, std::string>> texts;
    uint32_t range = 0;
    // Sets the Cancel flag when the meter reaches this position (0: never).
    uint32_t cancel_at = 0;
    void SetText(int field, const std::string& text) override { texts.emplace_back(field, text); }
    void SetMeterRange(uint32_t r) override { range = r; }
    void SetMeterPos(uint32_t pos) override {
        positions.push_back(pos);
        if (cancel_at != 0 && pos == cancel_at) SetCancelRequested(true);
    }
    void ShowCancel(bool) override {}
};

struct ScriptedPump : MessagePump {
    std::deque<PumpResult> queue;
    int dispatched = 0;
    PumpResult PumpOne(bool drop_vscroll) override {
        if (queue.empty()) return PumpResult::kEmpty;
        PumpResult r = queue.front();
        queue.pop_front();
        if (r == PumpResult::kVScroll && !drop_vscroll) r = PumpResult::kDispatched;
        if (r == PumpResult::kDispatched) ++dispatched;
        if (r == PumpResult::kQuit) queue.push_front(PumpResult::kQuit);  // posted again
        return r;
    }
};

// Installs a fake clock, recording prompts and view, a scripted pump and memory settings for
// the lifetime of a test.
struct FakePlatform {
    FakeClock clock;
    RecordingPrompts prompts;
    RecordingView view;
    ScriptedPump pump;
    MemorySettings settings;
    ScopedPlatform scope{Platform{&clock, &pump, &prompts, &settings, &view}};
};
