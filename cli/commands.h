// The command table of vistrel-cli. Each group of commands lives in its own file and adds its
// entries through a registration function called once from main.
#pragma once
#include <string>
#include <vector>

struct CliCommand {
    const char* name;
    const char* usage;  // the arguments, for the help text
    // args excludes the program and the command name; returns the process exit code.
    int (*run)(const std::vector<std::string>& args);
    // A camera command; where a file command has the same name ("info"), the camera one runs
    // when no file is named.
    bool camera = false;
};

void AddCommand(const CliCommand& command);

// decode, encode, reduce, expand, fit, info (cli/codec_commands.cpp).
void RegisterCodecCommands();
// The camera commands (cli/camera_commands.cpp).
void RegisterCameraCommands();
