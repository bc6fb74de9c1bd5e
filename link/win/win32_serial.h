// The Win32 serial driver: the comm API on "COM1" to "COM4", synchronous handles.
#pragma once
#include <memory>
#include <string>

#include "base/serial_port.h"

struct Win32SerialDriver : SerialDriver {
    std::unique_ptr<SerialPort> Open(const std::string& name) override;
};
