// How the image window shows its picture: the title, the centring of a picture smaller than the
// window, the scroll ranges and steps, the part of the picture that is visible, and the mapping
// of a mouse point to a picture pixel. Sizes are in client pixels unless they say otherwise;
// the zoom is in quarters (edit/geometry.h).
#pragma once
#include <cstdint>
#include <string>

// "%s* [%d%s]" for a modified picture, else "%s [%d%s]": name, zoom in percent, "%".
std::string ImageWindowTitle(const std::string& name, int modified, int zoom);

// One direction of the view: the client size, the picture's size in picture pixels, the zoom
// and the scroll position (client pixels).
struct ViewAxis {
    int client = 0;
    int picture = 0;
    int zoom = 4;
    int scroll = 0;
};
// The picture's size on the screen: picture x zoom / 4.
int ScaledSize(const ViewAxis& a);
// Where the picture starts when it is smaller than the client: (client - scaled) / 2, at least 0.
int ViewOffset(const ViewAxis& a);
// The scroll range: 0 to scaled - client, 0 when the picture fits.
int ScrollMax(const ViewAxis& a);
// A scroll line: a quarter of the client size, at least 1 pixel.
int ScrollLine(int client);
// The new scroll position after a move to position, clamped to the range.
int ClampScroll(const ViewAxis& a, int position);

// The visible part: picture pixels first .. first + count, drawn at client position at with
// length client pixels.
struct VisibleSpan {
    int first = 0;
    int count = 0;
    int at = 0;
    int length = 0;
};
VisibleSpan VisiblePart(const ViewAxis& a);

// The picture pixel under a client point (clamped to the picture: 0 .. picture).
int PicturePointOf(const ViewAxis& a, int client_point);
// The client position of a picture point.
int ClientPointOf(const ViewAxis& a, int picture_point);
