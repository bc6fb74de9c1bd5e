#include "edit/file_kind.h"

#include <cstdint>
#include <cstring>

#include "base/files.h"

namespace {

const char kAlbumSignature[] = "ZEK DSC ALBUM  ";

size_t ReadAt(std::FILE* f, int64_t offset, uint8_t* buf, size_t n) {
    if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) return 0;
    return std::fread(buf, 1, n, f);
}

bool LooksJpeg(std::FILE* f, int64_t length) {
    uint8_t head[2048];
    const size_t got = ReadAt(f, 0, head, sizeof head);
    if (got < 2) return false;
    if (head[0] == 'B' || (head[0] == 'b' && head[1] == 'M') || head[1] == 'm') return false;
    bool start = false;
    for (size_t i = 0; i + 1 < got && !start; ++i) start = head[i] == 0xFF && head[i + 1] == 0xD8;
    if (!start) return false;
    uint8_t tail[2048];
    const int64_t from = length > 2048 ? length - 2048 : 0;
    const size_t n = ReadAt(f, from, tail, sizeof tail);
    for (size_t i = n; i >= 2; --i)
        if (tail[i - 2] == 0xFF && tail[i - 1] == 0xD9) return true;
    return false;
}

}  // namespace

int DetectFileKind(const std::string& path) {
    if (path.empty()) return kFileEmptyPath;
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return kFileUnknown;
    const int64_t length = FileLength(path);
    if (LooksJpeg(f.get(), length)) return kFileJpeg;
    uint8_t head[32];
    const size_t got = ReadAt(f.get(), 0, head, sizeof head);
    if (got >= 14 && head[0] == 'B' && head[1] == 'M') return kFileBmp;
    if (got == 32 && std::memcmp(head, kAlbumSignature, sizeof kAlbumSignature) == 0)
        return kFileAlbum;
    return kFileUnknown;
}
