// The command-line tool's settings file: one section of a vistrel.ini in the user's
// configuration folder, kept in the same format as the Windows program's.
#pragma once
#include <string>
#include <vector>

#include "base/settings.h"

struct IniSettings : SettingsStore {
    IniSettings(std::string path, std::string section);
    bool Get(const std::string& key, std::string* value) override;
    // Writes the whole file at once; other sections and lines are kept.
    bool Set(const std::string& key, const std::string& value) override;

private:
    std::string path_;
    std::string section_;
    std::vector<std::string> lines_;
    // Index of the line of key inside our section, or -1.
    int Find(const std::string& key) const;
    bool Save() const;
};

// $VISTREL_CONFIG_DIR, else $XDG_CONFIG_HOME/vistrel, else ~/.config/vistrel (made if missing),
// followed by "vistrel.ini".
std::string UserSettingsFile();
