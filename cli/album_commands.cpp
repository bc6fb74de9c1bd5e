// Album commands of vistrel-cli: album files made, listed, filled, marked, checked and their
// thumbnails written out, with the program's own reader, writer and thumbnail rules. An album
// is read whole, changed in memory and written back under a temporary name, so a failed
// command leaves the file as it was. Pictures are stored with their full paths, as the program
// stores them.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "album/album_file.h"
#include "album/album_picture.h"
#include "base/dir.h"
#include "base/files.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/platform.h"
#include "cli/commands.h"
#include "cli/subject_prompts.h"
#include "cli/terminal.h"
#include "codec/bmp_file.h"

namespace {

// The full path an album keeps for a file (symbolic links resolved, as the file is reached).
std::string FullPath(const std::string& path) {
    char buf[PATH_MAX];
    if (realpath(path.c_str(), buf)) return buf;
    return path;
}

std::string DateText(const CameraDate& d) {
    if (!d.known()) return "none";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

enum AddResult { kAdded, kSkipped, kFull };

// Adds one file as the program's Add to Album does: the file must exist, the album have room
// and not hold it already; its picture is loaded and fitted into a thumbnail.
AddResult AddFile(Album* album, const std::string& file, SubjectScope* scope) {
    scope->Set(file);
    if (!FileExists(file) || IsFolder(file)) {
        ShowError(kMsgNoFile);
        return kSkipped;
    }
    const std::string path = FullPath(file);
    scope->Set(path);
    const int refusal = AlbumAddRefusal(*album, path);
    if (refusal >= 0) {
        ShowError(refusal);
        return refusal == kMsgAlbumFull ? kFull : kSkipped;
    }
    DibImage source = LoadAlbumSource(path, nullptr);
    if (!source) return kSkipped;
    AlbumPicture p;
    p.path = path;
    p.thumbnail = ThumbnailFromSource(source);
    if (!p.thumbnail) {
        ShowError(kMsgBitmapCreateFailed);
        return kSkipped;
    }
    album->pictures.push_back(std::move(p));
    album->modified = true;
    return kAdded;
}

// Adds the files in order and stops when the album is full; 0 when every file went in.
int AddFiles(Album* album, const std::vector<std::string>& files, SubjectScope* scope) {
    int rc = 0;
    for (const std::string& f : files) {
        const AddResult r = AddFile(album, f, scope);
        if (r != kAdded) rc = 1;
        if (r == kFull) break;
    }
    return rc;
}

int Save(Album* album, const std::string& path, SubjectScope* scope) {
    scope->Set(path);
    if (!WriteAlbum(album, path)) return 1;
    PrintInfo(path + ": " + std::to_string(album->pictures.size()) + " pictures, " +
              std::to_string(AlbumFileSize(*album)) + " bytes");
    return 0;
}

bool Load(const std::string& path, Album* album, SubjectScope* scope) {
    scope->Set(path);
    return LoadAlbumFile(path, album) != 0;
}

int New(const CliArgs& a) {
    SubjectScope scope;
    Album album;
    const std::string out = AlbumSaveName(a.output);
    const int added = AddFiles(&album, a.operands, &scope);
    if (!a.operands.empty() && album.pictures.empty()) {
        // Files were named and none could be taken: an empty album is not what was asked for.
        PrintError("no picture went in; " + out + " was not written");
        return kExitFailed;
    }
    const int saved = Save(&album, out, &scope);
    return added || saved ? kExitFailed : kExitDone;
}

int Add(const CliArgs& a) {
    SubjectScope scope;
    Album album;
    if (!Load(a.input, &album, &scope)) return kExitFailed;
    const size_t before = album.pictures.size();
    const int added = AddFiles(&album, a.operands, &scope);
    if (album.pictures.size() == before) return added ? kExitFailed : kExitDone;
    return Save(&album, a.input, &scope) || added ? kExitFailed : kExitDone;
}

int List(const CliArgs& a) {
    SubjectScope scope;
    Album album;
    if (!Load(a.input, &album, &scope)) return kExitFailed;
    for (size_t i = 0; i < album.pictures.size(); ++i) {
        const AlbumPicture& p = album.pictures[i];
        std::printf("%zu\t%s\t%s\t%s\t%dx%d\n", i + 1, p.mark ? "on" : "off",
                    DateText(PictureDate(p.path)).c_str(), p.path.c_str(), DibWidth(p.thumbnail),
                    DibHeight(p.thumbnail));
    }
    PrintInfo(a.input + ": " + std::to_string(album.pictures.size()) + " pictures");
    return kExitDone;
}

int Mark(const CliArgs& a) {
    if (a.operands[1] != "on" && a.operands[1] != "off") {
        std::fprintf(stderr,
                     "vistrel-cli: the mark is on or off, not '%s' (see vistrel-cli album "
                     "mark --help)\n",
                     a.operands[1].c_str());
        return kExitUsage;
    }
    SubjectScope scope;
    Album album;
    if (!Load(a.input, &album, &scope)) return kExitFailed;
    const long n = std::strtol(a.operands[0].c_str(), nullptr, 10);
    if (n < 1 || static_cast<size_t>(n) > album.pictures.size()) {
        PrintError("no picture " + a.operands[0] + " in " + a.input + " (it holds " +
                   std::to_string(album.pictures.size()) + ")");
        return kExitFailed;
    }
    const bool on = a.operands[1] == "on";
    AlbumPicture& p = album.pictures[static_cast<size_t>(n - 1)];
    if (p.mark != on) {
        p.mark = on;
        album.modified = true;
    }
    return Save(&album, a.input, &scope) ? kExitFailed : kExitDone;
}

int Thumbs(const CliArgs& a) {
    SubjectScope scope;
    Album album;
    if (!Load(a.input, &album, &scope)) return kExitFailed;
    const bool made_folder = !IsFolder(a.dir);
    if (made_folder && !MakeFolder(a.dir)) {
        PrintError("cannot make the folder " + a.dir);
        return kExitFailed;
    }
    std::vector<std::string> written;
    int rc = kExitDone;
    for (size_t i = 0; i < album.pictures.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%03zu.bmp", i + 1);
        const std::string out = JoinPath(a.dir, name);
        scope.Set(out);
        struct stat st;
        if (lstat(out.c_str(), &st) == 0) {
            // As get does: a file already there is never written over.
            ShowError(kMsgNotSavedExists);
            rc = kExitFailed;
            continue;
        }
        if (!SaveBmpFile(out, album.pictures[i].thumbnail)) {
            // A write that fails (a full disk) fails the next ones the same way: say it once,
            // and take back what this run wrote, so that no half set of thumbnails is left.
            for (const std::string& w : written) std::remove(w.c_str());
            if (made_folder) rmdir(a.dir.c_str());
            return kExitFailed;
        }
        written.push_back(out);
        std::printf("%s\n", out.c_str());
    }
    return rc;
}

int Check(const CliArgs& a) {
    SubjectScope scope;
    Album album;
    if (!Load(a.input, &album, &scope)) return kExitFailed;
    size_t missing = 0;
    for (size_t i = 0; i < album.pictures.size(); ++i) {
        const std::string& path = album.pictures[i].path;
        if (FileExists(path) && !IsFolder(path)) continue;
        std::printf("missing\t%zu\t%s\n", i + 1, path.c_str());
        ++missing;
    }
    if (missing) {
        PrintError(std::to_string(missing) + " of " + std::to_string(album.pictures.size()) +
                   " pictures of " + a.input + " are missing");
        return kExitFailed;
    }
    PrintInfo(a.input + ": all " + std::to_string(album.pictures.size()) + " pictures are present");
    return kExitDone;
}

}  // namespace

void AddAlbumCommands(CLI::App& app, CliArgs& args, CliCommands* commands) {
    CLI::App* album = app.add_subcommand("album", "album files (.alb): make, list, fill, check");
    album->require_subcommand(1);
    album->fallthrough();
    auto sub = [&](const char* name, const char* about, int (*run)(const CliArgs&)) {
        CLI::App* s = album->add_subcommand(name, about);
        s->fallthrough();
        commands->push_back({s, run});
        return s;
    };
    auto alb = [&](CLI::App* s) {
        s->add_option("ALB", args.input, "the album file")->required();
        return s;
    };

    CLI::App* make =
        sub("new", "a new album of the files (\".alb\" is added to a name without it)", New);
    make->add_option("OUT.alb", args.output, "the album file written")->required();
    make->add_option("FILE", args.operands, "JPEG or BMP files, in album order");
    alb(sub("list", "one line per picture: index, mark, date, path, thumbnail size", List));
    alb(sub("add", "add the files at the album's end", Add))
        ->add_option("FILE", args.operands, "JPEG or BMP files")
        ->required();
    alb(sub("mark", "set or clear a picture's check mark", Mark))
        ->add_option("N on|off", args.operands, "the picture (from 1) and the mark")
        ->required()
        ->expected(2)
        ->check(CLI::Validator(
            [](std::string& text) {
                if (text == "on" || text == "off") return std::string();
                char* end = nullptr;
                const long n = std::strtol(text.c_str(), &end, 10);
                return !text.empty() && *end == '\0' && n >= 1
                           ? std::string()
                           : "not a picture number or on/off: " + text;
            },
            "N on|off"));
    CLI::App* thumbs =
        alb(sub("thumbs", "write the thumbnails as BMP files 001.bmp... into DIR", Thumbs));
    thumbs->add_option("DIR", args.dir, "the folder (made when missing)")->required();
    alb(sub("check", "list the pictures whose files are missing; fails when any is", Check));
}
