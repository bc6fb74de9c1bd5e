// vistrel-camsim: the simulated camera behind a pseudo-terminal, for the CLI and for the Windows
// program under Wine. The PC side opens the slave (through the symbolic link) and sets its line
// speed there; we keep our own slave descriptor open both to read that speed and so that the
// master never sees a hang-up when the PC side closes and reopens the link.
//
// A pty moves bytes as fast as the processes can copy them. With --realtime the simulator puts
// the line's pace back: what it reads is taken to have arrived at the PC's line speed, a reply
// starts only once its request is wholly in, and its bytes go to the master no faster than a
// real line of the camera's speed would carry them. The pace follows a real monotonic clock, so
// this is for benchmarks by hand; tests use the in-process driver on a fake clock.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "sim/sim_camera.h"
#include "sim/sim_driver.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}

class ScopedFd {
public:
    explicit ScopedFd(int fd = -1) : fd_(fd) {}
    ~ScopedFd() {
        if (fd_ >= 0) close(fd_);
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Removes the link on every way out of main.
class ScopedLink {
public:
    explicit ScopedLink(std::string path) : path_(std::move(path)) {}
    ~ScopedLink() {
        if (!path_.empty()) unlink(path_.c_str());
    }
    ScopedLink(const ScopedLink&) = delete;
    ScopedLink& operator=(const ScopedLink&) = delete;

private:
    std::string path_;
};

int64_t NowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

uint32_t MsOf(int64_t ns) {
    return static_cast<uint32_t>(static_cast<uint64_t>(ns / 1000000));
}

// Nanoseconds that `bytes` take on an 8N1 line at `baud`: ten bit times each (start bit, eight
// data bits, stop bit), rounded up so that a byte is never early.
constexpr int64_t kNsPerSecond = 1000000000;
int64_t WireNs(uint64_t bytes, uint32_t baud) {
    if (baud == 0) return 0;
    return static_cast<int64_t>((bytes * 10 * kNsPerSecond + baud - 1) / baud);
}

// The camera's transmitter. Each reply is queued with the speed it goes out at and the time it
// may start (when its request was wholly received). A run of bytes is timed from its first
// byte's start, so late wake-ups never add up: at any moment exactly the bytes that a real line
// would have finished are out. A speed of 0 means no pacing at all.
class WirePacer {
public:
    void Queue(std::deque<uint8_t>& bytes, uint32_t baud, int64_t ready_ns) {
        if (bytes.empty()) return;
        queue_.push_back(Burst{std::vector<uint8_t>(bytes.begin(), bytes.end()), baud, ready_ns});
        bytes.clear();
    }

    bool blocked() const { return blocked_; }

    // Drops everything queued, as a line with nobody at the other end would.
    void Clear() {
        queue_.clear();
        sent_ = 0;
        running_ = false;
        blocked_ = false;
    }

    // The master could not take more: the line is held, as by the PC's handshake, and starts
    // again from now once the master is writable.
    void Unblock(int64_t now) {
        if (!blocked_) return;
        blocked_ = false;
        running_ = false;
        wire_free_ns_ = std::max(wire_free_ns_, now);
    }

    // Writes what a line would have delivered by `now`; false on a write error.
    bool Send(int fd, int64_t now) {
        while (!queue_.empty() && !blocked_) {
            const Burst& b = queue_.front();
            Arm();
            const size_t due = Due(now);
            if (due == 0) return true;
            const ssize_t n = write(fd, b.bytes.data() + sent_, due);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno != EAGAIN) return false;
                blocked_ = true;
                return true;
            }
            sent_ += static_cast<size_t>(n);
            wire_free_ns_ = RunNs(sent_ - run_first_);
            if (static_cast<size_t>(n) < due) {
                blocked_ = true;
                return true;
            }
            if (sent_ == b.bytes.size()) {
                queue_.pop_front();
                sent_ = 0;
                running_ = false;
            }
        }
        return true;
    }

    // When Send next has something to do; -1 when only new input or writability can change
    // that. A wake-up lets out up to a millisecond's worth of bytes, and always lands on the
    // exact end of a reply.
    int64_t NextWakeNs() {
        if (queue_.empty() || blocked_) return -1;
        Arm();
        const Burst& b = queue_.front();
        if (b.baud == 0) return 0;
        const size_t chunk = std::max<size_t>(1, b.baud / 10000);
        const size_t done = sent_ - run_first_;
        return RunNs(done + std::min(chunk, b.bytes.size() - sent_));
    }

private:
    struct Burst {
        std::vector<uint8_t> bytes;
        uint32_t baud;
        int64_t ready_ns;
    };

    // Starts timing a run at the front burst's next byte.
    void Arm() {
        if (running_ || queue_.empty()) return;
        run_origin_ns_ = std::max(wire_free_ns_, queue_.front().ready_ns);
        run_first_ = sent_;
        running_ = true;
    }

    // When the first k bytes of the current run are wholly on the wire.
    int64_t RunNs(size_t k) const { return run_origin_ns_ + WireNs(k, queue_.front().baud); }

    // Bytes of the front burst due by now and not yet written.
    size_t Due(int64_t now) const {
        const Burst& b = queue_.front();
        const size_t left = b.bytes.size() - sent_;
        if (b.baud == 0) return left;
        if (now <= run_origin_ns_) return 0;
        const uint64_t finished =
            static_cast<uint64_t>(now - run_origin_ns_) * b.baud / (10 * kNsPerSecond);
        const size_t done = sent_ - run_first_;
        if (finished <= done) return 0;
        return std::min<size_t>(left, static_cast<size_t>(finished - done));
    }

    std::deque<Burst> queue_;
    size_t sent_ = 0;            // bytes of the front burst written to the master
    bool running_ = false;       // run_origin_ns_ and run_first_ are set for the front burst
    bool blocked_ = false;       // the master took less than was due
    int64_t run_origin_ns_ = 0;  // start of the current run's first byte
    size_t run_first_ = 0;       // index of that byte in the front burst
    int64_t wire_free_ns_ = 0;   // end of the last byte written
};

uint32_t BaudOf(speed_t s) {
    switch (s) {
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 0;
    }
}

const char kUsage[] =
    "usage: vistrel-camsim --model N --link PATH [--images N | --dir DIR]\n"
    "                      [--fault SPEC]... [--memory BYTES] [--seed N] [--realtime]\n"
    "Serves a simulated camera on a pseudo-terminal; PATH becomes a symbolic link to it.\n"
    "  --model N      camera model 1, 2 or 3\n"
    "  --link PATH    the link the PC side opens (refused while another simulator serves it)\n"
    "  --images N     generated images, 0 to 65535 (model 1: at most 100)\n"
    "  --dir DIR      serve the JPEG files of DIR instead\n"
    "  --fault SPEC   noise:CMD:N, drop:CMD, corrupt:CMD[:OFF], checksum:CMD, status:CMD:S,\n"
    "                 noreply:CMD, unplug:CMD, emptylast or speed:CODE; *N limits it\n"
    "                 to N requests\n"
    "  --memory BYTES image bytes the camera holds (default 8 MiB)\n"
    "  --seed N       seed of the generated pictures\n"
    "  --realtime     run at the line's real pace (8N1, 10 bits a byte at the current\n"
    "                 speed): requests take their wire time to arrive, replies go out no\n"
    "                 faster than the line carries them (for benchmarks, not tests)\n"
    "  --help         this text\n";

int Refuse(const std::string& why) {
    fprintf(stderr, "vistrel-camsim: %s (see --help)\n", why.c_str());
    return 2;
}

// Held for the simulator's lifetime: a second simulator on the same link is refused instead
// of taking the link away from the first.
class LinkLock {
public:
    explicit LinkLock(std::string path) : path_(std::move(path) + ".lock") {}
    ~LinkLock() {
        if (fd_ >= 0) {
            unlink(path_.c_str());
            close(fd_);
        }
    }
    LinkLock(const LinkLock&) = delete;
    LinkLock& operator=(const LinkLock&) = delete;
    bool Take() {
        fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        return false;
    }

private:
    std::string path_;
    int fd_ = -1;
};

bool ParseUnsigned(const char* s, unsigned long max, unsigned long* out) {
    if (s == nullptr || *s == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long v = strtoul(s, &end, 10);
    if (errno != 0 || *end != '\0' || v > max || s[0] == '-') return false;
    *out = v;
    return true;
}

void FlushLog(SimCamera& cam, size_t* shown) {
    for (; *shown < cam.log.size(); ++*shown) fprintf(stderr, "%s\n", cam.log[*shown].c_str());
    // The log would grow without end in a long run; what was printed is not needed again.
    if (cam.log.size() > 4096) {
        cam.log.clear();
        *shown = 0;
    }
    cam.requests.clear();
}

}  // namespace

int main(int argc, char** argv) {
    SimConfig cfg;
    std::string link;
    std::vector<std::string> faults;
    bool realtime = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--realtime") {
            realtime = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            fputs(kUsage, stdout);
            return 0;
        }
        const bool known = a == "--model" || a == "--link" || a == "--images" || a == "--dir" ||
                           a == "--fault" || a == "--memory" || a == "--seed";
        if (!known) return Refuse("unknown option " + a);
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (v == nullptr) return Refuse(a + " needs a value");
        unsigned long n = 0;
        if (a == "--model") {
            if (!ParseUnsigned(v, 3, &n) || n < 1)
                return Refuse("--model takes 1, 2 or 3, not " + std::string(v));
            cfg.model = static_cast<int>(n);
        } else if (a == "--link") {
            link = v;
        } else if (a == "--images") {
            if (!ParseUnsigned(v, 65535, &n))
                return Refuse("--images takes 0 to 65535, not " + std::string(v));
            cfg.images = static_cast<int>(n);
        } else if (a == "--dir") {
            cfg.dir = v;
        } else if (a == "--fault") {
            faults.push_back(v);
        } else if (a == "--memory") {
            if (!ParseUnsigned(v, 0xFFFFFFFFul, &n))
                return Refuse("--memory takes a byte count, not " + std::string(v));
            cfg.memory_limit = static_cast<uint32_t>(n);
        } else {
            if (!ParseUnsigned(v, 0xFFFFFFFFul, &n))
                return Refuse("--seed takes a number, not " + std::string(v));
            cfg.seed = static_cast<uint32_t>(n);
        }
        ++i;
    }
    if (link.empty()) return Refuse("--link PATH is needed");
    LinkLock lock(link);
    if (!lock.Take()) return Refuse("another simulator serves " + link);

    std::unique_ptr<SimCamera> cam = MakeSimCamera(cfg);
    for (const std::string& f : faults) {
        if (!AddSimFault(*cam, f)) {
            return Refuse("not a fault spec: " + f);
        }
    }

    ScopedFd master(posix_openpt(O_RDWR | O_NOCTTY));
    if (master.get() < 0 || grantpt(master.get()) != 0 || unlockpt(master.get()) != 0) {
        perror("vistrel-camsim: pseudo-terminal");
        return 1;
    }
    const char* slave_name = ptsname(master.get());
    if (slave_name == nullptr) {
        perror("vistrel-camsim: ptsname");
        return 1;
    }
    const std::string slave_path = slave_name;
    ScopedFd slave(open(slave_path.c_str(), O_RDWR | O_NOCTTY));
    if (slave.get() < 0) {
        perror("vistrel-camsim: slave");
        return 1;
    }
    termios t;
    if (tcgetattr(slave.get(), &t) != 0) {
        perror("vistrel-camsim: tcgetattr");
        return 1;
    }
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(slave.get(), TCSANOW, &t);
    fcntl(master.get(), F_SETFL, fcntl(master.get(), F_GETFL) | O_NONBLOCK);

    // Replace an old link, but never a file that is not one.
    struct stat st;
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            fprintf(stderr, "vistrel-camsim: %s exists and is not a symbolic link\n", link.c_str());
            return 1;
        }
        unlink(link.c_str());
    }
    if (symlink(slave_path.c_str(), link.c_str()) != 0) {
        perror("vistrel-camsim: symlink");
        return 1;
    }
    ScopedLink remove_link(link);

    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    fprintf(stderr, "vistrel-camsim: model %d, %d images, %s -> %s ready\n", cam->cfg.model,
            SimImageCount(*cam), link.c_str(), slave_path.c_str());
    size_t shown = 0;
    FlushLog(*cam, &shown);

    WirePacer pacer;
    int64_t rx_free_ns = 0;  // when the camera has wholly received what was read so far
    uint8_t buf[4096];
    while (!g_stop) {
        // Sleep until input, until the next paced bytes are due, or at most 200 ms (to see a
        // stop signal).
        int64_t wait_ns = 200 * 1000000;
        const int64_t wake = pacer.NextWakeNs();
        if (wake >= 0) wait_ns = std::min(wait_ns, std::max<int64_t>(0, wake - NowNs()));
        const timespec timeout{static_cast<time_t>(wait_ns / kNsPerSecond),
                               static_cast<long>(wait_ns % kNsPerSecond)};
        pollfd p{master.get(), static_cast<short>(POLLIN | (pacer.blocked() ? POLLOUT : 0)), 0};
        const int r = ppoll(&p, 1, &timeout, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            perror("vistrel-camsim: poll");
            return 1;
        }
        if (r > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(master.get(), buf, sizeof buf);
            if (n > 0) {
                const int64_t now = NowNs();
                termios line;
                uint32_t baud = 0;
                if (tcgetattr(slave.get(), &line) == 0) baud = BaudOf(cfgetospeed(&line));
                // A reply goes out at the speed the camera had when its request came in, also
                // when that request changes the speed.
                const uint32_t reply_baud = realtime ? SimBaudOfCode(SimSpeedCode(*cam)) : 0;
                int64_t arrived = now;
                if (realtime) {
                    rx_free_ns = std::max(rx_free_ns, now) + WireNs(static_cast<size_t>(n), baud);
                    arrived = rx_free_ns;
                }
                SimFeed(*cam, buf, static_cast<size_t>(n), baud, MsOf(arrived));
                pacer.Queue(cam->out, reply_baud, arrived);
                FlushLog(*cam, &shown);
                if (cam->unplugged) {
                    // The cable is pulled: the terminal goes away, as a USB adapter does.
                    fprintf(stderr, "vistrel-camsim: unplugged\n");
                    return 0;
                }
            }
        }
        const int64_t now = NowNs();
        if (r > 0 && (p.revents & POLLOUT)) pacer.Unblock(now);
        if (!pacer.Send(master.get(), now)) {
            perror("vistrel-camsim: write");
            pacer.Clear();
        }
    }
    fprintf(stderr, "vistrel-camsim: stopped\n");
    return 0;
}
