// vistrel-cli: the command-line camera and image tool. The command line is read by CLI11; each
// command group adds its subcommands (cli/commands.h). Exit codes: 0 done, 1 failed, 2 the
// command line was wrong (nothing was done), 130 interrupted by Ctrl-C.
#include <cstdio>
#include <iostream>
#include <string>

#include "base/platform.h"
#include "cli/commands.h"
#include "cli/terminal.h"

#ifndef VISTREL_VERSION
#define VISTREL_VERSION "unknown"
#endif

namespace {

const char kFooter[] =
    "Options may stand before or after the command; --opt=value works as well as --opt value.\n"
    "Image numbers: 3, 1-3, 7- (7 to the last), lists 1-3,5,7- and several operands; all.\n"
    "Exit status: 0 done, 1 failed, 2 wrong command line (nothing done), 130 interrupted.\n"
    "Settings (com, baudrate, dir) change only through 'vistrel-cli config'; see its --help.";

void DefineGlobalOptions(CLI::App& app, CliArgs& args) {
    app.set_version_flag("--version", "vistrel-cli " VISTREL_VERSION);
    app.add_option("--port", args.port,
                   "serial device (/dev/ttyUSB0), COM1..COM4 (/dev/ttyS0..3), or "
                   "sim:model=N,images=K[,fault=SPEC]...[,card=DIR] for the built-in simulated "
                   "camera; without it the remembered COM port")
        ->option_text("DEVICE");
    app.add_option("--speed", args.speed,
                   "line speed for this run: 9600, 19200, 38400, 57600 or 115200 (default: the "
                   "remembered baudrate)")
        ->option_text("BPS");
    CLI::Option* yes = app.add_flag("-y,--yes", args.yes, "answer Yes to every question");
    CLI::Option* no = app.add_flag("-n,--no", args.no, "answer No to every question");
    yes->excludes(no);
    CLI::Option* quiet = app.add_flag("-q,--quiet", args.quiet,
                                      "no progress and no remarks: only errors and the results");
    CLI::Option* verbose = app.add_flag(
        "-v,--verbose", args.verbose,
        "show each request to the camera and each reply in hex, and the codes of failures");
    quiet->excludes(verbose);
}

// The one place where anything is caught: CLI11 reports a command line it cannot take (and
// --help and --version) by throwing. The subcommands are defined inside too, so that a slip in
// a definition is reported instead of ending the program. Returns the exit code when the run
// ends here, -1 when *chosen is to run.
int ParseCommandLine(int argc, char** argv, CLI::App& app, CliArgs& args, CliCommands* commands,
                     const CliCommand** chosen) {
    try {
        DefineGlobalOptions(app, args);
        AddCameraCommands(app, args, commands);
        AddCodecCommands(app, args, commands);
        AddEditCommands(app, args, commands);
        AddConfigCommands(app, args, commands);
        AddAlbumCommands(app, args, commands);
        AddSheetCommands(app, args, commands);
        for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; }))
            sub->fallthrough();
        app.require_subcommand(1);
        app.footer(kFooter);
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::ParseError& e) {
        const std::vector<CLI::App*> given = app.get_subcommands();
        std::string why = e.what();
        const std::string see = given.empty() ? "vistrel-cli --help"
                                              : "vistrel-cli " + given[0]->get_name() + " --help";
        const bool no_command = dynamic_cast<const CLI::ExtrasError*>(&e) ||
                                dynamic_cast<const CLI::RequiredError*>(&e);
        if (given.empty() && no_command) {
            // No command was recognised: name the word that stood where it should.
            const std::vector<std::string> left = app.remaining();
            why = left.empty() ? "a command is required" : "unknown command '" + left[0] + "'";
        }
        std::fprintf(stderr, "vistrel-cli: %s (see %s)\n", why.c_str(), see.c_str());
        return kExitUsage;
    } catch (const CLI::Error& e) {
        std::fprintf(stderr, "vistrel-cli: %s\n", e.what());
        return kExitUsage;
    }
    for (const CliCommand& c : *commands) {
        if (c.app->parsed()) {
            *chosen = &c;
            return -1;
        }
    }
    std::fprintf(stderr, "vistrel-cli: a command is required (see vistrel-cli --help)\n");
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"The command-line camera and image tool of Vistrel.", "vistrel-cli"};
    CliArgs args;
    CliCommands commands;
    const CliCommand* chosen = nullptr;
    const int ended = ParseCommandLine(argc, argv, app, args, &commands, &chosen);
    if (ended >= 0) return ended;

    SetQuiet(args.quiet);
    SetVerbose(args.verbose);
    TerminalPrompts prompts;
    prompts.answer = args.yes ? kBoxYes : args.no ? kBoxNo : 0;
    Platform p = Plat();
    p.prompts = &prompts;
    ScopedPlatform scoped(p);
    return chosen->run(args);
}
