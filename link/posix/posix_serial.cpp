// termios behind the serial seam. The line is raw 8N1; the RTS handshake becomes hardware flow
// control on devices that have modem lines (a pseudo-terminal has none and needs none). Reads
// never block, like a Win32 comm handle whose read interval time-out is MAXDWORD.
#include "link/posix/posix_serial.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

struct SpeedPair {
    uint32_t rate;
    speed_t speed;
};
const SpeedPair kSpeeds[] = {
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};

speed_t SpeedOf(uint32_t rate) {
    for (const SpeedPair& p : kSpeeds)
        if (p.rate == rate) return p.speed;
    return B0;
}

uint32_t RateOf(speed_t speed) {
    for (const SpeedPair& p : kSpeeds)
        if (p.speed == speed) return p.rate;
    return 0;
}

uint64_t NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}

class PosixPort : public SerialPort {
public:
    explicit PosixPort(int fd) : fd_(fd) {
        int modem = 0;
        has_modem_lines_ = ioctl(fd_, TIOCMGET, &modem) == 0;
    }
    ~PosixPort() override { close(fd_); }
    PosixPort(const PosixPort&) = delete;
    PosixPort& operator=(const PosixPort&) = delete;

    bool SetQueueSizes(uint32_t, uint32_t) override { return true; }

    bool GetLine(LineSettings* line) override {
        termios t;
        if (tcgetattr(fd_, &t) != 0) return false;
        *line = line_;
        line->baud_rate = RateOf(cfgetospeed(&t));
        return true;
    }

    bool SetLine(const LineSettings& line) override {
        speed_t speed = SpeedOf(line.baud_rate);
        if (speed == B0) return false;
        termios t;
        if (tcgetattr(fd_, &t) != 0) return false;
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        t.c_cflag |= line.byte_size == 7 ? CS7 : CS8;
        if (line.parity != 0) t.c_cflag |= PARENB | (line.parity == 1 ? PARODD : 0);
        if (line.stop_bits == 2) t.c_cflag |= CSTOPB;
        if (has_modem_lines_ && (line.rts == RtsControl::kHandshake || line.cts_flow))
            t.c_cflag |= CRTSCTS;
        if (line.xon_in) t.c_iflag |= IXOFF;
        if (line.xon_out) t.c_iflag |= IXON;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        if (tcsetattr(fd_, TCSANOW, &t) != 0) return false;
        line_ = line;
        return true;
    }

    bool SetTimeouts(const PortTimeouts& t) override {
        timeouts_ = t;
        return true;
    }

    bool GetProperties(PortProperties* props) override {
        props->packet_length = 62;
        props->packet_version = 2;
        props->settable_baud = kBaud9600 | kBaud19200 | kBaud38400 | kBaud57600 | kBaud115200;
        return true;
    }

    bool Purge() override { return tcflush(fd_, TCIOFLUSH) == 0; }

    bool Write(const uint8_t* data, uint32_t count, uint32_t* written) override {
        *written = 0;
        const uint64_t limit = uint64_t(timeouts_.write_total_constant) +
                               uint64_t(timeouts_.write_total_multiplier) * count;
        const uint64_t start = NowMs();
        while (*written < count) {
            ssize_t n = write(fd_, data + *written, count - *written);
            if (n > 0) {
                *written += static_cast<uint32_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            uint64_t spent = NowMs() - start;
            if (limit != 0 && spent >= limit) return true;  // a short write, as on Windows
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, static_cast<int>(limit == 0 ? 100 : limit - spent));
        }
        return true;
    }

    bool Read(uint8_t* data, uint32_t count, uint32_t* got) override {
        *got = 0;
        if (count == 0) return true;
        ssize_t n = read(fd_, data, count);
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        *got = static_cast<uint32_t>(n);
        return true;
    }

    bool WaitForInput(uint32_t ms) override {
        pollfd p{fd_, POLLIN, 0};
        // A signal (Ctrl-C) ends the wait early; the caller looks at its flags and asks again.
        poll(&p, 1, static_cast<int>(ms > 0x7FFFFFFFu ? 0x7FFFFFFFu : ms));
        return true;
    }

    bool GetStatus(uint32_t* errors, uint32_t* in_queue) override {
        int n = 0;
        if (ioctl(fd_, FIONREAD, &n) != 0) return false;
        *errors = 0;
        *in_queue = n < 0 ? 0 : static_cast<uint32_t>(n);
        return true;
    }

private:
    int fd_;
    bool has_modem_lines_ = false;
    LineSettings line_;
    PortTimeouts timeouts_{0xFFFFFFFFu, 0, 0, 5, 4000};
};

}  // namespace

std::unique_ptr<SerialPort> OpenPosixSerial(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    return std::make_unique<PosixPort>(fd);
}

std::unique_ptr<SerialPort> PosixSerialDriver::Open(const std::string& name) {
    auto it = devices.find(name);
    if (it == devices.end()) return nullptr;
    return OpenPosixSerial(it->second);
}
