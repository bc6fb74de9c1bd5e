// A camera session: the connection and the records of the operations that run in it. The
// transfer record lives as long as the list dialog or browser that transfers (its album and
// file numbering carry over from one transfer to the next); the upload record as long as one
// upload.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/camera_link.h"

// Camera-to-PC transfer into numbered "DSC" files and the album that collects them.
struct TransferRecord {
    std::string folder;            // the chosen folder
    std::string file_name;         // "DSC0001.jpg" of the image in progress
    int32_t last_file_number = 0;  // the highest DSC number used
    // None made yet since the list or browser opened; the user chose to go on without one;
    // images transferred since the browser opened (a new album every 100).
    bool no_album_yet = true;
    bool images_only = false;
    int32_t transferred_since_open = 0;
    // For a caller that names the files itself (the command-line tool); unset, the DSC
    // numbering alone names them. Called with each image once it has been read whole and
    // before it is written: *file_name holds the DSC name it would get and may be changed
    // (a name within the folder). False leaves the image out: nothing is written, it does not
    // count as copied and its DSC number stays free.
    std::function<bool(int image, const uint8_t* data, uint32_t size, std::string* file_name)>
        name_file;
    // Models 2 and 3: a run cancelled during an image that then arrived whole still saves that
    // image before it stops (the command-line tool, whose user waited for it); unset, such an
    // image is dropped, as the program's dialog does.
    bool keep_whole_on_cancel = false;
};

// PC-to-camera upload of the chosen files.
struct UploadRecord {
    std::vector<std::string> files;
    std::array<uint8_t, 100> codes{};  // per file: size class and re-compression, or skip
    std::string current_file;
    int32_t examined = 0;
    int32_t listed = 0;
    int32_t sent = 0;  // files the camera took
};

struct CameraSession : CameraLink {
    int32_t cancel_seen = 0;  // Cancel was pressed during the image or file just finished
    TransferRecord transfer;
    UploadRecord upload;
};
