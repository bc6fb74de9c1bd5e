// The camera core behind both front-ends (the in-process driver and the pseudo-terminal of
// vistrel-camsim). It sees the wire as a byte stream: the front-end hands it what the PC wrote,
// with the PC's line speed and the time, and takes back what the camera answers. Everything the
// camera knows (images, clock, speed, faults, the half-received request) lives in this struct.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/sim_config.h"

// Line speed codes and the speeds they name.
enum : uint8_t {
    kSimSpeed115200 = 0,
    kSimSpeed38400 = 1,
    kSimSpeed9600 = 2,
    kSimSpeed57600 = 3,
    kSimSpeed19200 = 13
};
// 0 for a code that names no speed.
uint32_t SimBaudOfCode(uint8_t code);

enum class SimFaultKind {
    kNoise,
    kDrop,
    kCorrupt,
    kChecksum,
    kStatus,
    kNoReply,
    kEmptyLast,
    kUnplug
};

struct SimFault {
    SimFaultKind kind = SimFaultKind::kNoReply;
    int command = -1;    // request command code; -1 for emptylast
    int arg = -1;        // noise count, status byte or corrupt offset (-1: the default byte)
    int remaining = -1;  // matching requests still to hit; -1 for all of them
};

// Parses one fault spec. A speed fault yields speed_code (and no fault); false for a bad spec.
bool ParseSimFault(const std::string& spec, SimFault* fault, bool* is_speed, uint8_t* speed_code);

struct SimStoredImage {
    std::vector<uint8_t> jpeg;
    std::vector<uint8_t> thumbnail;  // empty when the camera has none
    uint8_t quality = 1;             // model 1 quality code
    uint32_t seconds = 0;            // when it was taken or stored (its thumbnail's date)
};

struct SimClock {
    int year = 2001, month = 3, day = 14, hour = 9, minute = 26;
};

struct SimCamera {
    SimConfig cfg;
    std::vector<SimStoredImage> images;
    SimClock clock;
    uint8_t speed_code = kSimSpeed9600;
    std::vector<SimFault> faults;

    // Input: bytes of a request not yet complete, and when the last of them arrived.
    std::vector<uint8_t> in;
    uint32_t last_in_ms = 0;
    // Output: bytes queued for the PC.
    std::deque<uint8_t> out;

    std::vector<std::string> log;
    std::vector<std::vector<uint8_t>> requests;

    // What the block reads read: the image or thumbnail whose size was asked last.
    enum class Selection {
        kNone,
        kImage,
        kThumbnail,
        kMissingThumbnail
    } selection = Selection::kNone;
    int selected = 0;  // image number, 1-based

    // Model-1 upload: begin-upload seen, with its size class.
    bool sig_upload_ready = false;
    uint8_t sig_upload_class = 0;
    // Models 2/3 upload in progress.
    bool seq_upload_active = false;
    uint32_t seq_upload_size = 0;
    uint32_t seq_upload_next = 0;  // index of the next block
    std::vector<uint8_t> seq_upload_data;

    // The cable was pulled: the port fails every call from then on.
    bool unplugged = false;
    // Requests that broke the protocol's order (an end of session while an upload still
    // waits for blocks), as log lines; a PC side that is right leaves it empty.
    std::vector<std::string> violations;
};

// How many log lines and raw requests the camera keeps at least (it keeps at most twice as
// many: the oldest half goes when that is reached).
constexpr size_t kSimRecordsKept = 20000;

// A request that stays incomplete longer than this is dropped when more bytes arrive.
constexpr uint32_t kSimStaleInputMs = 1000;

// Hands the camera what the PC wrote at line speed pc_baud (bits/s) at time now_ms. Replies go
// to cam.out at once.
void SimFeed(SimCamera& cam, const uint8_t* data, size_t count, uint32_t pc_baud, uint32_t now_ms);

// The bytes of the image store the camera counts against its memory limit.
uint64_t SimUsedMemory(const SimCamera& cam);
