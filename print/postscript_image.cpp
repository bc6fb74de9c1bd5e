// A picture as PostScript code; see postscript_image.h. Run-length coding follows the
// RunLengthDecode filter (a length byte 0..127 before that many plus one literal bytes, 257 - n
// before a byte repeated n times, 128 at the end) and is done row by row; ASCII85 makes five
// characters of four bytes ("z" for four zeros), in lines of at most kLineMax characters.
#include "print/postscript_image.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kLineMax = 250;
// Larger pictures than any page holds at any resolution are refused.
constexpr int kSideMax = 1 << 16;

bool Flush(PostScriptImage* image) {
    if (image->ok && !image->piece.empty())
        image->ok = image->sink(image->context, image->piece.data(), image->piece.size());
    image->piece.clear();
    return image->ok;
}

void Text(PostScriptImage* image, const char* text, size_t size) {
    if (image->piece.size() + size > kPostScriptPieceMax) Flush(image);
    image->piece.insert(image->piece.end(), text, text + size);
}

// One character of the coded samples. A line never starts with "%", which a spooler reading
// the document's comments could take for one.
void Char(PostScriptImage* image, char c) {
    if (image->column >= kLineMax) {
        image->piece.push_back('\n');
        image->column = 0;
    }
    if (image->column == 0 && c == '%') {
        image->piece.push_back(' ');
        ++image->column;
    }
    image->piece.push_back(c);
    ++image->column;
    if (image->piece.size() >= kPostScriptPieceMax - 2) Flush(image);
}

// The group of four bytes (or the last one to three, padded with zeros).
void Group(PostScriptImage* image) {
    const int n = image->grouped;
    for (int i = n; i < 4; ++i) image->group[i] = 0;
    uint32_t v = (static_cast<uint32_t>(image->group[0]) << 24) |
                 (static_cast<uint32_t>(image->group[1]) << 16) |
                 (static_cast<uint32_t>(image->group[2]) << 8) | image->group[3];
    image->grouped = 0;
    if (n == 4 && v == 0) {
        Char(image, 'z');
        return;
    }
    char digits[5];
    for (int i = 4; i >= 0; --i) {
        digits[i] = static_cast<char>('!' + v % 85);
        v /= 85;
    }
    for (int i = 0; i <= n; ++i) Char(image, digits[i]);
}

void Byte(PostScriptImage* image, uint8_t b) {
    image->group[image->grouped++] = b;
    if (image->grouped == 4) Group(image);
}

void Bytes(PostScriptImage* image, const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) Byte(image, p[i]);
}

// Run-length codes one row.
void RunLength(PostScriptImage* image, const uint8_t* p, size_t n) {
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 128 && p[i + run] == p[i]) ++run;
        if (run >= 2) {
            Byte(image, static_cast<uint8_t>(257 - run));
            Byte(image, p[i]);
            i += run;
            continue;
        }
        // Literal bytes up to the next run of three (two alike cost as much either way).
        const size_t start = i;
        while (i < n && i - start < 128) {
            if (i + 2 < n && p[i] == p[i + 1] && p[i] == p[i + 2]) break;
            ++i;
        }
        Byte(image, static_cast<uint8_t>(i - start - 1));
        Bytes(image, p + start, i - start);
    }
}

}  // namespace

bool BeginPostScriptImage(PostScriptImage* image, int x, int y, int place_width, int place_height,
                          int width, int height, bool bottom_up) {
    image->ok = false;
    if (!image->sink || place_width <= 0 || place_height <= 0 || width <= 0 || height <= 0 ||
        width > kSideMax || height > kSideMax)
        return false;
    image->ok = true;
    image->width = width;
    image->rows_left = height;
    image->column = 0;
    image->grouped = 0;
    image->piece.clear();
    image->piece.reserve(kPostScriptPieceMax);
    image->rgb.assign(static_cast<size_t>(width) * 3, 0);
    char matrix[64];
    if (bottom_up)
        std::snprintf(matrix, sizeof matrix, "[%d 0 0 %d 0 %d]", width, -height, height);
    else
        std::snprintf(matrix, sizeof matrix, "[%d 0 0 %d 0 0]", width, height);
    char head[512];
    const int n = std::snprintf(head, sizeof head,
                                "gsave\n/DeviceRGB setcolorspace\n%d %d translate\n%d %d scale\n"
                                "<<\n /ImageType 1\n /Width %d\n /Height %d\n"
                                " /BitsPerComponent 8\n /ImageMatrix %s\n"
                                " /Decode [0 1 0 1 0 1]\n /DataSource currentfile "
                                "/ASCII85Decode filter /RunLengthDecode filter\n>>\nimage\n",
                                x, y, place_width, place_height, width, height, matrix);
    Text(image, head, static_cast<size_t>(n));
    return image->ok;
}

bool PutPostScriptImageRow(PostScriptImage* image, const uint8_t* bgr) {
    if (!image->ok || image->rows_left <= 0) return false;
    uint8_t* out = image->rgb.data();
    for (int i = 0; i < image->width; ++i) {
        out[i * 3] = bgr[i * 3 + 2];
        out[i * 3 + 1] = bgr[i * 3 + 1];
        out[i * 3 + 2] = bgr[i * 3];
    }
    RunLength(image, out, image->rgb.size());
    --image->rows_left;
    return image->ok;
}

bool EndPostScriptImage(PostScriptImage* image) {
    if (!image->ok) return false;
    const bool whole = image->rows_left == 0;
    Byte(image, 128);  // the run-length coding's end
    if (image->grouped) Group(image);
    static const char kTail[] = "~>\ngrestore\n";
    if (image->column > 0) Text(image, "\n", 1);
    Text(image, kTail, sizeof kTail - 1);
    Flush(image);
    image->rgb.clear();
    return whole && image->ok;
}
