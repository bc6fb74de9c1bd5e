// The settings seam: one section of named string values. The program keeps it in vistrel.ini
// (section ZEKAPP), the plug-in in its registry key, the tests in memory.
#pragma once
#include <map>
#include <string>

struct SettingsStore {
    virtual ~SettingsStore() = default;
    // Returns false (and leaves *value alone) when the key is missing.
    virtual bool Get(const std::string& key, std::string* value) = 0;
    virtual bool Set(const std::string& key, const std::string& value) = 0;
};

struct MemorySettings : SettingsStore {
    std::map<std::string, std::string> values;
    bool Get(const std::string& key, std::string* value) override {
        auto it = values.find(key);
        if (it == values.end()) return false;
        *value = it->second;
        return true;
    }
    bool Set(const std::string& key, const std::string& value) override {
        values[key] = value;
        return true;
    }
};

// Reads key, or returns def when it is missing.
std::string GetSetting(SettingsStore& store, const std::string& key, const std::string& def);

// A number as the private-profile functions read one: optional blanks and a sign, then decimal
// digits, anything after them ignored. Text without digits, or a number outside int, gives def.
int ParseSettingNumber(const std::string& text, int def);
// Reads key as such a number; def when it is missing. *present (when given) says whether the
// key was there, for the readers that treat a missing key apart from an unreadable one.
int ReadSettingNumber(SettingsStore& store, const std::string& key, int def,
                      bool* present = nullptr);
