// config: the one way the remembered settings (com, baudrate, dir in vistrel.ini) change. The
// camera commands read them and never write them; a flag such as --speed or --dir acts on its
// run alone.
#include <cerrno>
#include <cstdio>
#include <string>

#include "base/messages.h"
#include "cli/commands.h"
#include "cli/ini_settings.h"
#include "cli/terminal.h"

namespace {

bool KnownKey(const std::string& key) {
    if (IsConfigKey(key)) return true;
    std::fprintf(stderr, "vistrel-cli: no setting '%s'; the settings are com, baudrate and dir\n",
                 key.c_str());
    return false;
}

int CmdConfigGet(const CliArgs& a) {
    const std::string& key = a.operands[0];
    if (!KnownKey(key)) return kExitUsage;
    IniSettings ini(UserSettingsFile(), "ZEKAPP");
    std::string value;
    if (!ini.Get(key, &value)) {
        PrintError(key + " is not set");
        return kExitFailed;
    }
    std::printf("%s\n", ConfigValueToShow(key, value).c_str());
    return kExitDone;
}

int CmdConfigSet(const CliArgs& a) {
    const std::string& key = a.operands[0];
    if (!KnownKey(key)) return kExitUsage;
    std::string stored, error;
    if (!ConfigValueToStore(key, a.operands[1], &stored, &error)) {
        std::fprintf(stderr, "vistrel-cli: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::string path = UserSettingsFile();
    IniSettings ini(path, "ZEKAPP");
    errno = 0;
    if (!ini.Set(key, stored)) {
        NoteErrorReason(path, errno ? errno : EIO);
        ShowError(kMsgCannotCreateFile);
        return kExitFailed;
    }
    return kExitDone;
}

int CmdConfigList(const CliArgs&) {
    IniSettings ini(UserSettingsFile(), "ZEKAPP");
    for (const char* key : kConfigKeys) {
        std::string value;
        if (ini.Get(key, &value))
            std::printf("%s=%s\n", key, ConfigValueToShow(key, value).c_str());
    }
    return kExitDone;
}

}  // namespace

void AddConfigCommands(CLI::App& app, CliArgs& args, CliCommands* commands) {
    CLI::App* config = app.add_subcommand(
        "config",
        "show or change the remembered settings: com (COM1..COM4), baudrate (bit/s), "
        "dir (the folder of get)");
    config->require_subcommand(1);
    config->footer(
        "The settings live in vistrel.ini, section ZEKAPP, in $VISTREL_CONFIG_DIR, "
        "else $XDG_CONFIG_HOME/vistrel, else ~/.config/vistrel.");
    CLI::App* get = config->add_subcommand("get", "print one setting");
    get->add_option("KEY", args.operands, "com, baudrate or dir")->required()->expected(1);
    commands->push_back({get, CmdConfigGet});
    CLI::App* set = config->add_subcommand("set", "change one setting");
    set->add_option("KEY VALUE", args.operands, "com COM2, baudrate 115200, dir FOLDER")
        ->required()
        ->expected(2);
    commands->push_back({set, CmdConfigSet});
    commands->push_back(
        {config->add_subcommand("list", "print the settings that are set"), CmdConfigList});
}
