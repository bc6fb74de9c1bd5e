#include "plugin_port_by_hand.h"

#include <windows.h>

bool StorePluginPortByHand(const char port[4], unsigned long baud) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vistrel\\Plugin", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD value = baud;
    const bool ok =
        RegSetValueExA(key, "ComPort", 0, REG_SZ, reinterpret_cast<const BYTE*>(port), 4) ==
            ERROR_SUCCESS &&
        RegSetValueExA(key, "BaudRate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}
