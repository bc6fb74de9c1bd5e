// The module's port settings in the registry: key Software\Vistrel\Plugin under the current
// user, values ComPort (four characters, no terminator) and BaudRate (9600, or 192, 384, 576,
// 1152 in hundreds). Failures are silent: defaults are used and nothing is saved.
#pragma once
#include <string>

#include "base/settings.h"

constexpr char kPluginKey[] = "Software\\Vistrel\\Plugin";

struct PluginPortSettings {
    std::string port = "COM1";
    unsigned long baud = 384;
};

// Reads the values over the defaults; creates the key (class "Test") when it is missing.
PluginPortSettings ReadPluginSettings();
// Writes both values, only when the key exists.
void WritePluginSettings(const PluginPortSettings& s);

// Radio ids of the port setup and the stored baud values.
int BaudRadioOfStored(unsigned long stored);   // 14..18; anything unknown is 16
unsigned long StoredOfBaudRadio(int radio);    // anything unknown is 384
int PortRadioOfName(const std::string& name);  // 10..13 from the fourth character

// The settings seam over the registry for the camera link: "com" and "baudrate" read from
// the values above. The link never writes here (the port setup alone saves).
struct RegistrySettings : SettingsStore {
    bool Get(const std::string& key, std::string* value) override;
    bool Set(const std::string& key, const std::string& value) override;
};
