// The Win32 comm API behind the serial seam, one call per seam operation. The port opens
// exclusive and synchronous; with the read interval time-out at MAXDWORD a read returns at
// once with what the input queue holds.
#include "link/win/win32_serial.h"

#include <windows.h>

#include "base/win/win_handles.h"

namespace {

class Win32Port : public SerialPort {
public:
    explicit Win32Port(HANDLE h) : handle_(h), h_(h) {}
    Win32Port(const Win32Port&) = delete;
    Win32Port& operator=(const Win32Port&) = delete;

    bool SetQueueSizes(uint32_t in_bytes, uint32_t out_bytes) override {
        return SetupComm(h_, in_bytes, out_bytes) != 0;
    }

    bool GetLine(LineSettings* line) override {
        DCB d{};
        d.DCBlength = sizeof d;
        if (!GetCommState(h_, &d)) return false;
        dcb_ = d;
        line->baud_rate = d.BaudRate;
        line->binary = d.fBinary;
        line->parity_check = d.fParity;
        line->cts_flow = d.fOutxCtsFlow;
        line->dsr_flow = d.fOutxDsrFlow;
        line->dtr = static_cast<DtrControl>(d.fDtrControl);
        line->dsr_sensitivity = d.fDsrSensitivity;
        line->tx_continue_on_xoff = d.fTXContinueOnXoff;
        line->xon_out = d.fOutX;
        line->xon_in = d.fInX;
        line->error_char = d.fErrorChar;
        line->null_strip = d.fNull;
        line->rts = static_cast<RtsControl>(d.fRtsControl);
        line->abort_on_error = d.fAbortOnError;
        line->reserved = d.wReserved;
        line->byte_size = d.ByteSize;
        line->parity = d.Parity;
        line->stop_bits = d.StopBits;
        return true;
    }

    bool SetLine(const LineSettings& line) override {
        // Fields the seam does not carry keep what was last read.
        DCB d = dcb_;
        d.DCBlength = sizeof d;
        d.BaudRate = line.baud_rate;
        d.fBinary = line.binary;
        d.fParity = line.parity_check;
        d.fOutxCtsFlow = line.cts_flow;
        d.fOutxDsrFlow = line.dsr_flow;
        d.fDtrControl = static_cast<DWORD>(line.dtr);
        d.fDsrSensitivity = line.dsr_sensitivity;
        d.fTXContinueOnXoff = line.tx_continue_on_xoff;
        d.fOutX = line.xon_out;
        d.fInX = line.xon_in;
        d.fErrorChar = line.error_char;
        d.fNull = line.null_strip;
        d.fRtsControl = static_cast<DWORD>(line.rts);
        d.fAbortOnError = line.abort_on_error;
        d.wReserved = line.reserved;
        d.ByteSize = line.byte_size;
        d.Parity = line.parity;
        d.StopBits = line.stop_bits;
        if (!SetCommState(h_, &d)) return false;
        dcb_ = d;
        return true;
    }

    bool SetTimeouts(const PortTimeouts& t) override {
        COMMTIMEOUTS c{t.read_interval, t.read_total_multiplier, t.read_total_constant,
                       t.write_total_multiplier, t.write_total_constant};
        return SetCommTimeouts(h_, &c) != 0;
    }

    bool GetProperties(PortProperties* props) override {
        COMMPROP p{};
        p.wPacketLength = static_cast<WORD>(props->packet_length ? props->packet_length : sizeof p);
        if (!GetCommProperties(h_, &p)) return false;
        props->packet_length = p.wPacketLength;
        props->packet_version = p.wPacketVersion;
        props->settable_baud = p.dwSettableBaud;
        return true;
    }

    bool Purge() override {
        return PurgeComm(h_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;
    }

    bool Write(const uint8_t* data, uint32_t count, uint32_t* written) override {
        DWORD n = 0;
        BOOL ok = WriteFile(h_, data, count, &n, nullptr);
        *written = n;
        return ok != 0;
    }

    bool Read(uint8_t* data, uint32_t count, uint32_t* got) override {
        DWORD n = 0;
        BOOL ok = ReadFile(h_, data, count, &n, nullptr);
        *got = n;
        return ok != 0;
    }

    bool GetStatus(uint32_t* errors, uint32_t* in_queue) override {
        DWORD e = 0;
        COMSTAT st{};
        if (!ClearCommError(h_, &e, &st)) return false;
        *errors = e;
        *in_queue = st.cbInQue;
        return true;
    }

private:
    ScopedKernelHandle handle_;
    HANDLE h_;  // handle_'s, for the calls
    DCB dcb_{};
};

}  // namespace

std::unique_ptr<SerialPort> Win32SerialDriver::Open(const std::string& name) {
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Port>(h);
}
