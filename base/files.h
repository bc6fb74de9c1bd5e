// Small file helpers shared by the codec and the tools. Every file is opened in byte mode on
// both platforms, so a BMP or JPEG is read and written the same way under Windows and POSIX.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Owns one C stdio stream and closes it on every path out.
class ScopedFile {
public:
    ScopedFile() = default;
    explicit ScopedFile(std::FILE* f) : f_(f) {}
    ~ScopedFile() { Close(); }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;

    std::FILE* get() const { return f_; }
    explicit operator bool() const { return f_ != nullptr; }
    // Closes the stream; false when the close reported an error (unflushed data lost).
    bool Close() {
        if (!f_) return true;
        bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }
    void Reset(std::FILE* f) {
        Close();
        f_ = f;
    }

private:
    std::FILE* f_ = nullptr;
};

// Opens path for reading ("rb"), for writing ("wb", created or truncated) and so on; the mode
// must include 'b'. A failure is noted (below). A mode that reads an existing file ("rb",
// "r+b") opens only a regular file, and never waits for a writer of a FIFO to turn up.
std::FILE* OpenFileBinary(const std::string& path, const char* mode);

// The last file operation that failed through these helpers (OpenFileBinary, PendingFile): the
// file as the caller named it and the system's error number. The program's messages say what
// failed; a front end that can say more (the command-line tool) adds this reason after them.
// One thread uses the codec at a time, so one record is enough.
struct FileFailure {
    std::string path;
    int error = 0;  // an errno value; 0 when nothing failed
};
void NoteFileFailure(const std::string& path, int error);
// The error noted for a path that names something other than a regular file (a device, a FIFO,
// a socket) where a file's contents are to be read: such a thing is never read as a picture,
// as reading it could wait for ever or never end. Outside the range of the system's numbers.
constexpr int kErrorNotRegularFile = 0x7E00;
// The reason in words: the system's text, or ours for kErrorNotRegularFile.
std::string FileErrorText(int error);
// The failure noted since the last call, which is forgotten.
FileFailure TakeFileFailure();

// Largest piece of one read or write of a user's file.
constexpr size_t kFileChunk = 32767;
// Reads exactly n bytes in pieces of at most kFileChunk; false on a short read.
bool ReadPieces(std::FILE* f, void* data, size_t n);

// Length of the file at path, or -1 when it cannot be opened.
int64_t FileLength(const std::string& path);
// Length of an open stream (its position is put back to the start).
int64_t StreamLength(std::FILE* f);
// Seeks with 64-bit offsets on both platforms.
bool SeekStream(std::FILE* f, int64_t offset, int whence);

// True when both names lead to the same file (the same name, or on POSIX the same inode; on
// Windows the same full path without regard to case).
bool SameFile(const std::string& a, const std::string& b);

// Platform parts (base/posix/files_posix.cpp, base/win/files_win.cpp); each sets errno on failure.

// Opens an existing file in a reading mode ("rb", "r+b") without waiting on a FIFO or a device;
// fails with kErrorNotRegularFile when path is not a regular file.
std::FILE* OpenRegularFile(const std::string& path, const char* mode);
