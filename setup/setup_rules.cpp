#include "setup/setup_rules.h"

#include <algorithm>

const char* const kFirstQuestion =
    "If PhtoDeluxe 2.0 is not installed,select cancel\n and install PhotoDeluxe 2.0 then setup "
    "again.";
const char* const kReplaceQuestion =
    "QX-DC4210 Plug-In Driver already exist.\nWhould you like to replace this file?";
const char* const kSetupComplete =
    "Setup is complete.\nYou will find the Plug-In driver \"Quenlar QX-DC4210\" in a section of "
    "Camera after you ran PhtoDeluxe 2.0";
const char* const kSetupError = "Error has occurred. Quit to Setup.";
const char* const kTryAnotherQuestion =
    "To install to a different directory ,click Yes and Select another directory.\nYou can "
    "choose not to install by clicking No to exit Setup.";
const char* const kSetupNotComplete =
    "Setup is not complete.\nYou may run the Setup program at a later time to complete the "
    "instollation.";
const char* const kNotReady = "Not Ready or Can not Write to Drive";

std::string SourcePathOf(const std::string& current_directory) {
    std::string path = current_directory;
    if (path.size() > 3) path += '\\';
    return path + kPluginFileName;
}

std::string TargetPathOf(const std::string& folder) {
    return folder + "\\" + kPluginFileName;
}

std::string GuessPluginFolder(const std::string& text) {
    constexpr size_t kMaxValue = 259;
    size_t at = 0;
    while ((at = text.find("SET ", at)) != std::string::npos) {
        at += 4;
        if (text.compare(at, 9, "CLASSPATH") != 0) continue;
        const size_t start = at + 9 + 1;  // past the name and the "="
        if (start > text.size()) return {};
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string value = text.substr(start, std::min(end - start, kMaxValue));
        const size_t slash = value.find_last_of('\\');
        if (slash == std::string::npos) return {};
        return value.substr(0, slash + 1) + "Plug-Ins";
    }
    return {};
}
