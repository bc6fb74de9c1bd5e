#include "plugin/win/plugin_settings.h"

#include <windows.h>

#include <cstring>

namespace {

struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};

}  // namespace

PluginPortSettings ReadPluginSettings() {
    PluginPortSettings s;
    Key key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPluginKey, 0, KEY_READ, &key.h) != ERROR_SUCCESS) {
        key.h = nullptr;
        char cls[] = "Test";
        DWORD disposition = 0;
        RegCreateKeyExA(HKEY_CURRENT_USER, kPluginKey, 0, cls, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key.h, &disposition);
        return s;
    }
    char port[16] = "";
    DWORD type = 0, size = sizeof port - 1;
    if (RegQueryValueExA(key.h, "ComPort", nullptr, &type, reinterpret_cast<BYTE*>(port), &size) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_BINARY)) {
        port[size < sizeof port ? size : sizeof port - 1] = '\0';
        s.port = port;
    }
    DWORD baud = 0;
    size = sizeof baud;
    if (RegQueryValueExA(key.h, "BaudRate", nullptr, &type, reinterpret_cast<BYTE*>(&baud),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD) {
        s.baud = baud;
    }
    return s;
}

void WritePluginSettings(const PluginPortSettings& s) {
    Key key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPluginKey, 0, KEY_WRITE, &key.h) != ERROR_SUCCESS) {
        key.h = nullptr;
        return;
    }
    char port[4] = {'C', 'O', 'M', '1'};
    std::memcpy(port, s.port.c_str(), s.port.size() < 4 ? s.port.size() : 4);
    RegSetValueExA(key.h, "ComPort", 0, REG_SZ, reinterpret_cast<const BYTE*>(port), 4);
    const DWORD baud = s.baud;
    RegSetValueExA(key.h, "BaudRate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&baud),
                   sizeof baud);
}

int BaudRadioOfStored(unsigned long stored) {
    switch (stored) {
        case 9600:
            return 14;
        case 192:
            return 15;
        case 576:
            return 17;
        case 1152:
            return 18;
        default:
            return 16;
    }
}

unsigned long StoredOfBaudRadio(int radio) {
    switch (radio) {
        case 14:
            return 9600;
        case 15:
            return 192;
        case 17:
            return 576;
        case 18:
            return 1152;
        default:
            return 384;
    }
}

int PortRadioOfName(const std::string& name) {
    const char c = name.size() > 3 ? name[3] : '1';
    if (c == '2') return 11;
    if (c == '3') return 12;
    if (c == '4') return 13;
    return 10;
}

bool RegistrySettings::Get(const std::string& key, std::string* value) {
    const PluginPortSettings s = ReadPluginSettings();
    if (key == "com") {
        // Anything but COM1..COM4 connects on COM1.
        const bool ok = s.port.size() == 4 && s.port.compare(0, 3, "COM") == 0 &&
                        s.port[3] >= '1' && s.port[3] <= '4';
        *value = ok ? s.port : "COM1";
        return true;
    }
    if (key == "baudrate") {
        *value = std::to_string(StoredOfBaudRadio(BaudRadioOfStored(s.baud)));
        return true;
    }
    return false;
}

bool RegistrySettings::Set(const std::string&, const std::string&) {
    return false;
}
