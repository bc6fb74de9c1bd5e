// The COM port of the camera. Every wait here goes through the time-source seam, and the pace
// between the bytes of a paced write is an empty loop calibrated by the last busy-wait, so the
// pause follows the machine's current speed.
#include "link/port.h"

#include <algorithm>

#include "base/platform.h"
#include "base/messages.h"
#include "link/link_profile.h"

namespace {

constexpr uint32_t kPaceCalibrationMs = 20;
bool g_paced_write = false;
uint32_t g_pace_count = 1;

TimeSource& Clock() {
    return *Plat().time;
}

void PaceBetweenBytes() {
    TimeSource& t = Clock();
    for (uint32_t i = 0; i < g_pace_count; ++i) t.TickCount();
}

LinkError ConfigurePortImpl(SerialPort& port, bool show) {
    auto fail = [show](LinkError code) {
        if (show) ShowError(kMsgPortOpenError);
        return code;
    };
    if (!port.SetQueueSizes(6000, 6000)) return fail(kLinkQueueSizes);
    LineSettings line;
    if (!port.GetLine(&line)) return fail(kLinkGetState);
    line.baud_rate = 9600;
    line.binary = true;
    line.parity_check = false;
    line.cts_flow = false;
    line.dsr_flow = false;
    line.dtr = DtrControl::kDisable;
    line.dsr_sensitivity = false;
    line.tx_continue_on_xoff = false;
    line.xon_out = false;
    line.xon_in = false;
    line.error_char = false;
    line.null_strip = false;
    line.rts = RtsControl::kHandshake;
    line.abort_on_error = false;
    line.reserved = 0;
    line.byte_size = 8;
    line.parity = 0;
    line.stop_bits = 0;
    if (!port.SetLine(line)) return fail(kLinkSetState);
    PortTimeouts t{0xFFFFFFFFu, 0, 0, 5, 4000};
    if (!port.SetTimeouts(t)) return fail(kLinkTimeouts);
    return kLinkOk;
}

LinkError OpenPortImpl(CameraLink& s, bool show) {
    if (s.driver == nullptr) {
        if (show) ShowError(kMsgFailedOpenPort);
        return kLinkOpenFailed;
    }
    std::unique_ptr<SerialPort> port = s.driver->Open(s.port_name);
    if (!port) {
        if (show) ShowError(kMsgFailedOpenPort);
        return kLinkOpenFailed;
    }
    LinkError r = ConfigurePortImpl(*port, show);
    if (r != kLinkOk) return r;  // the handle closes with `port`
    s.port = std::move(port);
    return kLinkOk;
}

}  // namespace

uint32_t BaudRateOfCode(BaudCode code) {
    switch (code) {
        case kBaud115200Code:
            return 115200;
        case kBaud38400Code:
            return 38400;
        case kBaud9600Code:
            return 9600;
        case kBaud57600Code:
            return 57600;
        case kBaud19200Code:
            return 19200;
        default:
            return 0;
    }
}

bool CodeNeedsPacing(BaudCode code) {
    return code == kBaud115200Code || code == kBaud57600Code;
}

std::string NormalizePortName(const std::string& name) {
    if (name.size() != 4 || name[3] < '1' || name[3] > '4') return "COM1";
    if (CurrentLinkProfile().plugin) {
        if (name.compare(0, 3, "COM") != 0) return "COM1";
    } else {
        auto up = [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        };
        if (up(name[0]) != 'C' || up(name[1]) != 'O' || up(name[2]) != 'M') return "COM1";
    }
    return std::string("COM") + name[3];
}

LinkError OpenPort(CameraLink& s) {
    return OpenPortImpl(s, true);
}
LinkError OpenPortQuiet(CameraLink& s) {
    return OpenPortImpl(s, false);
}
LinkError ConfigurePort(SerialPort& port) {
    return ConfigurePortImpl(port, true);
}

LinkError SetPortSpeed(SerialPort& port, BaudCode code) {
    uint32_t rate = BaudRateOfCode(code);
    if (rate == 0) {
        if (!CurrentLinkProfile().plugin) {
            ShowError(kMsgPortOpenError);
            return kLinkFailed;
        }
        code = kBaud115200Code;  // the plug-in takes any unknown code as the top speed
        rate = 115200;
    }
    LineSettings line;
    if (!port.GetLine(&line)) {
        ShowError(kMsgPortOpenError);
        return kLinkGetState;
    }
    line.baud_rate = rate;
    if (!port.SetLine(line)) {
        ShowError(kMsgPortOpenError);
        return kLinkSetState;
    }
    if (CodeNeedsPacing(code)) g_paced_write = true;
    return kLinkOk;
}

int64_t SettableSpeeds(SerialDriver& driver, const std::string& name) {
    std::unique_ptr<SerialPort> port = driver.Open(name);
    if (!port) return 0;
    PortProperties props{};
    props.packet_length = 62;
    if (!port->GetProperties(&props)) return 0;
    if (props.packet_version != 2) return -1;
    return props.settable_baud;
}

void ClosePort(CameraLink& s) {
    s.port.reset();
}

namespace {

LinkError WritePacketImpl(CameraLink& s, const uint8_t* bytes, uint32_t length, bool paced) {
    if (!s.port) {
        ShowError(kMsgCannotAccess);
        return kLinkWriteFailed;
    }
    if (!s.port->Purge()) {
        ShowError(kMsgTransferError);
        return kLinkPurge;
    }
    if (paced) {
        for (uint32_t i = 0; i < length; ++i) {
            uint32_t written = 0;
            if (!s.port->Write(bytes + i, 1, &written) || written != 1) {
                ShowError(kMsgCannotAccess);
                return kLinkWriteFailed;
            }
            if (i + 1 < length) PaceBetweenBytes();
        }
        return kLinkOk;
    }
    uint32_t written = 0;
    if (!s.port->Write(bytes, length, &written) || written != length) {
        ShowError(kMsgCannotAccess);
        return kLinkWriteFailed;
    }
    return kLinkOk;
}

}  // namespace

LinkError WritePacket(CameraLink& s, const uint8_t* bytes, uint32_t length) {
    return WritePacketImpl(s, bytes, length, g_paced_write);
}

LinkError WritePacketWhole(CameraLink& s, const uint8_t* bytes, uint32_t length) {
    return WritePacketImpl(s, bytes, length, false);
}

void BusyWait(uint32_t ms) {
    // The first few milliseconds are spun to calibrate the pace between paced bytes (reads of
    // the clock per 200 microseconds); the rest of the wait blocks in the system.
    TimeSource& t = Clock();
    const uint32_t window = std::min(ms, kPaceCalibrationMs);
    const uint32_t start = t.TickCount();
    uint32_t count = 0;
    uint32_t elapsed = 0;
    while ((elapsed = t.TickCount() - start) <= window) ++count;
    if (count == 0) count = 1;
    const uint32_t per_pause = window * 1000u / 200u;
    g_pace_count = per_pause == 0 ? count : count / per_pause;
    if (elapsed <= ms) t.Sleep(ms + 1 - elapsed);
}

bool PacedWrite() {
    return g_paced_write;
}
void SetPacedWrite(bool on) {
    g_paced_write = on;
}
uint32_t PaceCount() {
    return g_pace_count;
}
void SetPaceCount(uint32_t count) {
    g_pace_count = count;
}
