#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "base/files.h"
#include "base/path.h"
#include "base/pending_file.h"

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string ResolveWriteTarget(const std::string& target) {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    char resolved[PATH_MAX];
    if (!realpath(target.c_str(), resolved)) return target;
    return resolved;
}

std::FILE* CreateFileBeside(const std::string& target, std::string* name) {
    name->clear();
    struct stat st;
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return nullptr;
        }
        // Writing over a file needs leave to write it, as opening it for writing would.
        if (access(target.c_str(), W_OK) != 0) return nullptr;
    }
    // The program's temporary names ("ZEK", four hex digits, ".TMP"), taken exclusively so that
    // two writers in one folder never share one.
    static unsigned counter =
        static_cast<unsigned>(getpid()) ^ static_cast<unsigned>(time(nullptr));
    const std::string folder = PathFolder(target);
    for (unsigned i = 0; i < 0xFFFF; ++i) {
        char leaf[16];
        std::snprintf(leaf, sizeof leaf, "ZEK%04X.TMP", (counter++ % 0xFFFF) + 1);
        std::string candidate = folder + leaf;
        int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        if (exists) fchmod(fd, st.st_mode & 07777);
        std::FILE* f = fdopen(fd, "wb");
        if (!f) {
            const int error = errno;
            close(fd);
            unlink(candidate.c_str());
            errno = error;
            return nullptr;
        }
        *name = candidate;
        return f;
    }
    errno = EEXIST;
    return nullptr;
}

bool ReplaceFileWith(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}
