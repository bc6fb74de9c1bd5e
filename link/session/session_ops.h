// One camera session for one user command: open the port, agree a line speed, learn the model,
// enter play mode, do the work, end the session and close the port. The three connect
// sequences differ in what they do once connected; all reach the user only through the seams.
#pragma once
#include <cstdint>
#include <string>

#include "link/link_error.h"
#include "link/session/camera_session.h"

enum class ConnectPurpose { kBrowse, kUpload, kClock };

// "baudrate" setting <-> speed code.
BaudCode SpeedCodeOfSetting(const std::string& value);
std::string SettingOfSpeedCode(BaudCode code);

// Reads "com" and "baudrate" into the session and readies the request packet.
void LoadPortSettings(CameraSession& s);
void SaveSpeed(BaudCode code);

// The speed negotiation with its fallbacks (the port is open at 9600).
LinkError NegotiateSpeed(CameraSession& s);
// The whole connect sequence of a command, including the work and the end of the session.
LinkError Connect(CameraSession& s, ConnectPurpose purpose);
// Sends the end-session command of the last identified model's protocol.
LinkError EndSession(CameraSession& s);
// What the thumbnail browser does when it closes: wait 1500 ms, end the session, close the port.
void EndBrowserSession(CameraSession& s);
// The connection notice with its pause rule; false when it cannot be shown.
bool ShowStartStatus(CameraSession& s, bool on);
// Model digit of the identify reply -> camera model (2 for "2" and "3"; the probe refines).
int ModelOfDigit(int digit);

// Scans COM1 to COM4 for a camera; returns the port number or 0.
int AutoSetup(CameraSession& s);

// The port setup dialog's logic.
struct PortSetupState {
    std::string port;   // chosen port name
    BaudCode code = 1;  // chosen speed code
    BaudCode initial_code = 1;
};
// Opening: the remembered port and speed; without a valid remembered speed, the first that
// the driver can set of 38400, 57600, 19200, 9600, 115200 (38400 when none).
PortSetupState PortSetupOpen(CameraSession& s);
BaudCode InitialSpeedFromMask(int64_t mask);
void PortSetupOk(const PortSetupState& st);
void PortSetupCancel(PortSetupState& st);
// Returns the port number found (0 for none); the chosen port follows it.
int PortSetupAutoSetup(CameraSession& s, PortSetupState& st);
