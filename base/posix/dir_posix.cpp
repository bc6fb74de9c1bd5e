#include <dirent.h>
#include <sys/stat.h>

#include "base/dir.h"

bool ListFolderFiles(const std::string& folder, std::vector<std::string>* names) {
    names->clear();
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return false;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        std::string full = folder.empty() ? name : folder + "/" + name;
        struct stat st;
        if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names->push_back(name);
    }
    closedir(d);
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

char PathSeparator() {
    return '/';
}

bool MakeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0 || IsFolder(path);
}
