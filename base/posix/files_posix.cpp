#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/files.h"
#include "base/path.h"
#include "base/pending_file.h"
#include "base/tempfile.h"

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool ResolveWriteTarget(const std::string& target, std::string* resolved) {
    std::string path = target;
    // As many links in a row as the system itself follows before it gives up.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *resolved = path;
            return true;
        }
        char dest[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), dest, sizeof dest);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof dest) {
            if (n >= 0) errno = ENAMETOOLONG;
            return false;
        }
        const std::string next(dest, static_cast<size_t>(n));
        path = next[0] == '/' ? next : PathFolder(path) + next;
    }
    errno = ELOOP;
    return false;
}

bool IsSpecialFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

std::FILE* CreateStandInFor(const std::string& special, std::string* name) {
    name->clear();
    if (access(special.c_str(), W_OK) != 0) return nullptr;
    std::string temp;
    if (!MakeTempFileName(&temp)) {
        if (errno == 0) errno = EEXIST;
        return nullptr;
    }
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        const int error = errno;
        unlink(temp.c_str());
        errno = error;
        return nullptr;
    }
    *name = temp;
    return f;
}

namespace {
// Opens with O_NONBLOCK so that a FIFO never holds the open, then takes the flag off again so
// that reads and writes behave as usual.
std::FILE* OpenWithoutWaiting(const std::string& path, int flags, const char* mode,
                              bool regular_only) {
    const int fd = open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0) {
        error = errno;
    } else if (regular_only && !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : kErrorNotRegularFile;
    } else {
        const int fl = fcntl(fd, F_GETFL);
        if (fl < 0 || fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) error = errno;
    }
    std::FILE* f = error ? nullptr : fdopen(fd, mode);
    if (!f) {
        if (!error) error = errno;
        close(fd);
        errno = error;
    }
    return f;
}
}  // namespace

std::FILE* OpenRegularFile(const std::string& path, const char* mode) {
    const bool update = std::strchr(mode, '+') != nullptr;
    return OpenWithoutWaiting(path, update ? O_RDWR : O_RDONLY, mode, true);
}

std::FILE* OpenSpecialForWriting(const std::string& path) {
    return OpenWithoutWaiting(path, O_WRONLY, "wb", false);
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
