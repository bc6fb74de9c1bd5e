// The command line of vistrel-acquire-host, read with getopt_long (the C library's, in glibc
// and in the MinGW-w64 runtime alike).
#pragma once
#include <cstdint>
#include <string>

struct HostOptions {
    std::string module;       // the module file
    std::string out_dir;      // where acquire-NNN.ppm go (empty: the current folder)
    std::string log_file;     // the call log (empty: standard output)
    int32_t space = 4 << 20;  // free space the buffer suite reports
    bool buffer_suite = true;
    bool abort_proc = true;
    bool progress_proc = true;
    bool advance_state = true;
    int abort_after_rows = -1;  // abortProc says yes after this many rows; -1 never
    bool can_finalize = true;
    std::string play_file;    // a descriptor to play back (its text form)
    bool record = false;      // offer the recording suites and print what was recorded
    std::string record_file;  // ... and write it there too
    bool about = false;       // only the about call
    int max_cycles = 1000;
    bool help = false;
};

// Reads argv. 0 on success; otherwise 2 with a one-line reason in *error.
int ParseHostOptions(int argc, char** argv, HostOptions* opts, std::string* error);
// The usage text.
std::string HostUsage();
