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

// The settings as one run of the tool sees them: its own values (the flags of the run, what the
// camera session notes on the way, such as the speed agreed or the folder used) over the file's.
// Writes stay with the run; the file changes only through `config set`.
struct RunSettings : SettingsStore {
    explicit RunSettings(SettingsStore* file) : file_(file) {}
    bool Get(const std::string& key, std::string* value) override;
    bool Set(const std::string& key, const std::string& value) override;

private:
    SettingsStore* file_;  // not owned
    MemorySettings run_;
};

// The keys `config` reads and writes, in the order `config list` shows them.
extern const char* const kConfigKeys[3];  // "com", "baudrate", "dir"
bool IsConfigKey(const std::string& key);
// Checks a value the user gives for key and turns it into the file's form: com COM1..COM4 (any
// case), baudrate 9600..115200 in bit/s (kept as the program keeps it: 1152 for 115200), dir an
// existing folder (kept absolute). False with a one-line reason.
bool ConfigValueToStore(const std::string& key, const std::string& value, std::string* stored,
                        std::string* error);
// A value of the file as the user writes it (baudrate in bit/s).
std::string ConfigValueToShow(const std::string& key, const std::string& stored);

// $VISTREL_CONFIG_DIR, else $XDG_CONFIG_HOME/vistrel, else ~/.config/vistrel (made if missing),
// followed by "vistrel.ini".
std::string UserSettingsFile();
