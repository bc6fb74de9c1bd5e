// vistrel-camsim as the CLI meets it: a pseudo-terminal behind a symbolic link, opened and set
// up with termios. Every wait here is a bounded poll().
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/run_command.h"
#include "tests/sim/sim_wire.h"

namespace {

constexpr int kWaitMs = 5000;

std::string CamsimPath() {
    const char* dir = getenv("VISTREL_BIN_DIR");
    if (dir != nullptr) return std::string(dir) + "/vistrel-camsim";
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "vistrel-camsim";
    std::string s(self, static_cast<size_t>(n));
    return s.substr(0, s.rfind('/')) + "/vistrel-camsim";
}

// Reads from fd until `want` bytes came or kWaitMs passed without any.
Bytes ReadBytes(int fd, size_t want) {
    Bytes got;
    while (got.size() < want) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kWaitMs) <= 0) break;
        uint8_t buf[256];
        const ssize_t n = read(fd, buf, std::min(sizeof buf, want - got.size()));
        if (n <= 0) break;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

// Reads the simulator's standard error until a line contains `text`.
bool WaitForText(int fd, const std::string& text, std::string* seen) {
    while (seen->find(text) == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kWaitMs) <= 0) return false;
        char buf[512];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        seen->append(buf, static_cast<size_t>(n));
    }
    return true;
}

int OpenLink(const std::string& path, speed_t speed) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    termios t;
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

void SetSpeed(int fd, speed_t speed) {
    termios t;
    tcgetattr(fd, &t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    tcsetattr(fd, TCSANOW, &t);
}

bool WriteAll(int fd, const Bytes& b) {
    return write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size());
}

CommandRun RunCommand(const std::string& command) {
    return RunCommandLine(command + " 2>&1 </dev/null");
}

TEST(SimPty, HelpAndBadValuesSayWhatTheyMean) {
    const std::string bin = CamsimPath();
    CommandRun help = RunCommand(bin + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: vistrel-camsim"), std::string::npos) << help.out;
    CommandRun bad = RunCommand(bin + " --model 4 --link /tmp/never");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("--model takes 1, 2 or 3, not 4"), std::string::npos) << bad.out;
    CommandRun fault = RunCommand(bin + " --model 2 --link /tmp/never --fault bogus");
    EXPECT_EQ(fault.status, 2);
    EXPECT_NE(fault.out.find("not a fault spec: bogus"), std::string::npos) << fault.out;
    CommandRun unknown = RunCommand(bin + " --colour red");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.out.find("unknown option --colour"), std::string::npos) << unknown.out;
}

TEST(SimPty, IdentifyThroughTheLinkAndStopOnSigterm) {
    const std::string bin = CamsimPath();
    ASSERT_EQ(access(bin.c_str(), X_OK), 0) << bin;
    const std::string link = "/tmp/vistrel-camsim-test-" + std::to_string(getpid());
    int err_pipe[2];
    ASSERT_EQ(pipe(err_pipe), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(err_pipe[1], 2);
        close(err_pipe[0]);
        close(err_pipe[1]);
        execl(bin.c_str(), bin.c_str(), "--model", "2", "--link", link.c_str(), "--images", "2",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(err_pipe[1]);
    std::string log;
    ASSERT_TRUE(WaitForText(err_pipe[0], "ready", &log)) << log;

    int fd = OpenLink(link, B9600);
    ASSERT_GE(fd, 0);
    const Bytes identify = SigPacket(2);
    ASSERT_TRUE(WriteAll(fd, identify));
    EXPECT_EQ(ReadBytes(fd, 21), SigReplyOf(3, {'D', 'S', 'C', '2'}));

    // Set 38400: acknowledged at 9600, then understood at 38400 only.
    ASSERT_TRUE(WriteAll(fd, SigPacket(4, {1})));
    EXPECT_EQ(ReadBytes(fd, 18), SigReplyOf(1, {0}));
    SetSpeed(fd, B38400);
    ASSERT_TRUE(WriteAll(fd, SeqFrame(7)));
    EXPECT_EQ(ReadBytes(fd, 16), SeqFrame(8, {2, 0}));

    // The PC side closes and opens the link again; the camera is still there.
    close(fd);
    fd = OpenLink(link, B38400);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(WriteAll(fd, SeqFrame(31)));
    EXPECT_EQ(ReadBytes(fd, 16), Ack(0, true));
    SetSpeed(fd, B9600);
    ASSERT_TRUE(WriteAll(fd, identify));
    EXPECT_EQ(ReadBytes(fd, 21), SigReplyOf(3, {'D', 'S', 'C', '2'}));
    close(fd);
    EXPECT_TRUE(WaitForText(err_pipe[0], "<- seq cmd 31", &log)) << log;

    // A second simulator on the same link is refused; the first keeps serving it.
    CommandRun second = RunCommand(bin + " --model 1 --link " + link);
    EXPECT_EQ(second.status, 2);
    EXPECT_NE(second.out.find("another simulator serves " + link), std::string::npos) << second.out;
    fd = OpenLink(link, B9600);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(WriteAll(fd, identify));
    EXPECT_EQ(ReadBytes(fd, 21), SigReplyOf(3, {'D', 'S', 'C', '2'}));
    close(fd);

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = -1;
    for (int i = 0; i < kWaitMs / 50 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        poll(nullptr, 0, 50);
    if (status == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    close(err_pipe[0]);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed";
}

}  // namespace
