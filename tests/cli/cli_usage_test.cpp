// vistrel-cli as its users meet it: the command line, exit codes, what goes to stdout and
// stderr, the settings file, and get's naming, against the built-in simulated camera (instant
// clock, memory kept in a card folder between runs).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/camera_segments.h"
#include "codec_test_support.h"
#include "support/run_command.h"

namespace {

struct Result {
    int status = -1;
    std::string out;  // stdout
    std::string err;  // stderr
    bool Says(const std::string& text) const {
        return out.find(text) != std::string::npos || err.find(text) != std::string::npos;
    }
    std::vector<std::string> ErrLines() const {
        std::vector<std::string> lines;
        size_t at = 0;
        while (at < err.size()) {
            size_t nl = err.find('\n', at);
            if (nl == std::string::npos) nl = err.size();
            lines.push_back(err.substr(at, nl - at));
            at = nl + 1;
        }
        return lines;
    }
};

std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class CliUsage : public ::testing::Test {
protected:
    std::string work;
    std::string cli = std::string(std::getenv("VISTREL_BIN_DIR")) + "/vistrel-cli";

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        work = std::string(std::getenv("VISTREL_BIN_DIR")) + "/../cli-usage-" + info->name();
        ASSERT_EQ(
            std::system(("rm -rf '" + work + "' && mkdir -p '" + work + "/cfg' '" + work + "/cwd'")
                            .c_str()),
            0);
        char resolved[4096];
        ASSERT_NE(realpath(work.c_str(), resolved), nullptr);
        work = resolved;
    }

    std::string Card() const { return work + "/card"; }
    std::string Port(int model, const std::string& faults = "") const {
        std::string port = "sim:model=" + std::to_string(model) + ",images=4,card=" + Card();
        if (!faults.empty()) port += ",fault=" + faults;
        return port;
    }
    std::string Settings() const { return work + "/cfg/vistrel.ini"; }

    // Runs the tool in the folder cwd (relative to the work folder) with stdin from /dev/null.
    Result Run(const std::string& args, const std::string& cwd = "cwd") {
        const std::string err = work + "/stderr";
        const std::string cmd = "cd '" + work + "/" + cwd + "' && VISTREL_CONFIG_DIR='" + work +
                                "/cfg' '" + cli + "' " + args + " </dev/null 2>'" + err + "'";
        const CommandRun run = RunCommandLine(cmd);
        Result r;
        r.status = run.status;
        r.out = run.out;
        r.err = ReadText(err);
        return r;
    }
    // The same on the simulated camera of the card.
    Result Cam(int model, const std::string& args, const std::string& faults = "") {
        return Run("--port '" + Port(model, faults) + "' " + args);
    }
    std::vector<uint8_t> CardImage(int n) {
        char name[32];
        std::snprintf(name, sizeof name, "/%04d.jpg", n);
        return ReadBytes(Card() + name);
    }
};

// A command line that is wrong: exit 2, one line that says why, and the camera never asked.
void ExpectUsageError(const Result& r, const std::string& why) {
    EXPECT_EQ(r.status, 2) << r.err;
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("vistrel-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
    EXPECT_FALSE(r.Says("Now establishing")) << r.err;
}

TEST_F(CliUsage, FlagsActOnTheirRunOnly) {
    const std::string kept = work + "/kept";
    ASSERT_EQ(mkdir(kept.c_str(), 0755), 0);
    const std::string ini =
        "; mine\r\n[ZEKAPP]\r\ncom=COM1\r\nbaudrate=384\r\ndir=" + kept + "\r\n";
    {
        std::ofstream f(Settings(), std::ios::binary);
        f << ini;
    }
    Result r = Cam(2, "--speed 115200 get 1 --dir g");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Exists(work + "/cwd/g/DSC0001.jpg"));
    EXPECT_EQ(ReadText(Settings()), ini) << "the settings file is untouched";
    // A later run without flags uses the remembered folder, from wherever it runs.
    r = Run("--port '" + Port(2) + "' get 2", ".");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Exists(kept + "/DSC0001.jpg"));
    EXPECT_FALSE(Exists(work + "/g"));
    EXPECT_EQ(ReadText(Settings()), ini);
}

TEST_F(CliUsage, ConfigIsTheOneWayToChangeSettings) {
    Result r = Run("config set baudrate 115200");
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run("config set dir .");  // kept absolute
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run("config set com com2");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(Settings()), "[ZEKAPP]\ncom=COM2\ndir=" + work + "/cwd\nbaudrate=1152\n");
    r = Run("config get baudrate");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "115200\n");
    r = Run("config list");
    EXPECT_EQ(r.out, "com=COM2\nbaudrate=115200\ndir=" + work + "/cwd\n");

    ExpectUsageError(Run("config set baudrate 1234"), "baudrate takes 9600");
    ExpectUsageError(Run("config set com COM9"), "COM1, COM2, COM3 or COM4");
    ExpectUsageError(Run("config set dir nowhere"), "nowhere: No such file or directory");
    ExpectUsageError(Run("config get colour"), "no setting 'colour'");
    EXPECT_EQ(ReadText(Settings()), "[ZEKAPP]\ncom=COM2\ndir=" + work + "/cwd\nbaudrate=1152\n");
}

// The settings file's folders are made where they are missing, and the file is written as
// every other file is: a link to it stays a link.
TEST_F(CliUsage, ConfigMakesItsFoldersAndWritesThroughALink) {
    const auto config = [&](const std::string& env, const std::string& args) {
        return RunCommandLine("cd '" + work + "/cwd' && env -u VISTREL_CONFIG_DIR " + env + " '" +
                              cli + "' " + args + " </dev/null 2>&1");
    };
    CommandRun run = config("XDG_CONFIG_HOME='" + work + "/xdg/a/b'", "config set baudrate 115200");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ReadText(work + "/xdg/a/b/vistrel/vistrel.ini"), "[ZEKAPP]\nbaudrate=1152\n");
    run = config("XDG_CONFIG_HOME='" + work + "/xdg/a/b'", "config get baudrate");
    EXPECT_EQ(run.out, "115200\n");
    // A relative XDG_CONFIG_HOME is not taken, as the base directory rules say: HOME's is.
    run = config("HOME='" + work + "/home' XDG_CONFIG_HOME=rel", "config set com com3");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ReadText(work + "/home/.config/vistrel/vistrel.ini"), "[ZEKAPP]\ncom=COM3\n");
    EXPECT_FALSE(Exists(work + "/cwd/rel"));

    ASSERT_EQ(symlink("../real.ini", (work + "/cfg/vistrel.ini").c_str()), 0);
    Result r = Run("config set baudrate 9600");
    ASSERT_EQ(r.status, 0) << r.err;
    struct stat st;
    ASSERT_EQ(lstat(Settings().c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadText(work + "/real.ini"), "[ZEKAPP]\nbaudrate=9600\n");

    // A file where a folder is to be: said, naming the settings file.
    std::ofstream(work + "/xdg/file") << "x";
    run = config("XDG_CONFIG_HOME='" + work + "/xdg/file'", "config set baudrate 115200");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(work + "/xdg/file/vistrel/vistrel.ini"), std::string::npos) << run.out;
}

TEST_F(CliUsage, ImageNumbersAreCheckedBeforeConnecting) {
    const struct {
        const char* args;
        const char* why;
    } cases[] = {
        {"get abc", "'abc' is not an image number"}, {"get '1 - 3'", "has blanks"},
        {"get 5-3", "runs downwards; write 3-5"},    {"get 0", "start at 1"},
        {"thumbs 2,x", "not an image number"},       {"delete --yes 1,,2", "not an image number"},
        {"preview all 2", "'all' stands alone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        ExpectUsageError(Cam(1, c.args), c.why);
        EXPECT_FALSE(Exists(Card())) << "the camera was not asked";
    }
    // Numbers beyond the camera's count are known once it has answered.
    Result r = Cam(2, "get 3,7");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("vistrel-cli: the camera holds images 1 to 4; there is no image 7\n"));
    EXPECT_FALSE(Exists(work + "/cwd/DSC0001.jpg"));
}

TEST_F(CliUsage, ListsOpenRangesAndSeveralOperands) {
    Result r = Cam(2, "get 1-2,4 --dir a");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.Says("copied 3 of 3 image(s)"));
    EXPECT_EQ(ReadBytes(work + "/cwd/a/DSC0003.jpg"), CardImage(4));
    r = Cam(2, "get 3- 1 --dir b");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(work + "/cwd/b/DSC0001.jpg"), CardImage(1));
    EXPECT_EQ(ReadBytes(work + "/cwd/b/DSC0003.jpg"), CardImage(4));
}

TEST_F(CliUsage, CommandLineForms) {
    // Options before or after the command, --opt=value, short forms.
    Result r = Run("info --port=" + Port(2));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "model 2\nimages 4\n");
    r = Run("-q delete 4 --port '" + Port(2) + "' -y");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.Says("camera holds 3 image(s)"));

    ExpectUsageError(Cam(2, "--yes --no info"), "--yes excludes --no");
    ExpectUsageError(Cam(2, "-y -n delete 1"), "excludes");
    ExpectUsageError(Run("nonsense"), "unknown command 'nonsense'");
    ExpectUsageError(Run(""), "a command is required");
    ExpectUsageError(Cam(2, "get --bogus"), "--bogus");
    ExpectUsageError(Cam(2, "--speed 1234 info"), "--speed takes 9600, 19200");
    ExpectUsageError(Cam(2, "clock --set 'tomorrow'"), "--set takes");
    ExpectUsageError(Cam(2, "get --filename 'x/%n.jpg'"), "without '/'");
    ExpectUsageError(Run("encode a.bmp b.jpg --quality 0"), "--quality");

    for (const char* args : {"--help", "get --help", "config --help", "--version"}) {
        SCOPED_TRACE(args);
        r = Run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(r.out.empty());
    }
    EXPECT_EQ(Run("--version").out, "vistrel-cli 1.0\n");
    EXPECT_NE(Run("get --help").out.find("--skip-existing"), std::string::npos);
}

TEST_F(CliUsage, DeleteWithNobodyToAskIsRefusedForEveryModel) {
    for (int model : {1, 2, 3}) {
        SCOPED_TRACE(model);
        ExpectUsageError(Cam(model, "delete 1"), "give --yes (or --no)");
        EXPECT_FALSE(Exists(Card()));
    }
}

TEST_F(CliUsage, InfoAndListTellModelThree) {
    Result r = Cam(3, "info");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "model 3\nimages 4\n");
    r = Cam(3, "-v list");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.Says("-> ")) << "the probe went out";
}

TEST_F(CliUsage, ErrorsSayWhatAndWhere) {
    Result r = Run("--port /nonexistent/tty info");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "vistrel-cli: Failed to open COM Port. (/nonexistent/tty: No such file or "
              "directory)\n");
    r = Cam(2, "--yes put nosuch.jpg");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "vistrel-cli: File cannot be opened. (nosuch.jpg: No such file or "
              "directory)\n");
    EXPECT_FALSE(Exists(Card())) << "checked before connecting";
    ASSERT_EQ(std::system(("touch '" + work + "/cwd/plain'").c_str()), 0);
    r = Cam(2, "get 1 --dir plain/sub");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("vistrel-cli: Cannot copy This Directory. Please Change Directory. "
                         "(plain/sub: Not a directory)"),
              std::string::npos)
        << r.err;
    // The code of a failure only with --verbose; every error line is the tool's.
    r = Cam(2, "info", "status:16:5");
    EXPECT_EQ(r.status, 1);
    for (const std::string& line : r.ErrLines())
        if (line.find("rror") != std::string::npos) {
            EXPECT_EQ(line.rfind("vistrel-cli: ", 0), 0u) << line;
        }
    EXPECT_FALSE(r.Says("code"));
    r = Cam(2, "-v info", "status:16:5");
    EXPECT_TRUE(r.Says("vistrel-cli: camera command failed (code 93)\n")) << r.err;
}

TEST_F(CliUsage, QuietSaysOnlyResultsAndVerboseShowsTheBytes) {
    Result r = Cam(2, "-q get 1-2");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.Says("copied 2 of 2 image(s)"));
    r = Cam(1, "--verbose info");
    EXPECT_EQ(r.status, 0);
    // The first request: the signature, command 4 (set speed) with its one byte, at 9600.
    EXPECT_NE(r.err.find("-> 18 bytes: 5A 45 4B 20 44 53 43 20 50 43 20 20 00 00 00 01 04 01\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("<- "), std::string::npos) << r.err;
}

TEST_F(CliUsage, SkipExistingCopiesEachImageOnce) {
    ASSERT_EQ(Cam(2, "get 2-3 --dir p").status, 0);
    Result r = Cam(2, "get 2-4 --dir p --skip-existing");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.Says("copied 1 of 3 image(s), 2 already there")) << r.out;
    EXPECT_EQ(ReadBytes(work + "/cwd/p/DSC0003.jpg"), CardImage(4));
    EXPECT_FALSE(Exists(work + "/cwd/p/DSC0004.jpg"));
}

// Images already in the folder are recognised from their size and first block: no other block
// of theirs is read. Without the flag the copies are made, and the summary says so.
TEST_F(CliUsage, SkipExistingReadsOnlyTheFirstBlockOfWhatIsThere) {
    for (int model : {1, 2}) {
        SCOPED_TRACE(model);
        ASSERT_EQ(std::system(("rm -rf '" + Card() + "' '" + work + "/cwd/p'").c_str()), 0);
        ASSERT_EQ(Cam(model, "get 2-3 --dir p").status, 0);
        Result r = Cam(model, "-v get 2-3 --dir p --skip-existing");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.Says("copied 0 of 2 image(s), 2 already there")) << r.out;
        // Block reads: signature command 30 (after the 12 signature bytes and the length), or a
        // sequenced short frame with command 30.
        const std::string block = " 00 00 00 02 1E ";
        int reads = 0;
        for (const std::string& line : r.ErrLines()) {
            if (line.rfind("-> ", 0) != 0) continue;
            if (model == 1 ? line.find(block) != std::string::npos
                           : line.find("bytes: 08 ") != std::string::npos &&
                                 line.compare(line.find("bytes: 08 ") + 15, 4, " 1E ") == 0)
                ++reads;
        }
        EXPECT_EQ(reads, 2) << r.err;
        r = Cam(model, "get 2-3 --dir p");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.Says("copied 2 of 2 image(s)")) << r.out;
        EXPECT_TRUE(r.Says("; 2 already in the folder by size and date: use --skip-existing"))
            << r.out;
    }
}

// thumbs makes its folder and, as get, never writes over a file already there.
TEST_F(CliUsage, ThumbsMakeTheirFolderAndNeverWriteOverAFile) {
    ASSERT_EQ(std::system(("rm -rf '" + work + "/cwd/t'").c_str()), 0);
    Result r = Cam(2, "thumbs 1-2 --dir t");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string kept = work + "/cwd/t/dt1.jpg";
    ASSERT_EQ(std::system(("printf 'mine' > '" + kept + "'").c_str()), 0);
    r = Cam(2, "thumbs 1-2 --dir t");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Image not saved because it already existed."), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("dt1.jpg"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(kept), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
}

// What put says: a file it refuses is named, and the result is said once.
TEST_F(CliUsage, PutNamesTheFileItRefusesAndSaysItsResultOnce) {
    ASSERT_EQ(std::system(("printf 'not a picture' > '" + work + "/cwd/bad.jpg'").c_str()), 0);
    Result r = Cam(2, "--yes put bad.jpg");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("vistrel-cli: This is not a Jpeg file. (bad.jpg)")) << r.err;
    int results = 0;
    for (const std::string& line : r.ErrLines()) results += line.find("sent 0 of 1") != line.npos;
    results += r.out.find("sent 0 of 1") != std::string::npos;
    EXPECT_EQ(results, 1) << r.out << r.err;
    WriteBytes(work + "/cwd/good.jpg", CardImage(1));
    r = Cam(2, "--yes put good.jpg");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "sent 1 of 1 file(s)\n");
    EXPECT_FALSE(r.Says("vistrel-cli:")) << r.err;
}

// COM1..COM4 name the first serial ports, as config and autodetect say.
TEST_F(CliUsage, PortComNamesTheSystemsSerialPorts) {
    for (const char* port : {"COM4", "com4"}) {
        Result r = Run(std::string("--port ") + port + " info");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.Says("/dev/ttyS3")) << r.err;
        EXPECT_FALSE(r.Says("(" + std::string(port) + ":")) << "taken as a file name: " << r.err;
    }
    Result r = Run("autodetect /nonexistent/tty");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Says("--port takes a serial device (/dev/ttyUSB0), COM1..COM4 (/dev/ttyS0..3)"))
        << r.err;
}

// The simulated camera's card keeps each picture's date from one run to the next.
TEST_F(CliUsage, CardKeepsThePicturesDates) {
    Result first = Cam(2, "list");
    ASSERT_EQ(first.status, 0) << first.err;
    Result again = Cam(2, "list");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, first.out);
}

TEST_F(CliUsage, FileNamesFromAPatternWithTheCamerasDate) {
    Result r = Cam(2, "get 1-2 --dir p --filename '%Y%m%d_%H%M_%n.jpg'");
    ASSERT_EQ(r.status, 0) << r.err;
    for (int n : {1, 2}) {
        const std::vector<uint8_t> image = CardImage(n);
        const uint32_t seconds = ThumbnailSecondsFromBytes(image.data(), image.size());
        ASSERT_NE(seconds, 0u);
        const std::time_t t = seconds;
        std::tm tm{};
        localtime_r(&t, &tm);
        char name[64];
        std::snprintf(name, sizeof name, "/cwd/p/%04d%02d%02d_%02d%02d_%d.jpg", tm.tm_year + 1900,
                      tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, n);
        EXPECT_EQ(ReadBytes(work + name), image) << name;
        struct stat st;
        ASSERT_EQ(stat((work + name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, t) << "the file's time is the picture's";
    }
    // A name the pattern gives twice is never written over.
    r = Cam(2, "get 3-4 --dir q --filename same.jpg");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(work + "/cwd/q/same.jpg"), CardImage(3));
    EXPECT_TRUE(r.Says("vistrel-cli: Image not saved because it already existed. (q/same.jpg)\n"))
        << r.err;
}

// Runs the tool with fork and exec: stderr on the given descriptor, stdout discarded.
pid_t Spawn(const std::string& cli, const std::vector<std::string>& args, const std::string& cfg,
            int err_fd) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setenv("VISTREL_CONFIG_DIR", cfg.c_str(), 1);
    int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(err_fd, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(cli.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(cli.c_str(), argv.data());
    _exit(127);
}

std::string ReadAll(int fd) {
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, size_t(n));
    return out;
}

TEST_F(CliUsage, EachImagesBarEndsAtAHundredPercent) {
    // stderr on a terminal, as a person sees it.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    const pid_t pid =
        Spawn(cli, {"--port", Port(2), "get", "1-3", "--dir", work + "/p"}, work + "/cfg", slave);
    close(slave);
    const std::string shown = ReadAll(master);  // ends with EIO once the tool has exited
    close(master);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 0) << shown;
    int bars = 0;
    size_t at = 0;
    while ((at = shown.find("Image No.", at)) != std::string::npos) {
        const size_t end = shown.find('\n', at);
        std::string line = shown.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();  // the terminal's line end
        const std::string last =
            line.substr(line.rfind('\r') == std::string::npos ? 0 : line.rfind('\r') + 1);
        if (last.find('%') != std::string::npos) {
            ++bars;
            EXPECT_NE(last.find("] 100%"), std::string::npos) << last;
        }
        at = end == std::string::npos ? shown.size() : end;
    }
    EXPECT_EQ(bars, 3) << shown;
}

TEST_F(CliUsage, CtrlCDuringATransferExits130) {
    // The tool's stderr goes into a small pipe that is read only after the Ctrl-C: the tool
    // cannot get far past its first line (its port opened) before the Ctrl-C reaches it.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_GT(fcntl(fds[0], F_SETPIPE_SZ, 4096), 0);
    const std::string port = "sim:model=2,images=20,card=" + Card();
    const pid_t pid =
        Spawn(cli, {"-v", "--port", port, "get", "--dir", work + "/p"}, work + "/cfg", fds[1]);
    close(fds[1]);
    char first = 0;
    ASSERT_EQ(read(fds[0], &first, 1), 1);  // under way
    ASSERT_EQ(kill(pid, SIGINT), 0);
    const std::string err = first + ReadAll(fds[0]);
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(err.find("vistrel-cli: interrupted"), std::string::npos);
    EXPECT_FALSE(Exists(work + "/p/DSC0020.jpg")) << "stopped between images";
}

TEST_F(CliUsage, ManualPageNamesEveryOption) {
    const std::string page =
        ReadText(std::string(std::getenv("VISTREL_SOURCE_DIR")) + "/cli/vistrel-cli.1");
    std::string help;
    for (const char* args : {"--help", "get --help", "thumbs --help", "clock --help",
                             "encode --help", "fit --help", "config --help"})
        help += Run(args).out;
    size_t at = 0;
    while ((at = help.find("--", at)) != std::string::npos) {
        size_t end = at + 2;
        while (end < help.size() &&
               (std::isalnum(static_cast<unsigned char>(help[end])) || help[end] == '-'))
            ++end;
        const std::string option = help.substr(at, end - at);
        at = end;
        if (option == "--" || option == "--opt") continue;
        // roff writes a minus as \-.
        std::string roff;
        for (char c : option) roff += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(page.find(roff), std::string::npos) << option;
    }
}

}  // namespace
