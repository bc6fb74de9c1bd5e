// The installer's reading of autoexec.bat for the plug-in folder: any text, any length.
#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/setup_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string folder = GuessPluginFolder(text);
    // The folder comes from one line of at most 259 characters and "Plug-Ins".
    if (folder.size() > 259 + 8) __builtin_trap();
    if (!folder.empty() && TargetPathOf(folder).size() != folder.size() + 11) __builtin_trap();
    return 0;
}
