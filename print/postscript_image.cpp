// A picture as PostScript code; see postscript_image.h. Run-length coding follows the
// RunLengthDecode filter (a length byte 0..127 before that many plus one literal bytes, 257 - n
// before a byte repeated n times, 128 at the end) and is done row by row; ASCII85 makes five
// characters of four bytes ("z" for four zeros), in lines of at most kLineMax characters broken
// between groups.
#include "print/postscript_image.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kLineMax = 250;
// Larger pictures than any page holds at any resolution are refused.
constexpr int kSideMax = 1 << 16;

bool Flush(PostScriptImage* image) {
    if (image->ok && image->used > 0)
        image->ok = image->sink(image->context, image->piece.data(), image->used);
    image->used = 0;
    return image->ok;
}

void Text(PostScriptImage* image, const char* text, size_t size) {
    if (image->used + size > kPostScriptPieceMax) Flush(image);
    std::memcpy(image->piece.data() + image->used, text, size);
    image->used += size;
}

// ASCII85 of n bytes (a shorter last group gives one character more than its bytes). A line
// never starts with "%", which a spooler reading the document's comments could take for one.
void Ascii85(PostScriptImage* image, const uint8_t* p, size_t n) {
    char* out = image->piece.data();
    size_t used = image->used;
    int column = image->column;
    for (size_t i = 0; i < n; i += 4) {
        if (used + 8 > kPostScriptPieceMax) {
            image->used = used;
            Flush(image);
            used = 0;
        }
        const size_t count = n - i < 4 ? n - i : 4;
        uint8_t g[4] = {0, 0, 0, 0};
        std::memcpy(g, p + i, count);
        uint32_t v = (static_cast<uint32_t>(g[0]) << 24) | (static_cast<uint32_t>(g[1]) << 16) |
                     (static_cast<uint32_t>(g[2]) << 8) | g[3];
        char digits[5];
        int chars = 1;
        if (count == 4 && v == 0) {
            digits[0] = 'z';
        } else {
            for (int d = 4; d >= 0; --d) {
                digits[d] = static_cast<char>('!' + v % 85);
                v /= 85;
            }
            chars = static_cast<int>(count) + 1;
        }
        if (column + chars > kLineMax) {
            out[used++] = '\n';
            column = 0;
        }
        if (column == 0 && digits[0] == '%') {
            out[used++] = ' ';
            ++column;
        }
        std::memcpy(out + used, digits, static_cast<size_t>(chars));
        used += static_cast<size_t>(chars);
        column += chars;
    }
    image->used = used;
    image->column = column;
}

// Run-length codes a row after the bytes already in runs; the code's size.
size_t RunLength(const uint8_t* p, size_t n, uint8_t* out) {
    size_t o = 0, i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 128 && p[i + run] == p[i]) ++run;
        if (run >= 2) {
            out[o++] = static_cast<uint8_t>(257 - run);
            out[o++] = p[i];
            i += run;
            continue;
        }
        // Literal bytes up to the next run of three (two alike cost as much either way).
        const size_t start = i;
        while (i < n && i - start < 128) {
            if (i + 2 < n && p[i] == p[i + 1] && p[i] == p[i + 2]) break;
            ++i;
        }
        out[o++] = static_cast<uint8_t>(i - start - 1);
        std::memcpy(out + o, p + start, i - start);
        o += i - start;
    }
    return o;
}

// Codes the bytes in runs but the last incomplete group, which moves to the front.
void CodeRuns(PostScriptImage* image, size_t size, bool last) {
    const size_t whole = last ? size : size - size % 4;
    Ascii85(image, image->runs.data(), whole);
    image->left = size - whole;
    std::memmove(image->runs.data(), image->runs.data() + whole, image->left);
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
    image->used = 0;
    image->left = 0;
    image->piece.resize(kPostScriptPieceMax);
    const size_t row = static_cast<size_t>(width) * 3;
    image->rgb.assign(row, 0);
    // A row's code: a length byte for every 128 bytes at most, after up to three bytes left,
    // and the end byte.
    image->runs.assign(3 + row + row / 128 + 2, 0);
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
    uint8_t* rgb = image->rgb.data();
    for (int i = 0; i < image->width; ++i) {
        rgb[i * 3] = bgr[i * 3 + 2];
        rgb[i * 3 + 1] = bgr[i * 3 + 1];
        rgb[i * 3 + 2] = bgr[i * 3];
    }
    const size_t size =
        image->left + RunLength(rgb, image->rgb.size(), image->runs.data() + image->left);
    CodeRuns(image, size, false);
    --image->rows_left;
    return image->ok;
}

bool EndPostScriptImage(PostScriptImage* image) {
    if (!image->ok) return false;
    const bool whole = image->rows_left == 0;
    image->runs[image->left] = 128;  // the run-length coding's end
    CodeRuns(image, image->left + 1, true);
    static const char kTail[] = "\n~>\ngrestore\n";
    Text(image, kTail, sizeof kTail - 1);
    Flush(image);
    image->rgb.clear();
    image->runs.clear();
    return whole && image->ok;
}
