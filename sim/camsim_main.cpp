// vistrel-camsim: the simulated camera behind a pseudo-terminal, for the CLI and for the Windows
// program under Wine. The PC side opens the slave (through the symbolic link) and sets its line
// speed there; we keep our own slave descriptor open both to read that speed and so that the
// master never sees a hang-up when the PC side closes and reopens the link.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

uint32_t NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

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

int Usage() {
    fprintf(stderr,
            "usage: vistrel-camsim --model N --link PATH [--images N | --dir DIR]\n"
            "                      [--fault SPEC]... [--memory BYTES] [--seed N]\n");
    return 2;
}

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
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long n = 0;
        if (a == "--model" && ParseUnsigned(v, 3, &n) && n >= 1) {
            cfg.model = static_cast<int>(n);
        } else if (a == "--link" && v != nullptr) {
            link = v;
        } else if (a == "--images" && ParseUnsigned(v, 65535, &n)) {
            cfg.images = static_cast<int>(n);
        } else if (a == "--dir" && v != nullptr) {
            cfg.dir = v;
        } else if (a == "--fault" && v != nullptr) {
            faults.push_back(v);
        } else if (a == "--memory" && ParseUnsigned(v, 0xFFFFFFFFul, &n)) {
            cfg.memory_limit = static_cast<uint32_t>(n);
        } else if (a == "--seed" && ParseUnsigned(v, 0xFFFFFFFFul, &n)) {
            cfg.seed = static_cast<uint32_t>(n);
        } else {
            return Usage();
        }
        ++i;
    }
    if (link.empty()) return Usage();

    std::unique_ptr<SimCamera> cam = MakeSimCamera(cfg);
    for (const std::string& f : faults) {
        if (!AddSimFault(*cam, f)) {
            fprintf(stderr, "vistrel-camsim: bad fault spec '%s'\n", f.c_str());
            return 2;
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

    std::vector<uint8_t> pending;  // camera output not yet taken by the master
    uint8_t buf[4096];
    while (!g_stop) {
        pollfd p{master.get(), static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
        const int r = poll(&p, 1, 200);
        if (r < 0) {
            if (errno == EINTR) continue;
            perror("vistrel-camsim: poll");
            return 1;
        }
        if (r == 0) continue;
        if (p.revents & POLLIN) {
            const ssize_t n = read(master.get(), buf, sizeof buf);
            if (n > 0) {
                termios now;
                uint32_t baud = 0;
                if (tcgetattr(slave.get(), &now) == 0) baud = BaudOf(cfgetospeed(&now));
                SimFeed(*cam, buf, static_cast<size_t>(n), baud, NowMs());
                pending.insert(pending.end(), cam->out.begin(), cam->out.end());
                cam->out.clear();
                FlushLog(*cam, &shown);
            }
        }
        if (!pending.empty()) {
            const ssize_t n = write(master.get(), pending.data(), pending.size());
            if (n > 0) pending.erase(pending.begin(), pending.begin() + n);
        }
    }
    fprintf(stderr, "vistrel-camsim: stopped\n");
    return 0;
}
