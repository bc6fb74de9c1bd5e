// The commands of vistrel-cli. Each group lives in its own *_commands.cpp file and adds its
// subcommands to the command line (CLI11) through a function called once from main; main
// parses, and runs the one chosen with what the command line gave.
#pragma once
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

// Exit codes of every command.
enum ExitCode { kExitDone = 0, kExitFailed = 1, kExitUsage = 2, kExitInterrupted = 130 };

// Everything the command line gave; each command reads its own part.
struct CliArgs {
    // The camera options (before or after the command name).
    std::string port;   // device path, or "sim:model=N,images=K,..."
    std::string speed;  // bit/s
    bool yes = false;
    bool no = false;
    bool quiet = false;
    bool verbose = false;
    // Image numbers, files, devices, or the config key and value.
    std::vector<std::string> operands;
    // get and thumbs
    std::string dir;
    bool skip_existing = false;
    std::string filename;  // get's --filename pattern; empty for DSC numbering
    // clock
    std::string set_clock;
    bool set_from_pc = false;
    // The image commands.
    std::string input;
    std::string output;
    int quality = 0;  // 0: the standard quality
    std::string sampling;
    int size_class = -1;
    // sheet
    std::string layout;  // empty: album for albums, else fit
    bool print_name = false;
    bool print_date = false;
    std::string paper = "a4";
};

struct CliCommand {
    CLI::App* app;  // the subcommand; owned by the command line
    int (*run)(const CliArgs& args);
};
using CliCommands = std::vector<CliCommand>;

// decode, encode, reduce, expand, fit (cli/codec_commands.cpp).
void AddCodecCommands(CLI::App& app, CliArgs& args, CliCommands* commands);
// info FILE... (the image half of info).
int RunImageInfo(const CliArgs& args);
// The camera commands, and info, which is about files when it is given some
// (cli/camera_commands.cpp).
void AddCameraCommands(CLI::App& app, CliArgs& args, CliCommands* commands);
// config get|set|list (cli/config_commands.cpp).
void AddConfigCommands(CLI::App& app, CliArgs& args, CliCommands* commands);
// album new|list|add|mark|thumbs|check (cli/album_commands.cpp).
void AddAlbumCommands(CLI::App& app, CliArgs& args, CliCommands* commands);
// rotate, resize, cut and adjust (cli/edit_commands.cpp).
void AddEditCommands(CLI::App& app, CliArgs& args, CliCommands* commands);
// sheet ALB|FILE... OUT.pdf: print sheets as a PDF file (cli/sheet_commands.cpp).
void AddSheetCommands(CLI::App& app, CliArgs& args, CliCommands* commands);
