// What a camera (or line noise) may answer: the first byte picks a command operation, the rest
// is everything that arrives on the line after the request. Nothing the bytes say may make the
// receiver read or write outside its buffers.
#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

#include "base/platform.h"
#include "fuzz_common.h"
#include "link/port.h"
#include "link/protocol.h"

namespace {

// A clock that runs fast, so that every deadline comes after a few hundred reads.
struct FastClock : TimeSource {
    uint32_t now = 0;
    uint32_t TickCount() override { return now += 40; }
    void Sleep(uint32_t ms) override { now += ms; }
};

// The reply bytes arrive after the first request; later requests get silence.
struct ReplayPort : SerialPort {
    std::deque<uint8_t> input;
    std::vector<uint8_t> pending;
    bool SetQueueSizes(uint32_t, uint32_t) override { return true; }
    bool GetLine(LineSettings*) override { return true; }
    bool SetLine(const LineSettings&) override { return true; }
    bool SetTimeouts(const PortTimeouts&) override { return true; }
    bool GetProperties(PortProperties*) override { return false; }
    bool Purge() override { return true; }
    bool Write(const uint8_t*, uint32_t n, uint32_t* w) override {
        *w = n;
        if (!pending.empty()) {
            input.insert(input.end(), pending.begin(), pending.end());
            pending.clear();
        }
        return true;
    }
    bool Read(uint8_t* d, uint32_t n, uint32_t* got) override {
        uint32_t k = 0;
        while (k < n && !input.empty()) {
            d[k++] = input.front();
            input.pop_front();
        }
        *got = k;
        return true;
    }
    bool GetStatus(uint32_t* e, uint32_t* q) override {
        *e = 0;
        *q = static_cast<uint32_t>(input.size());
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    if (size < 1) return 0;
    FastClock clock;
    Platform p = Plat();
    p.time = &clock;
    ScopedPlatform scope(p);

    CameraLink s;
    auto port = std::make_unique<ReplayPort>();
    port->pending.assign(data + 1, data + size);
    s.port = std::move(port);
    if (!s.image.Allocate(2 * 1024)) return 0;
    uint32_t n32 = 0;
    uint16_t n16 = 0;
    int n = 0;
    switch (data[0] % 14) {
        case 0:
            SigIdentify(s, &n);
            break;
        case 1:
            SigImageList(s);
            break;
        case 2:
            SigImageSize(s, 1, &n32);
            break;
        case 3:
            SigReadBlocks(s, 2, true);
            break;
        case 4:
            SigDeleteImage(s, 1);
            break;
        case 5:
            SeqImageCount(s, &n32);
            break;
        case 6:
            SeqThumbnailSize(s, 1, &n32);
            break;
        case 7:
            SeqImageSize(s, 1, &n32);
            break;
        case 8:
            SeqReadBlocks(s, 2, data[0] & 0x80);
            break;
        case 9:
            SeqReadClockField(s, 0x40, true, &n16);
            break;
        case 10:
            SeqModelProbe(s, &n);
            break;
        case 11:
            SeqPlayMode(s);
            break;
        case 12: {
            const uint8_t picture[300] = {0xFF, 0xD8};
            SigUploadData(s, picture, sizeof picture);
            break;
        }
        default:
            SeqDeleteImage(s, 1);
            break;
    }
    return 0;
}
