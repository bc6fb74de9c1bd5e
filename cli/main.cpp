// vistrel-cli: the command-line camera and image tool. Message boxes of the shared code are
// printed on stderr with their texts; a failing command exits non-zero.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/platform.h"
#include "cli/commands.h"

namespace {

std::vector<CliCommand>& Table() {
    static std::vector<CliCommand> table;
    return table;
}

struct TerminalPrompts : UserPrompts {
    int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                BoxOwner) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        return style == BoxStyle::kError || style == BoxStyle::kInfo ? kBoxOk : kBoxNo;
    }
    void SetCursor(CursorKind) override {}
};

void Usage(std::FILE* out) {
    std::fprintf(out, "usage: vistrel-cli COMMAND [ARGS]\ncommands:\n");
    for (const CliCommand& c : Table()) std::fprintf(out, "  %s %s\n", c.name, c.usage);
}

}  // namespace

void AddCommand(const CliCommand& command) {
    Table().push_back(command);
}

int main(int argc, char** argv) {
    TerminalPrompts prompts;
    Platform p = Plat();
    p.prompts = &prompts;
    ScopedPlatform scoped(p);

    RegisterCodecCommands();
#ifdef VISTREL_CLI_CAMERA_COMMANDS
    RegisterCameraCommands();
#endif
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        Usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    // Camera options may stand before the command name; they go behind it, where the camera
    // commands read them.
    std::vector<std::string> leading;
    int at = 1;
    while (at < argc && argv[at][0] == '-' && argv[at][1] == '-') {
        const bool takes_value =
            !std::strcmp(argv[at], "--port") || !std::strcmp(argv[at], "--speed");
        leading.push_back(argv[at++]);
        if (takes_value && at < argc) leading.push_back(argv[at++]);
    }
    if (at >= argc) {
        Usage(stderr);
        return 2;
    }
    std::vector<std::string> args(argv + at + 1, argv + argc);
    bool operand = false;
    for (const std::string& a : args) operand |= a.compare(0, 2, "--") != 0;
    args.insert(args.end(), leading.begin(), leading.end());
    const CliCommand* chosen = nullptr;
    for (const CliCommand& c : Table()) {
        if (std::strcmp(c.name, argv[at]) != 0) continue;
        if (!chosen || (chosen->camera && operand) || (!chosen->camera && !operand && c.camera))
            chosen = &c;
    }
    if (chosen) return chosen->run(args);
    std::fprintf(stderr, "vistrel-cli: unknown command '%s'\n", argv[at]);
    Usage(stderr);
    return 2;
}
