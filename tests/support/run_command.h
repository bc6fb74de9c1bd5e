// Runs a shell command line for the tests that drive our programs from outside (vistrel-cli,
// vistrel-camsim): its exit status and what it wrote to standard output. Callers redirect
// standard error themselves ("2>&1", or into a file).
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CommandRun {
    int status = -1;  // the exit status, or -1 when it did not exit normally
    std::string out;
};

inline CommandRun RunCommandLine(const std::string& command) {
    CommandRun r;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
