#include "edit/image_view.h"

#include <cstdio>

std::string ImageWindowTitle(const std::string& name, int modified, int zoom) {
    char tail[32];
    std::snprintf(tail, sizeof tail, modified ? "* [%d%s]" : " [%d%s]", zoom * 100 / 4, "%");
    return name + tail;
}

int ScaledSize(const ViewAxis& a) {
    return static_cast<int>(static_cast<int64_t>(a.picture) * a.zoom / 4);
}

int ViewOffset(const ViewAxis& a) {
    const int d = (a.client - ScaledSize(a)) / 2;
    return d > 0 ? d : 0;
}

int ScrollMax(const ViewAxis& a) {
    const int d = ScaledSize(a) - a.client;
    return d > 0 ? d : 0;
}

int ScrollLine(int client) {
    const int line = client / 4;
    return line > 0 ? line : 1;
}

int ClampScroll(const ViewAxis& a, int position) {
    const int hi = ScrollMax(a);
    return position < 0 ? 0 : position > hi ? hi : position;
}

VisibleSpan VisiblePart(const ViewAxis& a) {
    VisibleSpan v;
    if (a.zoom <= 0 || a.picture <= 0) return v;
    // Whole picture pixels from the one under the scroll position to the client's end.
    v.first = static_cast<int>(static_cast<int64_t>(a.scroll) * 4 / a.zoom);
    if (v.first > a.picture) v.first = a.picture;
    int64_t count = static_cast<int64_t>(a.client) * 4 / a.zoom + 2;
    if (count > a.picture - v.first) count = a.picture - v.first;
    v.count = static_cast<int>(count);
    v.at = ViewOffset(a) + static_cast<int>(static_cast<int64_t>(v.first) * a.zoom / 4) - a.scroll;
    v.length = static_cast<int>(static_cast<int64_t>(v.count) * a.zoom / 4);
    return v;
}

int PicturePointOf(const ViewAxis& a, int client_point) {
    if (a.zoom <= 0) return 0;
    const int64_t p = (static_cast<int64_t>(client_point) - ViewOffset(a) + a.scroll) * 4 / a.zoom;
    return p < 0 ? 0 : p > a.picture ? a.picture : static_cast<int>(p);
}

int ClientPointOf(const ViewAxis& a, int picture_point) {
    return static_cast<int>(static_cast<int64_t>(picture_point) * a.zoom / 4) - a.scroll +
           ViewOffset(a);
}
