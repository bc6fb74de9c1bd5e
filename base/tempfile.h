// Temporary files in the system's temporary folder, named like the system names them on
// Windows: prefix "ZEK", four hex digits, ".TMP". The file is created empty by MakeTempFileName
// so that the name is reserved; whoever made it deletes it on every path out (ScopedTempFile
// does that for a caller that holds it in one scope).
#pragma once
#include <string>

// Longest path the temporary-file helpers hand out, as the Windows buffers allow.
constexpr size_t kMaxPathChars = 260;

// Creates a new empty file in the temporary folder and stores its full name; false (and an
// empty name) when no file could be made.
bool MakeTempFileName(std::string* name);
// Deletes the named file when the name is not empty and clears the name, so that deleting
// twice is harmless.
void DeleteTempFile(std::string* name);
// The temporary folder with its final separator.
std::string TempFolder();

class ScopedTempFile {
public:
    ScopedTempFile() = default;
    ~ScopedTempFile() { DeleteTempFile(&name_); }
    ScopedTempFile(const ScopedTempFile&) = delete;
    ScopedTempFile& operator=(const ScopedTempFile&) = delete;

    bool Make() { return MakeTempFileName(&name_); }
    const std::string& name() const { return name_; }

private:
    std::string name_;
};
