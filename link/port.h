// The COM port of the camera: naming, opening at the camera's fixed line format, speed
// changes, paced and block writes, and the calibrated busy-wait that every fixed delay of the
// link uses.
#pragma once
#include <cstdint>
#include <string>

#include "link/link_error.h"
#include "link/camera_link.h"

// The line speed of a code, or 0 for an invalid code.
uint32_t BaudRateOfCode(BaudCode code);
// Whether writes at that speed are paced byte by byte.
bool CodeNeedsPacing(BaudCode code);

// "COM1" to "COM4" (any case of "com" unless the plug-in profile is in force); else "COM1".
std::string NormalizePortName(const std::string& name);

LinkError OpenPort(CameraLink& s);
LinkError OpenPortQuiet(CameraLink& s);
LinkError ConfigurePort(SerialPort& port);
LinkError SetPortSpeed(SerialPort& port, BaudCode code);
// The driver's settable-speed mask of the named port, -1 for a property block of another
// version, 0 when the port cannot be opened or asked.
int64_t SettableSpeeds(SerialDriver& driver, const std::string& name);
void ClosePort(CameraLink& s);
LinkError WritePacket(CameraLink& s, const uint8_t* bytes, uint32_t length);
// The same, always in one block, whatever the paced-write flag says (sequenced frames, the
// header of an upload).
LinkError WritePacketWhole(CameraLink& s, const uint8_t* bytes, uint32_t length);

// Waits ms milliseconds (a little longer, never shorter); its first milliseconds recalibrate
// the pace count, the rest blocks.
void BusyWait(uint32_t ms);

// The process-wide paced-write flag and pace count.
bool PacedWrite();
void SetPacedWrite(bool on);
uint32_t PaceCount();
void SetPaceCount(uint32_t count);
