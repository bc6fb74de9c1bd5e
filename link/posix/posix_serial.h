// The POSIX serial driver: ports named "COM1" to "COM4" map to device paths (a real serial
// device or a pseudo-terminal such as the simulator's), opened exclusively through termios.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "base/serial_port.h"

struct PosixSerialDriver : SerialDriver {
    // Port name -> device path. A name without a mapping cannot be opened.
    std::map<std::string, std::string> devices;
    std::unique_ptr<SerialPort> Open(const std::string& name) override;
};

// Opens a device path directly (used by the command-line tool and tests).
std::unique_ptr<SerialPort> OpenPosixSerial(const std::string& path);
