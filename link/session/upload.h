// Sending JPEG files from the PC into the camera. Every file of the list is examined first
// against what the connected model stores (pixel size, byte size, chroma sampling); files the
// camera cannot take are reported and skipped, files of the wrong sampling are re-compressed
// into the camera's form once the user agrees, and the rest go out one by one under the
// progress dialog. The work runs inside the upload session, after the connect; the list was
// chosen before the session opened and is in s.upload.files.
#pragma once
#include <cstdint>
#include <string>

#include "link/link_error.h"
#include "link/session/camera_session.h"

// At most this many files are taken from the list.
constexpr int kMaxUploadFiles = 100;

// Upload codes: bits 0-3 the size class, bit 4 re-compression first, 255 skipped.
constexpr uint8_t kUploadSkip = 255;
constexpr uint8_t kUploadRecompress = 0x10;
constexpr uint8_t kUploadClassMask = 0x0F;

// Largest file we read whole into memory to send (larger files: "Memory cannot be allocated.").
constexpr int64_t kMaxUploadBytes = int64_t{64} << 20;

// Why a file cannot be sent (for the boxes of the examination and for tests).
enum class UploadRefusal {
    kNone,         // sendable
    kUnreadable,   // missing, empty or cannot be read
    kNotJpeg,      // fails the JPEG marker test
    kBadHeader,    // the frame header cannot be read
    kTooLarge,     // more pixels than the model's largest image
    kTooManyBytes  // more bytes than the model's size classes hold
};

// The JPEG test: 0xFF 0xD8 within the first 2048 bytes, 0xFF 0xD9 within the last 2048.
bool PassesJpegTest(const std::string& path);

// The upload code of a file for a camera model (1, 2 or 3): the size class, with
// kUploadRecompress when the sampling is not the one the model takes unchanged; kUploadSkip
// when it cannot be sent at all (why, when asked). Shows no message.
uint8_t UploadCodeOfFile(int model, const std::string& path, UploadRefusal* why = nullptr);

// Probes a model-2 camera for model 3, computes and stores the code of every file (with the
// boxes and the re-compression question), and sets a model-3 camera back to model 2. Returns
// 0, -1 (too many files, or nothing sendable) or the probe's failure.
LinkError ExamineUploadList(CameraSession& s);

// Sends file `index` of the list (its code is not kUploadSkip) into a model-1 camera, or into
// a model-2/3 camera. 101 when the user cancelled after the file was sent.
LinkError SendFileModel1(CameraSession& s, int index);
LinkError SendFileSequenced(CameraSession& s, int index);

// The whole upload: the examination, then every sendable file in list order; the first
// failure ends it (92 when the camera's memory is full).
LinkError UploadFiles(CameraSession& s);
