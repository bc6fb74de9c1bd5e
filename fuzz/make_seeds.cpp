// Writes small seed inputs for the fuzz targets: make_seeds DIR creates DIR/bmp, DIR/jpeg,
// DIR/segments (camera JPEGs) and DIR/date.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "hlp_file.h"
#include "support/test_jpeg.h"

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& b) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}

std::vector<uint8_t> Bmp(int w, int h, int bits, bool core) {
    int colors = bits <= 8 ? 1 << bits : 0;
    size_t header = core ? 12 : 40, entry = core ? 3 : 4;
    size_t stride = ((w * bits + 31) / 32) * 4;
    size_t off = 14 + header + colors * entry;
    std::vector<uint8_t> v(off + stride * h);
    v[0] = 'B';
    v[1] = 'M';
    PutLe32(&v[2], static_cast<uint32_t>(v.size()));
    PutLe32(&v[10], static_cast<uint32_t>(off));
    PutLe32(&v[14], static_cast<uint32_t>(header));
    if (core) {
        PutLe16(&v[18], w);
        PutLe16(&v[20], h);
        PutLe16(&v[22], 1);
        PutLe16(&v[24], bits);
    } else {
        PutLe32(&v[18], w);
        PutLe32(&v[22], h);
        PutLe16(&v[26], 1);
        PutLe16(&v[28], bits);
    }
    for (size_t i = off; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i * 7);
    for (size_t i = 14 + header; i < off; ++i) v[i] = static_cast<uint8_t>(i * 3);
    return v;
}

// Quality 50 and the library's 2x2 sampling; a comment segment in every file, and the camera's
// APP0 directory (in place of JFIF) and an Exif-like APP1 in a camera file.
std::vector<uint8_t> Jpeg(int w, int h, int comps, bool progressive, bool camera, bool big) {
    JpegSpec spec;
    spec.width = w;
    spec.height = h;
    spec.components = comps;
    spec.quality = 50;
    spec.h0 = spec.v0 = 2;
    spec.progressive = progressive;
    spec.jfif = !camera;
    if (camera) {
        spec.markers.push_back({0xE0, CameraApp0Data(big, 640, 480, 990100800u)});
        spec.markers.push_back({0xE1, {'E', 'x', 'i', 'f', 0, 0, 1, 2, 3}});
    }
    const char comment[] = "comment";
    spec.markers.push_back({0xFE, std::vector<uint8_t>(comment, comment + sizeof comment)});
    // Sample i of a row is i * 5 plus three times the row.
    spec.pixel = [comps](int x, int y) {
        auto sample = [y](int i) { return static_cast<uint8_t>(i * 5 + y * 3); };
        if (comps == 1) return Rgb{0, sample(x), 0};
        return Rgb{sample(3 * x), sample(3 * x + 1), sample(3 * x + 2)};
    };
    return MakeJpeg(spec);
}

// An album of n pictures with small thumbnails (the BMP seed's block without its file header),
// and the extension block with every other picture marked.
std::vector<uint8_t> Album(int n, uint16_t version, bool extension) {
    std::vector<uint8_t> v(32, 0);
    const char magic[] = "ZEK DSC ALBUM  ";
    std::copy(magic, magic + 15, v.begin());
    PutLe16(&v[16], version);
    v[18] = 'P';
    PutLe16(&v[24], static_cast<uint32_t>(n));
    for (int i = 0; i < n; ++i) {
        std::vector<uint8_t> field(260, 0);
        const std::string path = "C:\\DSC\\DSC000" + std::to_string(i + 1) + ".jpg";
        std::copy(path.begin(), path.end(), field.begin());
        v.insert(v.end(), field.begin(), field.end());
        const std::vector<uint8_t> bmp = Bmp(8 + i, 6, 24, false);
        uint8_t len[4];
        PutLe32(len, static_cast<uint32_t>(bmp.size() - 14));
        v.insert(v.end(), len, len + 4);
        v.insert(v.end(), bmp.begin() + 14, bmp.end());
    }
    if (extension) {
        const char tag[] = "ZEK_ALBEXT";
        v.insert(v.end(), tag, tag + 10);
        uint8_t len[4];
        PutLe32(len, static_cast<uint32_t>(n + 10));
        v.insert(v.end(), len, len + 4);
        const char p[] = "ZEK_P";
        v.insert(v.end(), p, p + 5);
        v.insert(v.end(), 4, 0);
        v.push_back(static_cast<uint8_t>(n));
        for (int i = 0; i < n; ++i) v.push_back(i % 2 == 0 ? 1 : 0);
    }
    return v;
}

// A module's property list: kind, name, version and the entry point, as the plug-in's.
std::vector<uint8_t> Pipl() {
    std::vector<uint8_t> b = {1, 0, 0, 0, 0, 0};
    auto put32 = [](std::vector<uint8_t>* v, uint32_t x) {
        for (int i = 0; i < 4; ++i) v->push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    auto property = [&](uint32_t key, std::vector<uint8_t> data) {
        put32(&b, 0x3842494Du);  // '8BIM'
        put32(&b, key);
        put32(&b, 0);
        while (data.size() % 4) data.push_back(0);
        put32(&b, static_cast<uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
    };
    put32(&b, 4);
    std::vector<uint8_t> v;
    put32(&v, 0x3842414Du);    // '8BAM'
    property(0x6B696E64u, v);  // 'kind'
    const std::string name = "\x0fQuenlar QX-4210";
    property(0x6E616D65u, std::vector<uint8_t>(name.begin(), name.end()));
    v.clear();
    put32(&v, 0x00040000);
    property(0x76657273u, v);  // 'vers'
    const char entry[] = "ENTRYPOINT";
    property(0x77783836u, std::vector<uint8_t>(entry, entry + sizeof entry));  // 'wx86'
    return b;
}

std::vector<uint8_t> Text(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    for (const char* sub : {"", "/bmp", "/jpeg", "/segments", "/date", "/replies", "/requests",
                            "/settings", "/album", "/help", "/pipl", "/descriptor", "/autoexec"})
        mkdir((dir + sub).c_str(), 0755);
    Write(dir + "/bmp/24.bmp", Bmp(7, 5, 24, false));
    Write(dir + "/bmp/8.bmp", Bmp(5, 3, 8, false));
    Write(dir + "/bmp/4.bmp", Bmp(9, 2, 4, false));
    Write(dir + "/bmp/1.bmp", Bmp(17, 2, 1, false));
    Write(dir + "/bmp/core8.bmp", Bmp(5, 3, 8, true));
    Write(dir + "/bmp/core24.bmp", Bmp(3, 3, 24, true));
    Write(dir + "/jpeg/colour.jpg", Jpeg(24, 16, 3, false, false, false));
    Write(dir + "/jpeg/grey.jpg", Jpeg(16, 8, 1, false, false, false));
    Write(dir + "/jpeg/progressive.jpg", Jpeg(16, 16, 3, true, false, false));
    for (bool big : {false, true}) {
        std::vector<uint8_t> cam = Jpeg(16, 8, 3, false, true, big);
        Write(dir + "/segments/camera" + (big ? "MM" : "II") + ".jpg", cam);
        Write(dir + "/date/camera" + (big ? "MM" : "II") + ".jpg", cam);
        Write(dir + "/jpeg/camera" + (big ? "MM" : "II") + ".jpg", cam);
    }
    // Camera replies: an operation selector, then what arrives on the line.
    const std::vector<uint8_t> sig_head = {'Z', 'E', 'K', ' ', 'P', 'C',
                                           ' ', ' ', 'D', 'S', 'C', ' '};
    std::vector<uint8_t> identify = {0};
    identify.insert(identify.end(), sig_head.begin(), sig_head.end());
    for (int b : {0, 0, 0, 4, 3, int('D'), int('S'), int('C'), int('2')})
        identify.push_back(static_cast<uint8_t>(b));
    Write(dir + "/replies/identify", identify);
    std::vector<uint8_t> count = {5, 8, 0, 0xFF, 8, 3, 0};
    count.resize(1 + 16, 0);
    count[1 + 14] = static_cast<uint8_t>(0xFF + 8 + 3);  // sum of sequence, complement, code, data
    Write(dir + "/replies/count", count);
    // Requests to the simulated camera: model, speed, then the bytes.
    std::vector<uint8_t> request = {1,   0,   'Z', 'E', 'K', ' ', 'D', 'S', 'C', ' ',
                                    'P', 'C', ' ', ' ', 0,   0,   0,   0,   2};
    Write(dir + "/requests/identify", request);
    std::vector<uint8_t> seq = {1, 0, 8, 0, 0xFF, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0};
    Write(dir + "/requests/count", seq);
    const char ini[] = "[ZEKAPP]\ncom=COM2\nbaudrate=1152\n[Other]\nx=1\n";
    Write(dir + "/settings/vistrel.ini", std::vector<uint8_t>(ini, ini + sizeof ini - 1));
    Write(dir + "/pipl/acquire.pipl", Pipl());
    Write(dir + "/descriptor/all.txt",
          Text("'Hrzn' unit '#Pxl' 480\n'Md  ' enum 'grmT' 'rgbC'\n'Invr' bool true\n"
               "'Cnt ' integer 3\n'Rati' float 1.5\n'mulK' list 2\n  object 'mulS'\n"
               "    'Cnt ' integer 1\n  end\n  object 'mulS'\n  end\nend\n"));
    Write(dir + "/autoexec/autoexec.bat",
          Text("@ECHO OFF\r\nPATH C:\\WINDOWS;C:\\DOS\r\n"
               "SET CLASSPATH=C:\\PHOTODLX\\PLUGINS\\ADOBE.ZIP\r\nSET TEMP=C:\\TEMP\r\n"));
    Write(dir + "/album/two.alb", Album(2, 0x0102, true));
    Write(dir + "/album/old.alb", Album(1, 0x0101, false));
    Write(dir + "/album/empty.alb", Album(0, 0x0102, true));
    // A help file with two topics, a heading, an item and links both ways.
    hlp::Project help;
    help.title = "Seed";
    help.topics.push_back({"contents", "Contents", {}});
    help.topics.push_back({"other", "Other", {}});
    help.topics[0].paragraphs.push_back(
        {hlp::ParagraphKind::kBody, {{"See ", ""}, {"other", "other"}}});
    help.topics[0].paragraphs.push_back({hlp::ParagraphKind::kBullet, {{"item", ""}}});
    help.topics[1].paragraphs.push_back({hlp::ParagraphKind::kHeading, {{"Back", "contents"}}});
    std::vector<uint8_t> hlp_bytes;
    std::string error;
    if (hlp::WriteHelpFile(help, &hlp_bytes, &error)) Write(dir + "/help/seed.hlp", hlp_bytes);
    return 0;
}
