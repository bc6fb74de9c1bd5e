#include "cli/cli_serial.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/terminal.h"

namespace {

void LogLine(const char* arrow, const uint8_t* data, size_t count) {
    std::fprintf(stderr, "%s %zu bytes: %s\n", arrow, count, HexBytes(data, count).c_str());
}

// Logs what passes through a port; it owns the port it wraps.
class LoggingPort : public SerialPort {
public:
    explicit LoggingPort(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}
    ~LoggingPort() override { FlushReads(); }
    LoggingPort(const LoggingPort&) = delete;
    LoggingPort& operator=(const LoggingPort&) = delete;

    bool SetQueueSizes(uint32_t in_bytes, uint32_t out_bytes) override {
        return port_->SetQueueSizes(in_bytes, out_bytes);
    }
    bool GetLine(LineSettings* line) override { return port_->GetLine(line); }
    bool SetLine(const LineSettings& line) override {
        FlushReads();
        std::fprintf(stderr, "-- line speed %u\n", line.baud_rate);
        return port_->SetLine(line);
    }
    bool SetTimeouts(const PortTimeouts& t) override { return port_->SetTimeouts(t); }
    bool GetProperties(PortProperties* props) override { return port_->GetProperties(props); }
    bool Purge() override {
        FlushReads();
        return port_->Purge();
    }
    bool Write(const uint8_t* data, uint32_t count, uint32_t* written) override {
        FlushReads();
        const bool ok = port_->Write(data, count, written);
        LogLine("->", data, ok ? *written : 0);
        return ok;
    }
    bool Read(uint8_t* data, uint32_t count, uint32_t* got) override {
        const bool ok = port_->Read(data, count, got);
        if (ok) read_.insert(read_.end(), data, data + *got);
        return ok;
    }
    bool GetStatus(uint32_t* errors, uint32_t* in_queue) override {
        return port_->GetStatus(errors, in_queue);
    }
    bool WaitForInput(uint32_t ms) override { return port_->WaitForInput(ms); }

private:
    void FlushReads() {
        if (read_.empty()) return;
        LogLine("<-", read_.data(), read_.size());
        read_.clear();
    }

    std::unique_ptr<SerialPort> port_;
    std::vector<uint8_t> read_;  // read since the last write
};

}  // namespace

std::string HexBytes(const uint8_t* data, size_t count, size_t max_bytes) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < count && i < max_bytes; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", data[i]);
        if (i) s += ' ';
        s += buf;
    }
    if (count > max_bytes) s += " ...";
    return s;
}

std::unique_ptr<SerialPort> CliSerialDriver::Open(const std::string& name) {
    std::string device = name;
    if (devices) {
        auto it = devices->find(name);
        if (it != devices->end()) device = it->second;
    }
    errno = 0;
    std::unique_ptr<SerialPort> port = inner->Open(name);
    if (!port) {
        const int error = errno;
        if (error == EWOULDBLOCK)
            NoteErrorReasonText(device + ": in use by another program");
        else if (error == ENOTTY)
            NoteErrorReasonText(device + ": not a serial device");
        else if (error != 0)
            NoteErrorReason(device, error);
        else
            NoteErrorReasonText(device + ": cannot be opened");
        return nullptr;
    }
    ClearErrorReason();
    if (!verbose) return port;
    std::fprintf(stderr, "-- %s opened\n", device.c_str());
    return std::make_unique<LoggingPort>(std::move(port));
}
