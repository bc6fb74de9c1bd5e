// The camera connection record and the camera's speed codes.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "base/byte_block.h"
#include "base/serial_port.h"
#include "link/link_error.h"

using CameraPacket = std::array<uint8_t, 3000>;

// One-byte speed codes of the camera and the settings file.
using BaudCode = uint8_t;
enum : BaudCode {
    kBaud115200Code = 0,
    kBaud38400Code = 1,
    kBaud9600Code = 2,
    kBaud57600Code = 3,
    kBaud19200Code = 13,
};

// The camera connection, the one record the port and protocol functions work on: the port, the
// speed agreed, the two packets of the exchange in progress with the sequence counters, the
// buffer that block reads fill, and what the link has learnt of the camera. Every session of
// the program reuses it; what an operation keeps for itself is in the session records
// (link/session/camera_session.h).
struct CameraLink {
    std::string port_name = "COM1";
    SerialDriver* driver = nullptr;    // not owned
    std::unique_ptr<SerialPort> port;  // open port, or none
    BaudCode speed_code = kBaud38400Code;
    uint32_t request_length = 0;
    uint32_t reply_data_length = 0;
    uint8_t send_sequence = 0;
    uint8_t expected_sequence = 0;
    int32_t model = 0;  // 1, 2 or 3; 0 before the first identify
    CameraPacket request{};
    CameraPacket reply{};
    // Block reads land here in whole 1024-byte blocks; its size is checked before every block.
    ByteBlock image;
    uint32_t image_byte_size = 0;
    uint32_t block_count = 0;
    bool last_block_empty = false;  // signature block read: the last reply carried no data
    // The camera's image count as last read or kept up to date by the operations (-1: not
    // known), and model 1's quality codes of images 1 to 100 (255 = none).
    int32_t image_count = 0;
    std::array<uint8_t, 100> quality{};
    // How the camera answered the last end-session command (0: acknowledged), checked without
    // any message: the sequenced end is not checked by its callers, yet a camera that missed it
    // stays in its session at the session's speed, which a caller may want to tell the user.
    LinkError end_answer = kLinkOk;
};
