// The settings file of the command-line tool: any text must read and write back without harm.
#include <string>

#include "cli/ini_settings.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    const std::string& path = FuzzWriteInput(data, size);
    IniSettings ini(path, "ZEKAPP");
    std::string v;
    ini.Get("com", &v);
    ini.Get("baudrate", &v);
    ini.Set("dir", "/tmp/x");
    IniSettings again(path, "ZEKAPP");
    if (!again.Get("dir", &v) || v != "/tmp/x") __builtin_trap();
    return 0;
}
