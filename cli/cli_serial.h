// The serial driver as vistrel-cli uses it, around the real one (termios or the built-in
// simulated camera). A port that cannot be opened leaves its device and the system's reason for
// the error line; with --verbose every request and reply is shown on stderr in hex, as the
// simulator logs them: "-> 17 bytes: 5A 45 4B ..." for what the PC sends, "<- ..." for what
// comes back (the bytes of consecutive reads together).
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/serial_port.h"

struct CliSerialDriver : SerialDriver {
    SerialDriver* inner = nullptr;                                // not owned
    const std::map<std::string, std::string>* devices = nullptr;  // port name -> path; not owned
    bool verbose = false;
    std::unique_ptr<SerialPort> Open(const std::string& name) override;
};

// "5A 45 4B", at most max_bytes of them, then " ..." when there are more.
std::string HexBytes(const uint8_t* data, size_t count, size_t max_bytes = 24);
