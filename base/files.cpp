#include "base/files.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace {
FileFailure g_last_failure;
}  // namespace

void NoteFileFailure(const std::string& path, int error) {
    g_last_failure.path = path;
    g_last_failure.error = error ? error : EIO;
}

std::string FileErrorText(int error) {
    if (error == kErrorNotRegularFile) return "not a regular file";
    return std::strerror(error);
}

FileFailure TakeFileFailure() {
    FileFailure f = std::move(g_last_failure);
    g_last_failure = FileFailure();
    return f;
}

std::FILE* OpenFileBinary(const std::string& path, const char* mode) {
    if (path.empty()) {
        NoteFileFailure(path, ENOENT);
        return nullptr;
    }
    std::FILE* f = mode[0] == 'r' ? OpenRegularFile(path, mode) : std::fopen(path.c_str(), mode);
    if (!f) NoteFileFailure(path, errno);
    return f;
}

bool ReadPieces(std::FILE* f, void* data, size_t n) {
    uint8_t* p = static_cast<uint8_t*>(data);
    while (n > 0) {
        const size_t piece = n < kFileChunk ? n : kFileChunk;
        if (std::fread(p, 1, piece, f) != piece) return false;
        p += piece;
        n -= piece;
    }
    return true;
}

bool SeekStream(std::FILE* f, int64_t offset, int whence) {
#ifdef _WIN32
    return _fseeki64(f, offset, whence) == 0;
#else
    return fseeko(f, static_cast<off_t>(offset), whence) == 0;
#endif
}

int64_t StreamLength(std::FILE* f) {
    if (!SeekStream(f, 0, SEEK_END)) return -1;
#ifdef _WIN32
    int64_t len = _ftelli64(f);
#else
    int64_t len = static_cast<int64_t>(ftello(f));
#endif
    if (!SeekStream(f, 0, SEEK_SET)) return -1;
    return len;
}

int64_t FileLength(const std::string& path) {
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return -1;
    return StreamLength(f.get());
}
