// The camera simulator as seen from the rest of the system: a camera of model 1, 2 or 3 with its
// images, clock and line speed, and a serial driver whose one port is wired to it. The camera is
// written from the camera's side of the wire, independently of the PC side's packet code, so that
// a slip on either side shows up as a failed exchange instead of cancelling out.
//
// The camera answers as soon as a complete request has arrived: its replies are queued for the
// PC at once, so tests of the whole protocol run on a fake clock without waiting.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/time_source.h"
#include "base/serial_port.h"
#include "sim/sim_camera.h"
#include "sim/sim_config.h"

// SimCamera (sim/sim_camera.h) is the whole state of one camera; code outside sim/ holds it and
// looks into it only through the functions below.

// Never returns nullptr; a folder that cannot be read gives a camera without images.
std::unique_ptr<SimCamera> MakeSimCamera(const SimConfig& cfg);

// Adds one fault from its text form; false (and nothing added) for a spec that does not parse.
//   noise:CMD:N     N noise bytes before the reply (never a valid frame or signature start)
//   drop:CMD        the reply is cut short (its second half is not sent)
//   corrupt:CMD     one byte of the reply is changed (signature: a signature byte; sequenced:
//                   the reply code); corrupt:CMD:OFFSET picks the byte
//   checksum:CMD    the sequenced checksum of the reply is wrong (no effect on signature replies)
//   status:CMD:S    an acknowledgement with status S instead of the normal reply (the command
//                   is not carried out)
//   noreply:CMD     no reply at all (the command is still carried out)
//   unplug:CMD      the command is carried out, then the cable is pulled: no reply, and every
//                   later call of the port fails (as a device that went away)
//   emptylast       model 1: the reply to the last block of an image carries no data
//   speed:CODE      the camera powers on at that speed code instead of 9600 (code 2)
// CMD is the command code (decimal, or hex with 0x) of the request in the protocol it arrives
// in. A suffix *N limits the fault to the first N matching requests.
bool AddSimFault(SimCamera& cam, const std::string& spec);

// Inspection for tests.
int SimImageCount(const SimCamera& cam);
const std::vector<uint8_t>& SimImage(const SimCamera& cam, int number);      // 1-based
const std::vector<uint8_t>& SimThumbnail(const SimCamera& cam, int number);  // empty if none
uint8_t SimSpeedCode(const SimCamera& cam);  // the camera's current line speed code
void SimSetClock(SimCamera& cam, int year, int month, int day, int hour, int minute);
void SimGetClock(const SimCamera& cam, int* year, int* month, int* day, int* hour, int* minute);
// One line per request, per reply and per run of bytes the camera discarded or ignored.
const std::vector<std::string>& SimLog(const SimCamera& cam);
// Requests that broke the protocol's order, one line each (empty when the PC side kept it).
const std::vector<std::string>& SimViolations(const SimCamera& cam);
// Raw request packets as received (a model-1 upload with its whole image).
const std::vector<std::vector<uint8_t>>& SimRequests(const SimCamera& cam);

// The camera's memory card as a folder, so that one simulated camera can outlive the process
// that drives it: its images as 0001.jpg, 0002.jpg ... in order, its clock in the file "clock"
// ("YYYY MM DD HH MM"). Saving replaces the folder's *.jpg files; false when a file cannot be
// written. Loading sets the clock from the file when there is one (images come through
// SimConfig::dir).
bool SimSaveCard(const SimCamera& cam, const std::string& dir);
void SimLoadCardClock(SimCamera& cam, const std::string& dir);

// Time for a front-end whose camera is in-process: the camera answers within the write, so a
// wait for more can only end in its time-out. The time moves one millisecond each time it is
// read, and a sleep moves it at once, so such waits end without blocking or spinning for real
// while the deadlines keep their arithmetic.
struct SimInstantClock : TimeSource {
    uint32_t now = 1000;
    uint32_t TickCount() override { return now++; }
    void Sleep(uint32_t ms) override { now += ms; }
};

// A serial driver with one port, named port_name, wired to the camera; other names (and a second
// open while the port is open) fail with nullptr. Read never blocks, GetStatus reports the bytes
// queued for the PC, Purge empties that queue, and SetLine's baud_rate is the PC's line speed:
// bytes written at another speed than the camera's are ignored by the camera. The camera is not
// owned and must outlive the driver and its ports.
struct SimDriver : SerialDriver {
    explicit SimDriver(SimCamera& cam, std::string port_name = "COM1");
    std::unique_ptr<SerialPort> Open(const std::string& name) override;

private:
    SimCamera* cam_;  // not owned
    std::string port_name_;
    std::shared_ptr<bool> port_open_;
};
