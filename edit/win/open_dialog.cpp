// "File Open...": the program's open dialog with its preview (codec/win/open_preview.h) on
// JPEG, BMP and album files. The folder of the chosen file becomes the remembered dir.
#include <string>
#include <vector>

#include "base/dir.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/settings.h"
#include "codec/win/open_preview.h"
#include "edit/win/image_window.h"

namespace {
constexpr int kAlbumFilter = 3;
}  // namespace

bool OpenFileDialog(HWND owner, std::string* path, std::string* name) {
    OpenDialogRequest request;
    request.owner = owner;
    request.filter =
        "JPEG Files(*.JPG)\0*.jpg\0Bitmap Files(*.BMP)\0*.bmp\0Album Files(*.ALB)\0*.alb\0";
    request.filter_index = 1;
    request.initial_folder = GetSetting(*Plat().settings, "dir", "");
    request.no_preview_filters = {kAlbumFilter};
    std::vector<std::string> files;
    if (!RunOpenDialogWithPreview(request, &files) || files.empty()) return false;
    // The file may have gone while the dialog was open.
    if (!FileExists(files[0])) return false;
    Plat().settings->Set("dir", PathFolder(files[0]));
    *path = files[0];
    *name = PathFileName(files[0]);
    return true;
}
