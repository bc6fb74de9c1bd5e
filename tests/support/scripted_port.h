// A serial port that plays a camera from a script: when a whole request has been written, the
// next scripted reply (or silence) is queued for reading. Every request is recorded as written,
// together with how it was written.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/platform.h"
#include "base/serial_port.h"

struct ScriptedLine {
    std::deque<std::vector<uint8_t>> replies;  // an empty entry means: no reply
    std::vector<std::vector<uint8_t>> requests;
    std::vector<uint32_t> write_sizes;  // size of every Write call
    bool can_wait = false;              // the port blocks in WaitForInput
    std::vector<uint32_t> waits;        // the slice of every WaitForInput
    std::vector<uint8_t> pending;       // request bytes not yet complete
    std::deque<uint8_t> input;          // bytes the PC can read
    uint32_t line_errors = 0;
    LineSettings line;
    PortTimeouts timeouts{};
    uint32_t in_queue_size = 0, out_queue_size = 0;
    int purges = 0;
    bool fail_queue = false, fail_get = false, fail_set = false, fail_timeouts = false;
    bool fail_purge = false, fail_write = false, fail_status = false;
    uint32_t prop_version = 2;
    uint32_t prop_mask = kBaud9600 | kBaud38400;

    static uint32_t RequestSize(const std::vector<uint8_t>& b) {
        if (b.empty()) return 0;
        if (b[0] == 'Z') {
            if (b.size() < 17) return 17;
            uint32_t n = GetBe32(&b[12]);
            return 17 + n;
        }
        switch (b[0]) {
            case 8:
                return 16;
            case 16:
                return 262;
            case 1:
                return 1030;
            default:
                return 1;
        }
    }
    void Written(const uint8_t* data, uint32_t n) {
        pending.insert(pending.end(), data, data + n);
        while (!pending.empty() && pending.size() >= RequestSize(pending)) {
            uint32_t size = RequestSize(pending);
            requests.emplace_back(pending.begin(), pending.begin() + size);
            pending.erase(pending.begin(), pending.begin() + size);
            if (!replies.empty()) {
                input.insert(input.end(), replies.front().begin(), replies.front().end());
                replies.pop_front();
            }
        }
    }
};

struct ScriptedPort : SerialPort {
    ScriptedLine* l;
    explicit ScriptedPort(ScriptedLine* line) : l(line) {}
    bool SetQueueSizes(uint32_t i, uint32_t o) override {
        l->in_queue_size = i;
        l->out_queue_size = o;
        return !l->fail_queue;
    }
    bool GetLine(LineSettings* s) override {
        *s = l->line;
        return !l->fail_get;
    }
    bool SetLine(const LineSettings& s) override {
        if (l->fail_set) return false;
        l->line = s;
        return true;
    }
    bool SetTimeouts(const PortTimeouts& t) override {
        l->timeouts = t;
        return !l->fail_timeouts;
    }
    bool GetProperties(PortProperties* p) override {
        p->packet_version = l->prop_version;
        p->settable_baud = l->prop_mask;
        return true;
    }
    bool Purge() override {
        ++l->purges;
        l->input.clear();
        return !l->fail_purge;
    }
    bool Write(const uint8_t* d, uint32_t n, uint32_t* w) override {
        l->write_sizes.push_back(n);
        if (l->fail_write) {
            *w = 0;
            return false;
        }
        *w = n;
        l->Written(d, n);
        return true;
    }
    bool Read(uint8_t* d, uint32_t n, uint32_t* got) override {
        uint32_t k = 0;
        while (k < n && !l->input.empty()) {
            d[k++] = l->input.front();
            l->input.pop_front();
        }
        *got = k;
        return true;
    }
    bool GetStatus(uint32_t* e, uint32_t* q) override {
        *e = l->line_errors;
        *q = static_cast<uint32_t>(l->input.size());
        return !l->fail_status;
    }
    // Nothing more arrives on a scripted line until the next write: a port that can wait
    // sleeps the whole slice on the installed clock.
    bool WaitForInput(uint32_t ms) override {
        if (!l->can_wait) return false;
        l->waits.push_back(ms);
        Plat().time->Sleep(ms);
        return true;
    }
};

struct ScriptedDriver : SerialDriver {
    ScriptedLine line;
    std::string name = "COM1";
    int opens = 0;
    std::unique_ptr<SerialPort> Open(const std::string& n) override {
        ++opens;
        if (n != name) return nullptr;
        return std::make_unique<ScriptedPort>(&line);
    }
};

// Reply builders, written from the camera's side of the wire.
inline std::vector<uint8_t> SigReply(uint8_t code, const std::vector<uint8_t>& data,
                                     uint32_t announced = UINT32_MAX) {
    std::vector<uint8_t> r = {'Z', 'E', 'K', ' ', 'P', 'C', ' ', ' ', 'D', 'S', 'C', ' '};
    uint32_t n = announced == UINT32_MAX ? static_cast<uint32_t>(data.size()) : announced;
    r.push_back(uint8_t(n >> 24));
    r.push_back(uint8_t(n >> 16));
    r.push_back(uint8_t(n >> 8));
    r.push_back(uint8_t(n));
    r.push_back(code);
    r.insert(r.end(), data.begin(), data.end());
    return r;
}

inline std::vector<uint8_t> SeqReply(uint8_t type, uint8_t seq, uint8_t code,
                                     const std::vector<uint8_t>& data) {
    uint32_t d = type == 8 ? 10 : type == 16 ? 256 : 1024;
    std::vector<uint8_t> r(d + 6, 0);
    r[0] = type;
    r[1] = seq;
    r[2] = uint8_t(seq ^ 0xFF);
    r[3] = code;
    for (size_t i = 0; i < data.size() && i < d; ++i) r[4 + i] = data[i];
    uint32_t sum = 0;
    for (uint32_t i = 1; i <= 3 + d; ++i) sum += r[i];
    r[4 + d] = uint8_t(sum);
    return r;
}
