#include "plugin/host/host_options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>

namespace {

enum {
    kOptNoBuffers = 256,
    kOptNoAbort,
    kOptNoProgress,
    kOptNoAdvance,
    kOptAbortAfter,
    kOptCannotFinalize,
    kOptMaxCycles,
};

bool Integer(const char* text, long lo, long hi, long* v) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (errno != 0 || *end != 0 || n < lo || n > hi) return false;
    *v = n;
    return true;
}

}  // namespace

std::string HostUsage() {
    return "usage: vistrel-acquire-host [options] MODULE\n"
           "Loads an acquire plug-in module (.8ba), runs its acquire cycles as an image editor\n"
           "does and writes each delivered picture as OUTDIR/acquire-001.ppm, ...\n"
           "  -o, --out DIR          folder for the pictures (default: the current folder)\n"
           "  -l, --log FILE         the call log goes to FILE (default: standard output)\n"
           "  -s, --space BYTES      free space the buffer suite reports (default 4194304)\n"
           "      --no-buffer-suite  offer no buffer suite\n"
           "      --no-abort         offer no abortProc\n"
           "      --no-progress      offer no progressProc\n"
           "      --no-advance-state offer no advanceState\n"
           "      --abort-after ROWS abortProc asks to stop once ROWS rows were reported\n"
           "      --cannot-finalize  tell the module that the host cannot finalize\n"
           "  -p, --play FILE        play back the descriptor in FILE (text form)\n"
           "  -r, --record[=FILE]    offer recording; print the recorded descriptor in the log\n"
           "                         (and write it to FILE)\n"
           "      --max-cycles N     stop after N acquire cycles (default 1000)\n"
           "  -a, --about            show the module's about box only\n"
           "  -h, --help             this text\n";
}

int ParseHostOptions(int argc, char** argv, HostOptions* opts, std::string* error) {
    static const option kLong[] = {
        {"out", required_argument, nullptr, 'o'},
        {"log", required_argument, nullptr, 'l'},
        {"space", required_argument, nullptr, 's'},
        {"no-buffer-suite", no_argument, nullptr, kOptNoBuffers},
        {"no-abort", no_argument, nullptr, kOptNoAbort},
        {"no-progress", no_argument, nullptr, kOptNoProgress},
        {"no-advance-state", no_argument, nullptr, kOptNoAdvance},
        {"abort-after", required_argument, nullptr, kOptAbortAfter},
        {"cannot-finalize", no_argument, nullptr, kOptCannotFinalize},
        {"play", required_argument, nullptr, 'p'},
        {"record", optional_argument, nullptr, 'r'},
        {"max-cycles", required_argument, nullptr, kOptMaxCycles},
        {"about", no_argument, nullptr, 'a'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    *opts = HostOptions();
    optind = 0;  // a fresh scan (also when called again, as the tests do)
    opterr = 0;
    int c;
    long n = 0;
    while ((c = getopt_long(argc, argv, "o:l:s:p:r::ah", kLong, nullptr)) != -1) {
        switch (c) {
            case 'o':
                opts->out_dir = optarg;
                break;
            case 'l':
                opts->log_file = optarg;
                break;
            case 's':
                if (!Integer(optarg, 0, INT32_MAX, &n)) {
                    *error = "--space needs a number of bytes from 0 to 2147483647";
                    return 2;
                }
                opts->space = static_cast<int32_t>(n);
                break;
            case kOptNoBuffers:
                opts->buffer_suite = false;
                break;
            case kOptNoAbort:
                opts->abort_proc = false;
                break;
            case kOptNoProgress:
                opts->progress_proc = false;
                break;
            case kOptNoAdvance:
                opts->advance_state = false;
                break;
            case kOptAbortAfter:
                if (!Integer(optarg, 0, INT32_MAX, &n)) {
                    *error = "--abort-after needs a number of rows";
                    return 2;
                }
                opts->abort_after_rows = static_cast<int>(n);
                break;
            case kOptCannotFinalize:
                opts->can_finalize = false;
                break;
            case 'p':
                opts->play_file = optarg;
                break;
            case 'r':
                opts->record = true;
                if (optarg) opts->record_file = optarg;
                break;
            case kOptMaxCycles:
                if (!Integer(optarg, 1, 1000000, &n)) {
                    *error = "--max-cycles needs a number from 1 to 1000000";
                    return 2;
                }
                opts->max_cycles = static_cast<int>(n);
                break;
            case 'a':
                opts->about = true;
                break;
            case 'h':
                opts->help = true;
                return 0;
            default:
                *error = optopt > 0 && optopt < 128
                             ? std::string("unknown option or missing value: -") +
                                   static_cast<char>(optopt)
                             : std::string("unknown option or missing value: ") + argv[optind - 1];
                return 2;
        }
    }
    if (argc - optind != 1) {
        *error = argc - optind == 0 ? "no module named" : "one module only";
        return 2;
    }
    opts->module = argv[optind];
    return 0;
}
