// The settings seam over a private-profile (INI) file: one section, values as text. A missing
// file reads as every key missing; the first write creates it.
#pragma once
#include <string>

#include "base/settings.h"

struct IniSettings : SettingsStore {
    std::string path;     // full path of the file
    std::string section;  // e.g. "ZEKAPP"

    bool Get(const std::string& key, std::string* value) override;
    bool Set(const std::string& key, const std::string& value) override;
};
