// The serial-port seam. It mirrors the few Win32 comm calls the camera link makes, so that the
// Win32 driver is a thin pass-through and the POSIX and in-process drivers can be held to the
// same contract. Reads never block: they return at once with what the input queue holds.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

enum class DtrControl : uint8_t { kDisable = 0, kEnable = 1, kHandshake = 2 };
enum class RtsControl : uint8_t { kDisable = 0, kEnable = 1, kHandshake = 2, kToggle = 3 };

// The device control block fields the link sets (Windows DCB names in comments).
struct LineSettings {
    uint32_t baud_rate = 9600;             // BaudRate
    bool binary = true;                    // fBinary
    bool parity_check = false;             // fParity
    bool cts_flow = false;                 // fOutxCtsFlow
    bool dsr_flow = false;                 // fOutxDsrFlow
    DtrControl dtr = DtrControl::kEnable;  // fDtrControl
    bool dsr_sensitivity = false;          // fDsrSensitivity
    bool tx_continue_on_xoff = false;      // fTXContinueOnXoff
    bool xon_out = false;                  // fOutX
    bool xon_in = false;                   // fInX
    bool error_char = false;               // fErrorChar
    bool null_strip = false;               // fNull
    RtsControl rts = RtsControl::kEnable;  // fRtsControl
    bool abort_on_error = false;           // fAbortOnError
    uint16_t reserved = 0;                 // wReserved
    uint8_t byte_size = 8;                 // ByteSize
    uint8_t parity = 0;                    // Parity: 0 none
    uint8_t stop_bits = 0;                 // StopBits: 0 one stop bit
};

struct PortTimeouts {
    uint32_t read_interval;
    uint32_t read_total_multiplier;
    uint32_t read_total_constant;
    uint32_t write_total_multiplier;
    uint32_t write_total_constant;
};

// Speed bits of the driver's settable-speed mask (Windows BAUD_* values).
enum : uint32_t {
    kBaud9600 = 0x00000800,
    kBaud19200 = 0x00002000,
    kBaud38400 = 0x00004000,
    kBaud57600 = 0x00040000,
    kBaud115200 = 0x00020000,
};

// Line error bits (Windows CE_* values).
enum : uint32_t {
    kLineRxOver = 0x0001,
    kLineOverrun = 0x0002,
    kLineParity = 0x0004,
    kLineFrame = 0x0008
};

struct PortProperties {
    uint32_t packet_length;   // bytes in the property block (62 on Windows)
    uint32_t packet_version;  // 2 expected
    uint32_t settable_baud;   // kBaud* mask
};

struct SerialPort {
    virtual ~SerialPort() = default;
    virtual bool SetQueueSizes(uint32_t in_bytes, uint32_t out_bytes) = 0;
    virtual bool GetLine(LineSettings* line) = 0;
    virtual bool SetLine(const LineSettings& line) = 0;
    virtual bool SetTimeouts(const PortTimeouts& t) = 0;
    virtual bool GetProperties(PortProperties* props) = 0;
    // Discards both queues and aborts pending transfers.
    virtual bool Purge() = 0;
    virtual bool Write(const uint8_t* data, uint32_t count, uint32_t* written) = 0;
    // Returns at once with at most count bytes from the input queue.
    virtual bool Read(uint8_t* data, uint32_t count, uint32_t* got) = 0;
    // Line error bits (cleared by the call) and bytes waiting in the input queue.
    virtual bool GetStatus(uint32_t* errors, uint32_t* in_queue) = 0;
    // Blocks until input is waiting or ms milliseconds have passed. False when the driver
    // cannot wait for input (the Win32 comm handle is synchronous): the caller then waits on
    // the message pump in short slices and asks again.
    virtual bool WaitForInput(uint32_t) { return false; }
};

// Opens ports by their name ("COM1" to "COM4").
struct SerialDriver {
    virtual ~SerialDriver() = default;
    // Exclusive, existing device only; nullptr when it cannot be opened.
    virtual std::unique_ptr<SerialPort> Open(const std::string& name) = 0;
};
