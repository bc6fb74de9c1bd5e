// Path helpers. Windows accepts both slashes as separators; POSIX only the forward slash. The
// portable code asks here instead of looking for a backslash itself.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

bool IsPathSeparator(char c);
// The file-name part of a path (name and extension, no folder).
std::string PathFileName(const std::string& path);
// The folder part of a path including its final separator, or "" when there is none.
std::string PathFolder(const std::string& path);
// Joins a folder and a name with one separator.
std::string JoinPath(const std::string& folder, const std::string& name);
// True when name ends with ext, compared without regard to ASCII case.
bool HasExtension(const std::string& name, const std::string& ext);
// Whether a byte opens a double-byte character of the Japanese code page.
bool IsLeadByte(unsigned char b);
// The folder with a final separator; a backslash that is the second byte of a double-byte
// character does not count as one.
std::string FolderWithSeparator(const std::string& folder);
// The files of a multiple-selection open dialog's result: one full path, or a folder followed
// by file names (each ended by a zero byte, the list by two). Each name is joined to the folder
// with FolderWithSeparator. Nothing past size bytes is read; a list without its final zero is
// taken as far as it goes.
std::vector<std::string> FilesOfOpenResult(const char* buffer, size_t size);
