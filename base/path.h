// Path helpers. Windows accepts both slashes as separators; POSIX only the forward slash. The
// portable code asks here instead of looking for a backslash itself.
#pragma once
#include <string>

bool IsPathSeparator(char c);
// The file-name part of a path (name and extension, no folder).
std::string PathFileName(const std::string& path);
// The folder part of a path including its final separator, or "" when there is none.
std::string PathFolder(const std::string& path);
// Joins a folder and a name with one separator.
std::string JoinPath(const std::string& folder, const std::string& name);
// True when name ends with ext, compared without regard to ASCII case.
bool HasExtension(const std::string& name, const std::string& ext);
