// Folder listing and existence checks, the one place the portable code asks the platform
// about folders.
#pragma once
#include <string>
#include <vector>

// Names (without folder) of the regular files in a folder; false when it cannot be read.
bool ListFolderFiles(const std::string& folder, std::vector<std::string>* names);
bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);
// The platform's preferred path separator.
char PathSeparator();
// Creates one folder (its parent must exist); true when it exists afterwards.
bool MakeFolder(const std::string& path);
