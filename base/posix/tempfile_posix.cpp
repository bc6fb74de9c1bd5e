// POSIX: the Windows naming ("ZEK" + four hex digits + ".TMP") in $TMPDIR or /tmp. The file
// is created exclusively, so two processes never get the same name.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "base/tempfile.h"
#include "base/time_source.h"

std::string TempFolder() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = env && *env ? env : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

bool MakeTempFileName(std::string* name) {
    name->clear();
    std::string dir = TempFolder();
    // Like the system call: start at a number from the clock and the process, count upwards
    // through all 65535 names, and take the first one that does not exist yet.
    unsigned start = (SystemTimeSource().TickCount() ^ static_cast<unsigned>(getpid() << 4));
    for (unsigned i = 0; i < 0xFFFF; ++i) {
        unsigned unique = (start + i) % 0xFFFF + 1;
        char leaf[16];
        std::snprintf(leaf, sizeof leaf, "ZEK%04X.TMP", unique);
        std::string candidate = dir + leaf;
        if (candidate.size() >= kMaxPathChars) return false;
        int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            close(fd);
            *name = candidate;
            return true;
        }
    }
    return false;
}

void DeleteTempFile(std::string* name) {
    if (!name->empty()) unlink(name->c_str());
    name->clear();
}
