// End to end: vistrel-cli's album commands on pictures made here.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "album/album_file.h"
#include "base/dir.h"
#include "base/path.h"
#include "codec/bmp_file.h"
#include "codec/camera_segments.h"
#include "codec_test_support.h"

namespace {

class AlbumCliTest : public CodecTest {
protected:
    struct Result {
        int code;
        std::string out;
        std::string err;
    };
    // shell_before: shell commands run first in the same shell (limits for the run).
    Result Run(const std::string& args, const std::string& shell_before = "") {
        const char* dir = std::getenv("VISTREL_BIN_DIR");
        const std::string exe = std::string(dir ? dir : ".") + "/vistrel-cli";
        const std::string out = TempPath(".out"), err = TempPath(".err");
        const int status = std::system(
            (shell_before + exe + " " + args + " </dev/null >" + out + " 2>" + err).c_str());
        Result r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::vector<uint8_t> o = ReadBytes(out), e = ReadBytes(err);
        r.out.assign(o.begin(), o.end());
        r.err.assign(e.begin(), e.end());
        return r;
    }
    std::string Bmp(int w, int h) {
        std::string p = folder_ + "pic" + std::to_string(++made_) + ".bmp";
        WriteBytes(p, MakeBmp24(w, h, TestPattern));
        return p;
    }
    std::string Jpeg(int w, int h, bool camera) {
        JpegSpec spec;
        spec.width = w;
        spec.height = h;
        if (camera) {
            spec.jfif = false;
            spec.markers.push_back({0xE0, CameraApp0Data(false, w, h, 990100800u)});
        }
        std::string p = folder_ + "DSC" + std::to_string(++made_) + ".jpg";
        WriteBytes(p, MakeJpeg(spec));
        return p;
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) lines.push_back(line);
        return lines;
    }
    void SetUp() override {
        folder_ = NewFolder();
        char buf[4096];
        ASSERT_TRUE(realpath(folder_.c_str(), buf));
        folder_ = std::string(buf) + "/";
    }
    std::string folder_;
    int made_ = 0;
};

std::string DateOf(const std::string& path) {
    const CameraDate d = ThumbnailDate(path);
    if (!d.known()) return "none";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

TEST_F(AlbumCliTest, NewListMarkThumbsAndCheck) {
    const std::string a = Jpeg(640, 480, true), b = Bmp(30, 90), c = Jpeg(200, 50, false);
    const std::string alb = folder_ + "trip";
    Result r = Run("album new " + alb + " " + a + " " + b + " " + c);
    ASSERT_EQ(r.code, 0) << r.err;
    // ".alb" is added to a name without it, and the file has the written size.
    Album album;
    ASSERT_EQ(LoadAlbumFile(alb + ".alb", &album), 1);
    ASSERT_EQ(album.pictures.size(), 3u);
    EXPECT_EQ(FileLength(alb + ".alb"), int64_t(AlbumFileSize(album)));
    EXPECT_NE(r.err.find("3 pictures"), std::string::npos) << r.err;

    r = Run("album list " + alb + ".alb");
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_NE(DateOf(a), "none");
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                "1\toff\t" + DateOf(a) + "\t" + a + "\t96x72",
                                "2\toff\tnone\t" + b + "\t24x72",
                                "3\toff\tnone\t" + c + "\t96x24",
                            }));

    r = Run("album mark " + alb + ".alb 2 on -q");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = Run("-q album list " + alb + ".alb");
    EXPECT_EQ(Lines(r.out).at(1), "2\ton\tnone\t" + b + "\t24x72");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Run("album mark " + alb + ".alb 4 on").code, 1);
    EXPECT_EQ(Run("album mark " + alb + ".alb 2 maybe").code, 2);
    EXPECT_EQ(Run("album mark " + alb + ".alb 2").code, 2);
    EXPECT_EQ(Run("album").code, 2);

    const std::string dir = folder_ + "thumbs";
    r = Run("album thumbs " + alb + ".alb " + dir);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(r.out),
              (std::vector<std::string>{dir + "/001.bmp", dir + "/002.bmp", dir + "/003.bmp"}));
    DibImage t = LoadBmpFile(dir + "/003.bmp");
    ASSERT_TRUE(t);
    ASSERT_EQ(t.size(), album.pictures[2].thumbnail.size());
    EXPECT_EQ(0, std::memcmp(t.data(), album.pictures[2].thumbnail.data(), t.size()));

    r = Run("album check " + alb + ".alb");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(std::remove(b.c_str()), 0);
    r = Run("album check " + alb + ".alb");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "missing\t2\t" + b + "\n");
    EXPECT_NE(r.err.find("1 of 3 pictures"), std::string::npos) << r.err;
}

TEST_F(AlbumCliTest, AddRefusesMissingDuplicateAndUnknownFilesAndKeepsTheRest) {
    const std::string a = Bmp(8, 6), b = Bmp(8, 6);
    const std::string alb = folder_ + "x.alb";
    ASSERT_EQ(Run("album new " + alb).code, 0);
    EXPECT_EQ(FileLength(alb), 56);
    const std::string txt = folder_ + "notes.txt";
    const std::string note = "These are notes, long enough for a header.";
    WriteBytes(txt, std::vector<uint8_t>(note.begin(), note.end()));
    Result r = Run("album add " + alb + " " + a + " " + folder_ + "gone.jpg " + txt + " " + a +
                   " " + folder_ + "./" + PathFileName(b));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("vistrel-cli: File does not exist. (" + folder_ + "gone.jpg)"),
              std::string::npos)
        << r.err;
    EXPECT_NE(
        r.err.find("vistrel-cli: There is no correspondence between this file. (" + txt + ")"),
        std::string::npos)
        << r.err;
    EXPECT_NE(
        r.err.find("vistrel-cli: This image is registered already to this album. (" + a + ")"),
        std::string::npos)
        << r.err;
    Album album;
    ASSERT_EQ(LoadAlbumFile(alb, &album), 1);
    ASSERT_EQ(album.pictures.size(), 2u);
    EXPECT_EQ(album.pictures[0].path, a);
    EXPECT_EQ(album.pictures[1].path, b);  // stored as its full path

    // Not an album: said with the file, and the file is left alone.
    r = Run("album add " + txt + " " + a);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("vistrel-cli: This file is not album file. (" + txt + ")"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(txt), std::vector<uint8_t>(note.begin(), note.end()));
    r = Run("album list " + folder_ + "none.alb");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("File cannot be opened. (" + folder_ + "none.alb: No such file"),
              std::string::npos)
        << r.err;
}

TEST_F(AlbumCliTest, TheHundredthPictureIsTakenAndTheNextStopsTheAdd) {
    std::string files;
    for (int i = 0; i < 102; ++i) files += " " + Bmp(4, 3);
    const std::string alb = folder_ + "full.alb";
    Result r = Run("album new " + alb + files);
    EXPECT_EQ(r.code, 1);
    // Said once: the add stops at the first picture that does not fit.
    const std::string full = "vistrel-cli: This album is full.";
    ASSERT_NE(r.err.find(full), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(full, r.err.find(full) + 1), std::string::npos) << r.err;
    Album album;
    ASSERT_EQ(LoadAlbumFile(alb, &album), 1);
    EXPECT_EQ(album.pictures.size(), 100u);
    EXPECT_EQ(Lines(Run("album list " + alb).out).size(), 100u);
}

// Runs that cannot do what was asked leave nothing half done behind, and say so once.
TEST_F(AlbumCliTest, FailedRunsLeaveNothingHalfDone) {
    auto count = [](const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const std::string txt = folder_ + "notes.txt";
    WriteBytes(txt, std::vector<uint8_t>(60, 'x'));
    const std::string fifo = folder_ + "fifo.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    // Nothing of the files named could be taken: no album is written.
    const std::string none = folder_ + "none.alb";
    Result r = Run("album new " + none + " " + txt + " " + folder_ + "gone.jpg " + fifo);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no picture went in; " + none + " was not written"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(fifo), std::string::npos) << r.err;
    EXPECT_EQ(FileLength(none), -1);

    const std::string a = Bmp(40, 30), b = Bmp(40, 30), c = Bmp(40, 30);
    const std::string alb = folder_ + "three.alb";
    ASSERT_EQ(Run("-q album new " + alb + " " + a + " " + b + " " + c).code, 0);

    // A picture that turned into a FIFO is listed without waiting for it.
    ASSERT_EQ(std::remove(b.c_str()), 0);
    ASSERT_EQ(mkfifo(b.c_str(), 0600), 0);
    r = Run("-q album list " + alb);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 3u);

    // A thumbnail file already there is not written over, as get never does.
    const std::string dir = folder_ + "thumbs";
    ASSERT_TRUE(MakeFolder(dir));
    WriteBytes(dir + "/002.bmp", {'m', 'i', 'n', 'e'});
    r = Run("album thumbs " + alb + " " + dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{dir + "/001.bmp", dir + "/003.bmp"}));
    EXPECT_NE(r.err.find("Image not saved because it already existed. (" + dir + "/002.bmp)"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(dir + "/002.bmp"), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));

    // Writes that fail (a file size limit stands in for a full disk): said once, and the
    // folder the run made is gone again.
    const std::string limited = folder_ + "limited";
    r = Run("album thumbs " + alb + " " + limited, "trap '' XFSZ; ulimit -f 2; ");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(count(r.err, "vistrel-cli:"), 1) << r.err;
    EXPECT_NE(r.err.find(limited + "/001.bmp"), std::string::npos) << r.err;
    EXPECT_FALSE(IsFolder(limited));
    EXPECT_EQ(FilesIn(folder_).size(), 4u) << "pictures, notes and album only";
    std::remove(b.c_str());
    std::remove(fifo.c_str());
    for (const char* n : {"/001.bmp", "/002.bmp", "/003.bmp"}) std::remove((dir + n).c_str());
    rmdir(dir.c_str());
}

}  // namespace
