// vistrel-cli against vistrel-camsim over a pseudo-terminal. The expected image bytes come from
// a simulated camera of the same configuration made here, since the simulator's pictures are
// generated from a seed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "codec_test_support.h"
#include "sim/sim_driver.h"
#include "support/run_command.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

class CliE2E : public ::testing::Test {
protected:
    std::string work = Env("VISTREL_WORK_DIR");
    std::string link = Env("VISTREL_CAMSIM_LINK");
    std::string cli = Env("VISTREL_BIN_DIR") + "/vistrel-cli";

    void SetUp() override {
        ASSERT_FALSE(link.empty()) << "run through scripts/run-with-camsim";
        ASSERT_EQ(std::system(("rm -rf '" + work + "' && mkdir -p '" + work + "/cfg'").c_str()), 0);
    }

    // Runs the tool with the simulator's terminal as its port; stdout and stderr together.
    CommandRun Cli(const std::string& args) {
        const std::string cmd = "VISTREL_CONFIG_DIR='" + work + "/cfg' '" + cli + "' --port '" +
                                link + "' " + args + " </dev/null 2>&1";
        return RunCommandLine(cmd);
    }

    // Sends a picture into the camera, copies image `number` back, and checks the two match.
    void PutAndGetBack(const std::vector<uint8_t>& picture, int number) {
        WriteBytes(work + "/upload.jpg", picture);
        CommandRun r = Cli("put '" + work + "/upload.jpg' --yes");
        ASSERT_EQ(r.status, 0) << r.out;
        r = Cli("get " + std::to_string(number) + " --dir '" + work + "/back'");
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(ReadBytes(work + "/back/DSC0001.jpg"), picture);
    }

    bool Exists(const std::string& path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0;
    }
};

std::vector<uint8_t> ExpectedImage(int model, int images, int n) {
    SimConfig cfg;
    cfg.model = model;
    cfg.images = images;
    std::unique_ptr<SimCamera> cam = MakeSimCamera(cfg);
    return SimImage(*cam, n);
}

TEST_F(CliE2E, Model2) {
    CommandRun r = Cli("info");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("images 4"), std::string::npos) << r.out;

    const std::string dir = work + "/photos";
    r = Cli("get 2-3 --dir '" + dir + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ReadBytes(dir + "/DSC0001.jpg"), ExpectedImage(2, 4, 2));
    EXPECT_EQ(ReadBytes(dir + "/DSC0002.jpg"), ExpectedImage(2, 4, 3));
    // A second transfer into the same folder goes on from the highest number.
    r = Cli("get 1 --dir '" + dir + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ReadBytes(dir + "/DSC0003.jpg"), ExpectedImage(2, 4, 1));

    // A 640 x 480 picture with the camera's own sampling goes in unchanged.
    JpegSpec spec;
    spec.width = 640;
    spec.height = 480;
    spec.h0 = 2;
    spec.v0 = 1;
    PutAndGetBack(MakeJpeg(spec), 5);

    r = Cli("delete 1 --yes");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("camera holds 4 image(s)"), std::string::npos) << r.out;

    r = Cli("clock --set \"2001-02-03 16:05\"");
    ASSERT_EQ(r.status, 0) << r.out;
    r = Cli("clock");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("camera clock 2001-02-03 16:05"), std::string::npos) << r.out;
    r = Cli("clock --set \"1999-02-29 10:00\"");
    EXPECT_NE(r.status, 0) << r.out;
}

TEST_F(CliE2E, Model1) {
    CommandRun r = Cli("list");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Image No.3::"), std::string::npos) << r.out;

    const std::string dir = work + "/photos";
    r = Cli("get all --dir '" + dir + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    for (int n = 1; n <= 3; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "/DSC%04d.jpg", n);
        EXPECT_EQ(ReadBytes(dir + name), ExpectedImage(1, 3, n)) << name;
    }

    // A small picture in the camera's sampling is sent as it is, in the smallest size class.
    JpegSpec spec;
    spec.width = 320;
    spec.height = 240;
    spec.h0 = 4;
    spec.v0 = 1;
    spec.quality = 60;
    const std::vector<uint8_t> picture = MakeJpeg(spec);
    ASSERT_LT(picture.size(), 21504u);
    PutAndGetBack(picture, 4);

    r = Cli("delete 2 --yes");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("camera holds 3 image(s)"), std::string::npos) << r.out;

    r = Cli("clock");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("This function is not available on this camera."), std::string::npos)
        << r.out;
}

TEST_F(CliE2E, Faults) {
    // Two damaged block replies and a cut-off size reply are all retried: the files are whole.
    const std::string dir = work + "/photos";
    CommandRun r = Cli("get all --dir '" + dir + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    for (int n = 1; n <= 3; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "/DSC%04d.jpg", n);
        EXPECT_EQ(ReadBytes(dir + name), ExpectedImage(2, 3, n)) << name;
    }
}

TEST_F(CliE2E, FailingReads) {
    // Every block read is refused: the command fails and leaves no partial file behind.
    const std::string dir = work + "/photos";
    CommandRun r = Cli("get all --dir '" + dir + "'");
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Unexpected error has occurred during image transfer."), std::string::npos)
        << r.out;
    EXPECT_FALSE(Exists(dir + "/DSC0001.jpg"));
    EXPECT_FALSE(Exists(dir + "/DSC0002.jpg"));
}

}  // namespace
