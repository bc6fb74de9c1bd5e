// The slide show's portable rules; see slide_show.h.
#include "slideshow/slide_show.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "base/settings.h"

namespace {

int Scale(int a, int b, int c) {
    if (c <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(a) * b / c);
}

SlideRect Fit(int W, int H, int w, int h) {
    SlideRect r;
    if (w < h) {
        r.width = Scale(H, w, h);
        r.height = H;
        r.x = (W - r.width) / 2;
        return r;
    }
    r.width = W;
    r.height = Scale(W, h, w);
    r.y = (H - r.height) / 2;
    if (r.height > H) {
        r.width = Scale(H, w, h);
        r.height = H;
        r.x = (W - r.width) / 2;
        r.y = 0;
    }
    return r;
}

int Take(SlideOrder* order, int entry) {
    order->shown[entry] = 1;
    order->last_shown = entry;
    order->current = entry;
    return entry;
}

int RandomSlide(SlideOrder* order, uint32_t tick, SlideRandom* random) {
    const int count = order->count;
    // One entry cannot differ from the one shown last: it is simply shown again.
    if (count == 1) return Take(order, 0);
    int r = 0;
    do {
        r = static_cast<int>((tick + NextSlideRandom(random)) % static_cast<uint32_t>(count));
    } while (r == order->last_shown);
    if (!order->shown[r]) return Take(order, r);
    int first_unshown = -1;
    for (int i = 0; i < count; ++i) {
        if (!order->shown[i]) {
            first_unshown = i;
            break;
        }
    }
    if (first_unshown < 0) {
        for (auto& flag : order->shown) flag = 0;
        return Take(order, 0);
    }
    return Take(order, first_unshown);
}

}  // namespace

SlideSettings ReadShowSettings(SettingsStore& store) {
    SlideSettings s;
    bool present = false;
    int size = ReadSettingNumber(store, "Size", 0, &present);
    s.size = present && size != 0 ? kSlideOriginal : kSlideFit;
    int speed = ReadSettingNumber(store, "Speed", 0);
    s.speed = speed >= 0 && speed <= 10 ? speed : 0;
    s.type = ReadSettingNumber(store, "Type", 0) == 1 ? kSlideRandom : kSlideStandard;
    return s;
}

SlideSettings ReadOptionsSettings(SettingsStore& store) {
    SlideSettings s;
    bool present = false;
    s.size = ReadSettingNumber(store, "Size", 0) == 1 ? kSlideOriginal : kSlideFit;
    int speed = ReadSettingNumber(store, "Speed", 0, &present);
    s.speed = !present ? 0 : speed >= 0 && speed <= 10 ? speed : 5;
    s.type = ReadSettingNumber(store, "Type", 0) == 1 ? kSlideRandom : kSlideStandard;
    return s;
}

void WriteSlideSettings(SettingsStore& store, const SlideSettings& settings) {
    store.Set("Size", std::to_string(settings.size));
    store.Set("Speed", std::to_string(settings.speed));
    store.Set("Type", std::to_string(settings.type));
}

uint32_t SlideIntervalMs(int speed) {
    if (speed < 0 || speed > 10) speed = 0;
    return static_cast<uint32_t>(10000 - speed * 1000);
}

SlideRect SlidePlacement(int screen_width, int screen_height, int w, int h, int size) {
    if (w <= 0 || h <= 0 || screen_width <= 0 || screen_height <= 0) return SlideRect();
    if (size == kSlideOriginal && w <= screen_width && h <= screen_height) {
        SlideRect r;
        r.width = w;
        r.height = h;
        r.x = (screen_width - w) / 2;
        r.y = (screen_height - h) / 2;
        return r;
    }
    return Fit(screen_width, screen_height, w, h);
}

DibImage ShrinkSlidePicture(const DibImage& source, int width, int height) {
    DibLayout l;
    if (!GetDibLayout(source, &l) || l.header.size != kInfoHeaderSize ||
        l.header.compression != kBiRgb || (l.header.bit_count != 8 && l.header.bit_count != 24))
        return DibImage();
    const int bits = l.header.bit_count;
    const int64_t sw = l.header.width;
    const int64_t sh = l.header.height;  // rows bottom-up: the layout refuses any other
    if (width <= 0 || height <= 0 || width > sw || height > sh || (width == sw && height == sh) ||
        !DibSizeAllowed(width, height, bits))
        return DibImage();
    const size_t bytes_per_pixel = static_cast<size_t>(bits / 8);
    const size_t stride = static_cast<size_t>(DibStride(width, bits));
    const size_t palette = static_cast<size_t>(l.colors) * 4;
    std::vector<uint32_t> columns;
    DibImage out;
    if (!out.block.Allocate(kInfoHeaderSize + palette + stride * static_cast<size_t>(height)))
        return DibImage();
    columns.resize(static_cast<size_t>(width));
    DibHeader h = InfoHeaderFor(width, height, bits);
    h.clr_used = l.colors;
    h.x_pels_per_meter = l.header.x_pels_per_meter;
    h.y_pels_per_meter = l.header.y_pels_per_meter;
    WriteInfoHeader(out.data(), h);
    if (palette)
        std::memcpy(out.data() + kInfoHeaderSize, source.data() + l.palette_offset, palette);
    for (int x = 0; x < width; ++x)
        columns[static_cast<size_t>(x)] =
            static_cast<uint32_t>((2 * int64_t{x} + 1) * sw / (2 * int64_t{width}));
    const uint8_t* pixels = source.data() + l.pixel_offset;
    uint8_t* rows = out.data() + kInfoHeaderSize + palette;
    for (int y = 0; y < height; ++y) {  // y from the top
        const int64_t sy = (2 * int64_t{y} + 1) * sh / (2 * int64_t{height});
        const uint8_t* from = pixels + static_cast<size_t>(sh - 1 - sy) * l.stride;
        uint8_t* to = rows + static_cast<size_t>(height - 1 - y) * stride;
        if (bytes_per_pixel == 3) {
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = from + size_t{3} * columns[static_cast<size_t>(x)];
                to[3 * x] = p[0];
                to[3 * x + 1] = p[1];
                to[3 * x + 2] = p[2];
            }
        } else {
            for (int x = 0; x < width; ++x) to[x] = from[columns[static_cast<size_t>(x)]];
        }
    }
    return out;
}

void SeedSlideRandom(SlideRandom* random, uint32_t seed) {
    random->state = seed != 0 ? seed : 0x2545F491u;
}

uint32_t NextSlideRandom(SlideRandom* random) {
    uint32_t x = random->state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    random->state = x;
    return x >> 1;  // 31 bits, like the C library's numbers
}

int StartSlideOrder(SlideOrder* order, int count, int type, uint32_t tick) {
    *order = SlideOrder();
    // An album holds at most a 16-bit count of entries; anything larger is no album.
    if (count <= 0 || count > 65535) return 0;
    order->count = count;
    order->type = type;
    if (type == kSlideRandom) {
        order->shown.assign(static_cast<size_t>(count), 0);
        Take(order, static_cast<int>(tick % static_cast<uint32_t>(count)));
    } else {
        order->current = 0;
    }
    return 1;
}

int NextSlide(SlideOrder* order, uint32_t tick, SlideRandom* random) {
    if (order->count <= 0) return -1;
    if (order->type == kSlideRandom) return RandomSlide(order, tick, random);
    order->current = order->current + 1 >= order->count ? 0 : order->current + 1;
    return order->current;
}

int PreviousSlide(SlideOrder* order, uint32_t tick, SlideRandom* random) {
    if (order->count <= 0) return -1;
    if (order->count == 1) return order->current;
    if (order->type == kSlideRandom) return RandomSlide(order, tick, random);
    order->current = order->current <= 0 ? order->count - 1 : order->current - 1;
    return order->current;
}
