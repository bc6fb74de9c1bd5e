// Writing a user's file so that a failure never leaves part of it behind. The bytes go to a new
// temporary file in the target's own folder (so the last step is a rename on one volume), and
// only a complete, cleanly closed file is renamed over the target. Until then the target is
// exactly as it was; on every path out without a commit the temporary file is deleted.
//
// The same holds when the target is also the input of the work: the input stays readable under
// its own name until the rename, so a caller may read it to the end first and commit after.
//
// Only a regular file is ever replaced. A symbolic link is written through to the file it names,
// whether that file exists yet or not, and stays a link. A device or a FIFO keeps its place: the
// bytes are made in a temporary file in the system's temporary folder as usual and, once
// complete, written into the device or FIFO itself at the commit (a FIFO without a reader is not
// waited for: the commit fails). A folder is refused.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/files.h"

enum class CommitResult {
    kDone,
    kWriteFailed,    // a write or the close failed (a full disk): nothing was replaced
    kReplaceFailed,  // the file was complete but could not take the target's place
};

class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { Discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Makes a new empty temporary file beside target and opens it for writing. False when the
    // target cannot be written (it is a folder or a read-only file) or no file can be made in
    // its folder; the reason is noted for TakeFileFailure under the target's name.
    bool Open(const std::string& target);
    // The same, but the temporary file is closed at once: for a caller that fills it by name
    // (a function that writes a file of its own, which may replace it) before the commit.
    bool Reserve(const std::string& target);

    // Appends n bytes. False on a short write; from then on every write fails and the commit
    // deletes the temporary file.
    bool Write(const void* data, size_t n);

    // Closes the temporary file, checking the close, and renames it over the target. On any
    // failure the temporary file is deleted and the target is left as it was.
    CommitResult Commit();
    // Closes and deletes the temporary file; the target is untouched. Harmless when repeated.
    void Discard();

    const std::string& target() const { return target_; }
    // The temporary file's name (empty before Open and after Commit or Discard).
    const std::string& temp_path() const { return temp_; }

private:
    bool Begin(const std::string& target, bool keep_open);

    std::string target_;  // as the caller named it; failures are noted under this name
    std::string final_;   // where the rename goes (a symbolic link's destination)
    std::string temp_;
    std::FILE* f_ = nullptr;
    bool failed_ = false;
    bool special_ = false;  // final_ is a device or FIFO, written into at the commit

    CommitResult CopyIntoSpecial();
};

// Appends n bytes in pieces of at most kFileChunk (base/files.h); false at the first piece
// that fails.
bool WritePieces(PendingFile* f, const void* data, size_t n);

// Opens a work's input for reading and its output as a pending file, with the program's
// messages: false after showing "File cannot be opened." for whichever could not be opened
// (for the input only when show_input_failure; a failed input leaves the output unopened).
bool OpenInputAndOutput(const std::string& input, const std::string& output, ScopedFile* in,
                        PendingFile* out, bool show_input_failure = true);
// Commits with the program's messages, as every writer of a user's file does: 1 when done; 0
// after showing write_failed (a write or the close failed, usually "Disk is full.") or "File
// cannot be opened." (the finished file could not take the target's place).
int CommitOrShow(PendingFile* f, int write_failed);

// For tests only: every write through a PendingFile after `bytes` more bytes fails as on a
// full disk (the bytes that still fit are written, then the write reports ENOSPC). A negative
// value lifts the limit, which is the default.
void SetPendingWriteBudgetForTests(int64_t bytes);

// Platform parts (base/posix/files_posix.cpp, base/win/files_win.cpp). Each sets errno on
// failure.

// The path a write to target should replace: on POSIX the end of a chain of symbolic links,
// whether a file is there yet or not, so that a link stays a link; elsewhere target itself.
// False (ELOOP) for links that lead round in a circle.
bool ResolveWriteTarget(const std::string& target, std::string* resolved);
// True when path names something that exists and is neither a regular file nor a folder (a
// device, a FIFO, a socket). Never on Windows.
bool IsSpecialFile(const std::string& path);
// For a special file that may be written: a new empty temporary file in the system's temporary
// folder to collect its bytes in, opened for writing; its name is stored. Null when the special
// file may not be written or no file can be made.
std::FILE* CreateStandInFor(const std::string& special, std::string* name);
// Opens a special file for writing, without waiting for a reader of a FIFO (ENXIO then).
std::FILE* OpenSpecialForWriting(const std::string& path);
// Creates a new empty file with a name of its own in the folder of target and opens it for
// writing in byte mode; stores its name. An existing target must be a writable file (on POSIX
// the new file takes its permission bits). Null when that fails.
std::FILE* CreateFileBeside(const std::string& target, std::string* name);
// Renames from to to, replacing an existing file there.
bool ReplaceFileWith(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
