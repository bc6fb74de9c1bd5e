#include "album/album_picture.h"

#include "album/album_file.h"
#include "base/dir.h"
#include "base/messages.h"
#include "base/path.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"

namespace {

int PlainDecode(const std::string& jpeg_path, DibImage* picture) {
    return DecodeJpegToDib(jpeg_path, 0, JpegProgress(), picture);
}

bool EndsWith(const std::string& s, const char* tail) {
    const std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

PictureKind PictureKindOf(const std::string& path) {
    const std::string name = PathFileName(path);
    if (HasExtension(name, ".jpg") || HasExtension(name, ".jpeg")) return PictureKind::kJpeg;
    if (HasExtension(name, ".bmp")) return PictureKind::kBmp;
    return PictureKind::kOther;
}

DibImage LoadAlbumSource(const std::string& path, JpegDecodeFunction decode) {
    if (!FileExists(path)) {
        ShowError(kMsgNoFile);
        return DibImage();
    }
    switch (PictureKindOf(path)) {
        case PictureKind::kBmp:
            return LoadBmpFile(path);
        case PictureKind::kJpeg: {
            DibImage picture;
            if (!(decode ? decode : PlainDecode)(path, &picture)) return DibImage();
            return picture;
        }
        case PictureKind::kOther:
            break;
    }
    ShowError(kMsgNoCorrespondence);
    return DibImage();
}

DibImage ThumbnailFromSource(const DibImage& source) {
    DibLayout l;
    if (!GetDibLayout(source, &l) || l.header.size != kInfoHeaderSize ||
        l.header.compression != kBiRgb)
        return DibImage();
    const int bits = l.header.bit_count;
    if (bits == 8 || bits == 24) return MakeThumbnail(source);
    if (bits != 1 && bits != 4) return DibImage();
    DibImage expanded = ExpandTo24(source);
    return expanded ? MakeThumbnail(expanded) : DibImage();
}

CameraDate PictureDate(const std::string& path) {
    if (PictureKindOf(path) != PictureKind::kJpeg) return CameraDate();
    return ThumbnailDate(path);
}

std::string AlbumSaveName(const std::string& name) {
    if (EndsWith(name, ".alb") || EndsWith(name, ".ALB")) return name;
    return name + ".alb";
}
