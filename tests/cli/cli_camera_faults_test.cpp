// vistrel-cli against its built-in simulated camera with faults. The camera keeps its memory in a
// folder between runs (the port's card=DIR), so each test can look at what a command left in
// the camera as well as on the disk; it answers on an instant clock, so time-outs cost nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codec_test_support.h"
#include "support/run_command.h"

namespace {

struct Result {
    int status = -1;
    std::string out;
    bool Says(const std::string& text) const { return out.find(text) != std::string::npos; }
    int Count(const std::string& text) const {
        int n = 0;
        for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++n;
        return n;
    }
};

class CliFaults : public ::testing::Test {
protected:
    std::string work;
    std::string cli = std::string(std::getenv("VISTREL_BIN_DIR")) + "/vistrel-cli";

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        work = std::string(std::getenv("VISTREL_BIN_DIR")) + "/../cli-faults-" + info->name();
        ASSERT_EQ(std::system(("rm -rf '" + work + "' && mkdir -p '" + work + "/cfg'").c_str()), 0);
    }

    std::string Card() const { return work + "/card"; }

    // Runs the tool on the simulated camera of the card; stdout and stderr together.
    Result Cli(int model, const std::string& faults, const std::string& args) {
        std::string port = "sim:model=" + std::to_string(model) + ",images=4,card=" + Card();
        if (!faults.empty()) port += ",fault=" + faults;
        const std::string cmd = "VISTREL_CONFIG_DIR='" + work + "/cfg' '" + cli + "' --port '" +
                                port + "' " + args + " </dev/null 2>&1";
        const CommandRun run = RunCommandLine(cmd);
        Result r;
        r.status = run.status;
        r.out = run.out;
        return r;
    }

    // The camera's images as the card holds them.
    std::vector<std::vector<uint8_t>> Images() {
        std::vector<std::vector<uint8_t>> out;
        for (int n = 1;; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "/%04d.jpg", n);
            std::vector<uint8_t> bytes = ReadBytes(Card() + name);
            if (bytes.empty()) return out;
            out.push_back(bytes);
        }
    }

    static bool Exists(const std::string& path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0;
    }
};

// The camera deletes, renumbers and then its answer is lost or damaged: only the asked image
// may go, and the run says it went.
TEST_F(CliFaults, DeleteWhoseAnswerIsLostDeletesOnlyTheAskedImage) {
    for (int model : {1, 2}) {
        for (const char* fault : {"noreply:17*1", "corrupt:17*1", "drop:17*1"}) {
            SCOPED_TRACE(std::string(fault) + " model " + std::to_string(model));
            ASSERT_EQ(std::system(("rm -rf '" + Card() + "'").c_str()), 0);
            ASSERT_EQ(Cli(model, "", "info").status, 0);
            const auto before = Images();
            ASSERT_EQ(before.size(), 4u);
            Result r = Cli(model, fault, "--yes delete 3");
            EXPECT_EQ(r.status, 0) << r.out;
            EXPECT_TRUE(r.Says("camera holds 3 image(s)")) << r.out;
            EXPECT_EQ(Images(),
                      (std::vector<std::vector<uint8_t>>{before[0], before[1], before[3]}));
        }
    }
}

TEST_F(CliFaults, Model2GetWithOneFailingImageFailsAndSaysHowMany) {
    const std::string dir = work + "/photos";
    Result r = Cli(2, "status:26:2*1", "get all --dir '" + dir + "'");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(r.Says("copied 3 of 4 image(s)")) << r.out;
    EXPECT_EQ(r.Count("vistrel-cli: Data error has occurred.\n"), 1) << r.out;
    // The three others are whole, under the numbers that follow the failed one.
    EXPECT_FALSE(Exists(dir + "/DSC0001.jpg"));
    const auto images = Images();
    EXPECT_EQ(ReadBytes(dir + "/DSC0002.jpg"), images[1]);
    EXPECT_EQ(ReadBytes(dir + "/DSC0004.jpg"), images[3]);
}

TEST_F(CliFaults, CameraLeftAt19200IsReached) {
    for (const char* speed : {"", "--speed 19200 "}) {
        SCOPED_TRACE(speed);
        Result r = Cli(1, "speed:13", std::string(speed) + "info");
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_TRUE(r.Says("images 4")) << r.out;
    }
}

// Camera answers that used to end with nothing but a code: each failure reaches the user with
// the program's message, once, as one line of the tool's own.
TEST_F(CliFaults, EveryFailureHasTheProgramsMessageOnce) {
    struct Case {
        int model;
        const char* fault;
        const char* args;
        const char* message;
    } cases[] = {
        {1, "status:17:1", "--yes delete 2",
         "vistrel-cli: Data error has occurred. Please turn off the camera and turn on again.\n"},
        {1, "status:17:3", "--yes delete 2", "vistrel-cli: Data error has occurred.\n"},
        {2, "status:17:2", "--yes delete 2", "vistrel-cli: Command cannot be executed.\n"},
        {2, "status:17:5", "--yes delete 2", "vistrel-cli: Camera error has occurred.\n"},
        {2, "status:52:4", "clock --set \"2020-01-01 10:00\"",
         "vistrel-cli: Camera memory is full.\n"},
        {2, "status:16:5", "info", "vistrel-cli: Camera error has occurred.\n"},
        {2, "status:21:3", "--yes put 'CARD1'", "vistrel-cli: Data error has occurred.\n"},
        {1, "status:21:4", "--yes put 'CARD1'", "vistrel-cli: Camera memory is full.\n"},
        {2, "status:5:4", "--yes put 'CARD1'", "vistrel-cli: Camera memory is full.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " model " + std::to_string(c.model));
        ASSERT_EQ(std::system(("rm -rf '" + Card() + "'").c_str()), 0);
        ASSERT_EQ(Cli(c.model, "", "info").status, 0);
        std::string args = c.args;
        const size_t at = args.find("CARD1");
        if (at != std::string::npos) {
            // The camera's own first picture goes in unchanged.
            WriteBytes(work + "/put.jpg", Images()[0]);
            args.replace(at, 5, work + "/put.jpg");
        }
        Result r = Cli(c.model, c.fault, args);
        EXPECT_NE(r.status, 0) << r.out;
        EXPECT_EQ(r.Count(c.message), 1) << r.out;
        EXPECT_FALSE(r.Says("(code ")) << "a code without words: " << r.out;
        EXPECT_EQ(Images().size(), 4u) << "a refused command changes nothing";
    }
}

TEST_F(CliFaults, PutCountsWhatWasReallySent) {
    ASSERT_EQ(Cli(2, "", "info").status, 0);
    WriteBytes(work + "/good.jpg", Images()[0]);
    WriteBytes(work + "/bad.jpg", std::vector<uint8_t>{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});
    Result r = Cli(2, "", "--yes put '" + work + "/good.jpg' '" + work + "/bad.jpg'");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(r.Says("sent 1 of 2 file(s)")) << r.out;
    EXPECT_EQ(Images().size(), 5u);
}

TEST_F(CliFaults, TruncatedModel1ImageIsKeptAndSaidSo) {
    const std::string dir = work + "/photos";
    Result r = Cli(1, "emptylast", "get 2 --dir '" + dir + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    const size_t size = Images()[1].size();
    const size_t arrived = (size - 1) / 1024 * 1024;
    EXPECT_TRUE(r.Says("Image No.2 arrived short (" + std::to_string(arrived) + " of " +
                       std::to_string(size) + " bytes)"))
        << r.out;
    EXPECT_TRUE(Exists(dir + "/DSC0001.jpg"));
    // Said even with --quiet: it is what became of the image.
    r = Cli(1, "emptylast", "-q get 2 --dir '" + dir + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Says("arrived short")) << r.out;
}

// The list arrived, then the camera never answered the end of the session: the user hears of it
// once, and the exit code does not say all went well.
TEST_F(CliFaults, Model1SessionEndWithoutAnswerFailsAfterTheWork) {
    Result r = Cli(1, "noreply:31", "list");
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_TRUE(r.Says("Image No.4")) << r.out;
    EXPECT_EQ(r.Count("vistrel-cli: Cannot access Camera."), 1) << r.out;
    EXPECT_EQ(Cli(1, "", "list").status, 0);
}

// A line that fails (no answer to a command and its retries, or the device gone) ends a run
// of many images at once, with one message that names the device; the images before it are
// kept.
TEST_F(CliFaults, LineFailureEndsTheRunWithOneMessageNamingTheDevice) {
    struct Case {
        int model;
        const char* fault;
        const char* args;
        const char* message;
    } cases[] = {
        {2, "noreply:30", "get all --dir PHOTOS",
         "vistrel-cli: Unexpected error has occurred during image transfer."},
        {2, "unplug:26*1", "get all --dir PHOTOS",
         "vistrel-cli: Unexpected error has occurred during image transfer."},
        {1, "noreply:26", "get all --dir PHOTOS", "vistrel-cli: Cannot access Camera."},
        {2, "noreply:26", "get all --dir PHOTOS", "vistrel-cli: Cannot access Camera."},
        {2, "noreply:22", "thumbs all --dir PHOTOS", "vistrel-cli: Cannot access Camera."},
        {2, "unplug:17*1", "--yes delete 2",
         "vistrel-cli: Unexpected error has occurred during delete."},
        {2, "unplug:52*1", "clock --set \"2020-01-01 10:00\"",
         "vistrel-cli: Unexpected error has occurred during clock setting."},
        {1, "unplug:17*1", "--yes delete 2", "vistrel-cli: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " model " + std::to_string(c.model) + " " + c.args);
        ASSERT_EQ(std::system(("rm -rf '" + Card() + "' '" + work + "/photos'").c_str()), 0);
        ASSERT_EQ(Cli(c.model, "", "info").status, 0);
        std::string args = c.args;
        const size_t at = args.find("PHOTOS");
        if (at != std::string::npos) args.replace(at, 6, "'" + work + "/photos'");
        Result r = Cli(c.model, c.fault, args);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(r.Count("vistrel-cli: "), 1) << r.out;
        EXPECT_EQ(r.Count(c.message), 1) << r.out;
        EXPECT_TRUE(r.Says("(the built-in simulator")) << r.out;
        EXPECT_FALSE(r.Says("image transfer") && std::string(c.args).find("get") != 0) << r.out;
    }
}

// No camera on the port: the tool says where it waits, and the failure names the device.
TEST_F(CliFaults, NoCameraSaysWhereItWaits) {
    Result r = Cli(2, "noreply:4", "info");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(r.Says("Waiting for the camera on the built-in simulator")) << r.out;
    EXPECT_EQ(r.Count("vistrel-cli: "), 1) << r.out;
    EXPECT_TRUE(
        r.Says("vistrel-cli: Cannot access Camera. Make sure Camera is turned on and "
               "properly connected. (the built-in simulator: no answer from the camera)"))
        << r.out;
}

// The camera did the work and then missed the end of the session: every model says what was
// done and that the camera may need switching off and on, once, and exits 1.
TEST_F(CliFaults, UnansweredSessionEndIsReportedAlikeForEveryModel) {
    struct Case {
        int model;
        const char* args;
        const char* done;
    } cases[] = {
        {1, "list", "after listing 4 image(s)"},
        {2, "list", "after listing 4 image(s)"},
        {3, "info", "after telling its model and count"},
        {1, "--yes delete 2", "after deleting 1 image(s)"},
        {2, "--yes delete 2", "after deleting 1 image(s)"},
        {2, "clock --set \"2020-01-01 10:00\"", "after setting the clock"},
        {2, "get 1-2 --dir PHOTOS", "after copying 2 of 2 image(s)"},
        {1, "get 1-2 --dir PHOTOS", "after copying 2 of 2 image(s)"},
        {2, "--yes put PUT", "after sending 1 file(s)"},
    };
    for (const Case& c : cases) {
        for (const char* fault : {"noreply:31", "corrupt:31"}) {
            SCOPED_TRACE(std::string(fault) + " model " + std::to_string(c.model) + " " + c.args);
            ASSERT_EQ(std::system(("rm -rf '" + Card() + "' '" + work + "/photos'").c_str()), 0);
            ASSERT_EQ(Cli(c.model, "", "info").status, 0);
            std::string args = c.args;
            size_t at = args.find("PHOTOS");
            if (at != std::string::npos) args.replace(at, 6, "'" + work + "/photos'");
            at = args.find("PUT");
            if (at != std::string::npos) {
                WriteBytes(work + "/put.jpg", Images()[0]);
                args.replace(at, 3, "'" + work + "/put.jpg'");
            }
            Result r = Cli(c.model, fault, args);
            EXPECT_EQ(r.status, 1) << r.out;
            EXPECT_EQ(r.Count("vistrel-cli: "), 1) << r.out;
            EXPECT_EQ(r.Count("vistrel-cli: Cannot access Camera."), 1) << r.out;
            EXPECT_TRUE(r.Says(c.done)) << r.out;
            EXPECT_TRUE(r.Says("it may need switching off and on")) << r.out;
        }
    }
}

}  // namespace
