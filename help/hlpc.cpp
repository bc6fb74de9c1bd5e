// vistrel-hlpc: compiles the help's text sources into a Windows Help file.
//
//   vistrel-hlpc --title TITLE --copyright TEXT -o OUT.hlp CONTENTS.txt MORE.txt...
//
// The first source is the contents topic. The file is written under a temporary name and
// renamed when complete, so a failed build never leaves a half-written help file behind.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "help_source.h"
#include "hlp_file.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vistrel-hlpc --title TITLE [--copyright TEXT] -o OUT.hlp SOURCE...\n");
    return 2;
}

int ReadText(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return in.good() || in.eof() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    hlp::Project project;
    std::string out;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--title" || a == "--copyright" || a == "-o") && i + 1 < argc) {
            std::string v = argv[++i];
            if (a == "--title") project.title = v;
            if (a == "--copyright") project.copyright = v;
            if (a == "-o") out = v;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            sources.push_back(a);
        }
    }
    if (out.empty() || sources.empty() || project.title.empty()) return Usage();

    for (const std::string& path : sources) {
        std::string text;
        if (!ReadText(path, &text)) {
            std::fprintf(stderr, "vistrel-hlpc: cannot read %s\n", path.c_str());
            return 1;
        }
        hlp::Topic topic;
        std::string error;
        if (!hlp::ParseTopicSource(text, path, &topic, &error)) {
            std::fprintf(stderr, "vistrel-hlpc: %s\n", error.c_str());
            return 1;
        }
        project.topics.push_back(std::move(topic));
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!hlp::WriteHelpFile(project, &bytes, &error)) {
        std::fprintf(stderr, "vistrel-hlpc: %s\n", error.c_str());
        return 1;
    }
    // Check what was written by reading it back before it takes the place of the old file.
    hlp::ReadFile check;
    if (!hlp::ReadHelpFile(bytes.data(), bytes.size(), &check, &error) ||
        check.topics.size() != project.topics.size()) {
        std::fprintf(stderr, "vistrel-hlpc: the file does not read back: %s\n", error.c_str());
        return 1;
    }
    std::string temp = out + ".part";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (!f) {
            std::remove(temp.c_str());
            std::fprintf(stderr, "vistrel-hlpc: cannot write %s\n", temp.c_str());
            return 1;
        }
    }
    if (std::rename(temp.c_str(), out.c_str()) != 0) {
        std::remove(temp.c_str());
        std::fprintf(stderr, "vistrel-hlpc: cannot replace %s\n", out.c_str());
        return 1;
    }
    return 0;
}
