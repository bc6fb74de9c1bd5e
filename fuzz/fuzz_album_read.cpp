// Album reader: the marks, the header and every record of an untrusted file. Whatever reads
// back whole must write back and read again to the same pictures.
#include <cstdlib>
#include <cstring>

#include "album/album_file.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    const std::string& path = FuzzWriteInput(data, size);
    uint8_t marks[kAlbumCapacity];
    ReadAlbumMarks(path, marks);
    Album album;
    if (!LoadAlbumFile(path, &album)) return 0;
    if (!WriteAlbum(&album, FuzzOutputPath())) std::abort();
    Album again;
    if (!LoadAlbumFile(FuzzOutputPath(), &again)) std::abort();
    if (again.pictures.size() != album.pictures.size()) std::abort();
    for (size_t i = 0; i < album.pictures.size(); ++i) {
        const AlbumPicture& a = album.pictures[i];
        const AlbumPicture& b = again.pictures[i];
        if (a.path != b.path || a.mark != b.mark || a.thumbnail.size() != b.thumbnail.size() ||
            std::memcmp(a.thumbnail.data(), b.thumbnail.data(), a.thumbnail.size()) != 0)
            std::abort();
    }
    return 0;
}
