// The in-process front-end: a serial driver whose port hands what the PC writes to the camera
// core and reads what the camera queued. The core answers within the Write call, so a test
// never waits for a reply that is not already there.
#include "sim/sim_driver.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <utime.h>

#include "base/platform.h"
#include "sim/sim_camera.h"
#include "sim/sim_images.h"

namespace {

const std::vector<uint8_t>& Empty() {
    static const std::vector<uint8_t> empty;
    return empty;
}

struct SimPort : SerialPort {
    SimPort(SimCamera* cam, std::shared_ptr<bool> open) : cam_(cam), open_(std::move(open)) {
        *open_ = true;
    }
    ~SimPort() override { *open_ = false; }
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;

    bool SetQueueSizes(uint32_t, uint32_t) override { return true; }
    bool GetLine(LineSettings* line) override {
        *line = line_;
        return true;
    }
    bool SetLine(const LineSettings& line) override {
        line_ = line;
        return true;
    }
    bool SetTimeouts(const PortTimeouts&) override { return true; }
    bool GetProperties(PortProperties* props) override {
        props->packet_length = 62;
        props->packet_version = 2;
        props->settable_baud = kBaud9600 | kBaud19200 | kBaud38400 | kBaud57600 | kBaud115200;
        return true;
    }
    bool Purge() override {
        if (cam_->unplugged) return false;
        cam_->out.clear();
        return true;
    }
    bool Write(const uint8_t* data, uint32_t count, uint32_t* written) override {
        if (cam_->unplugged) return false;
        SimFeed(*cam_, data, count, line_.baud_rate, Plat().time->TickCount());
        *written = count;
        return true;
    }
    bool Read(uint8_t* data, uint32_t count, uint32_t* got) override {
        if (cam_->unplugged) return false;
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(count, cam_->out.size()));
        std::copy(cam_->out.begin(), cam_->out.begin() + n, data);
        cam_->out.erase(cam_->out.begin(), cam_->out.begin() + n);
        *got = n;
        return true;
    }
    // The camera answers inside Write: what is not there now comes only after more is written.
    bool WaitForInput(uint32_t ms) override {
        Plat().time->Sleep(ms);
        return true;
    }
    bool GetStatus(uint32_t* errors, uint32_t* in_queue) override {
        *errors = 0;
        *in_queue = static_cast<uint32_t>(cam_->out.size());
        return !cam_->unplugged;
    }

private:
    SimCamera* cam_;  // not owned
    std::shared_ptr<bool> open_;
    LineSettings line_;
};

}  // namespace

std::unique_ptr<SimCamera> MakeSimCamera(const SimConfig& cfg) {
    auto cam = std::make_unique<SimCamera>();
    cam->cfg = cfg;
    if (cam->cfg.model < 1 || cam->cfg.model > 3) cam->cfg.model = 2;
    const int model = cam->cfg.model;
    const uint32_t now = SimSecondsOf(cam->clock);
    if (!cfg.dir.empty()) {
        SimLoadFolder(cfg.dir, model, now, &cam->images);
        if (model == 1 && cam->images.size() > 100) cam->images.resize(100);
    } else {
        const int count = std::max(0, std::min(cfg.images, model == 1 ? 100 : 65535));
        for (int i = 1; i <= count; ++i) {
            // One picture a day up to today, each a few minutes later in the day.
            const uint32_t seconds = now - static_cast<uint32_t>(count - i) * 86400u -
                                     static_cast<uint32_t>(count - i) * 420u;
            cam->images.push_back(SimGenerateImage(model, i, cfg.seed, seconds));
        }
    }
    return cam;
}

bool AddSimFault(SimCamera& cam, const std::string& spec) {
    SimFault f;
    bool is_speed = false;
    uint8_t code = 0;
    if (!ParseSimFault(spec, &f, &is_speed, &code)) return false;
    if (is_speed)
        cam.speed_code = code;
    else
        cam.faults.push_back(f);
    cam.log.push_back("   fault " + spec);
    return true;
}

int SimImageCount(const SimCamera& cam) {
    return static_cast<int>(cam.images.size());
}

const std::vector<uint8_t>& SimImage(const SimCamera& cam, int number) {
    if (number < 1 || number > SimImageCount(cam)) return Empty();
    return cam.images[number - 1].jpeg;
}

const std::vector<uint8_t>& SimThumbnail(const SimCamera& cam, int number) {
    if (number < 1 || number > SimImageCount(cam)) return Empty();
    return cam.images[number - 1].thumbnail;
}

const std::vector<std::string>& SimViolations(const SimCamera& cam) {
    return cam.violations;
}

uint8_t SimSpeedCode(const SimCamera& cam) {
    return cam.speed_code;
}

void SimSetClock(SimCamera& cam, int year, int month, int day, int hour, int minute) {
    cam.clock = SimClock{year, month, day, hour, minute};
}

void SimGetClock(const SimCamera& cam, int* year, int* month, int* day, int* hour, int* minute) {
    *year = cam.clock.year;
    *month = cam.clock.month;
    *day = cam.clock.day;
    *hour = cam.clock.hour;
    *minute = cam.clock.minute;
}

const std::vector<std::string>& SimLog(const SimCamera& cam) {
    return cam.log;
}

const std::vector<std::vector<uint8_t>>& SimRequests(const SimCamera& cam) {
    return cam.requests;
}

bool SimSaveCard(const SimCamera& cam, const std::string& dir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::u8path(dir);
    fs::create_directories(folder, ec);
    std::vector<fs::path> old;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        if (it->path().extension() == ".jpg") old.push_back(it->path());
    }
    if (ec) return false;
    for (const fs::path& p : old) fs::remove(p, ec);
    bool ok = true;
    for (size_t i = 0; i < cam.images.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%04zu.jpg", i + 1);
        std::ofstream f(folder / name, std::ios::binary);
        const std::vector<uint8_t>& jpeg = cam.images[i].jpeg;
        f.write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
        f.close();
        ok = ok && bool(f);
        // The file's time keeps the picture's date for a picture without a dated segment.
        if (cam.images[i].seconds != 0) {
            struct utimbuf times;
            times.actime = times.modtime = static_cast<time_t>(cam.images[i].seconds);
            utime((folder / name).u8string().c_str(), &times);
        }
    }
    std::ofstream clock(folder / "clock");
    clock << cam.clock.year << ' ' << cam.clock.month << ' ' << cam.clock.day << ' '
          << cam.clock.hour << ' ' << cam.clock.minute << '\n';
    return ok && bool(clock);
}

void SimLoadCardClock(SimCamera& cam, const std::string& dir) {
    std::ifstream f(std::filesystem::u8path(dir) / "clock");
    SimClock c;
    if (f >> c.year >> c.month >> c.day >> c.hour >> c.minute) cam.clock = c;
}

SimDriver::SimDriver(SimCamera& cam, std::string port_name)
    : cam_(&cam), port_name_(std::move(port_name)), port_open_(std::make_shared<bool>(false)) {}

std::unique_ptr<SerialPort> SimDriver::Open(const std::string& name) {
    if (name != port_name_ || *port_open_) return nullptr;
    return std::make_unique<SimPort>(cam_, port_open_);
}
