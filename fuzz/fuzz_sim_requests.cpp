// What the simulated camera may be sent: any bytes at any of the line speeds, in pieces. The
// camera must answer or discard, never read outside what arrived.
#include <memory>

#include "fuzz_common.h"
#include "sim/sim_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    if (size < 2) return 0;
    SimConfig cfg;
    cfg.model = 1 + data[0] % 3;
    cfg.images = 1;
    cfg.memory_limit = 64u << 10;
    static std::unique_ptr<SimCamera> cams[3];
    // One generated camera per model is reused; its contents change with what is sent, which
    // is fine for a search for crashes.
    std::unique_ptr<SimCamera>& cam = cams[cfg.model - 1];
    if (!cam) cam = MakeSimCamera(cfg);
    SimDriver driver(*cam);
    std::unique_ptr<SerialPort> port = driver.Open("COM1");
    if (!port) return 0;
    const uint32_t speeds[] = {9600, 19200, 38400, 57600, 115200};
    LineSettings line;
    line.baud_rate = speeds[data[1] % 5];
    port->SetLine(line);
    size_t at = 2;
    uint8_t buf[4096];
    while (at < size) {
        const size_t piece = std::min<size_t>(size - at, 1 + data[at - 1] % 97);
        uint32_t written = 0;
        port->Write(data + at, static_cast<uint32_t>(piece), &written);
        at += piece;
        uint32_t errors = 0, waiting = 0, got = 0;
        port->GetStatus(&errors, &waiting);
        while (waiting > 0 && port->Read(buf, sizeof buf, &got) && got > 0)
            waiting -= std::min(waiting, got);
    }
    return 0;
}
