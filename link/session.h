// The program's one camera connection record. Every session reuses it: the port, the two
// packets of the exchange in progress, the image buffer of the transfer in progress, and what
// the program has learnt of the camera.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/serial_port.h"

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

struct CameraSession {
    std::string port_name = "COM1";
    SerialDriver* driver = nullptr;    // not owned
    std::unique_ptr<SerialPort> port;  // open port, or none
    BaudCode speed_code = kBaud38400Code;
    uint32_t request_length = 0;
    uint32_t expected_reply_length = 0;
    uint32_t reply_data_length = 0;
    uint8_t send_sequence = 0;
    uint8_t expected_sequence = 0;
    int32_t model = 0;  // 1, 2 or 3; 0 before the first identify
    CameraPacket request{};
    CameraPacket reply{};
    std::vector<uint8_t> image;  // block reads land here, uploads start here
    int32_t image_count = 0;
    std::array<uint8_t, 100> quality{};  // model 1: quality code of images 1 to 100, 255 = none
    uint32_t image_byte_size = 0;
    uint32_t block_count = 0;
    std::string transfer_folder;
    std::string file_name;
    int32_t last_file_number = 0;
    int32_t files_examined = 0;
    int32_t files_listed = 0;
    std::vector<std::string> upload_list;
    int32_t files_sent = 0;  // files of the upload list the camera took
    std::array<uint8_t, 100> upload_codes{};
    bool last_block_empty = false;  // signature block read: the last reply carried no data
    int32_t cancel_seen = 0;
    // Album of a transfer: none made yet since the list or browser opened; the user chose to
    // go on without one; images transferred since the browser opened (a new album every 100).
    bool no_album_yet = true;
    bool images_only = false;
    int32_t transferred_since_open = 0;
};
