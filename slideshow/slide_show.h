// The slide show's rules that need no window: its three settings (read by two different rules,
// one for the show and one for its options dialog), the interval, where a picture goes on the
// screen, and which album entry comes next in album or random order.
//
// Random order takes its numbers from a small seeded generator passed in by the caller, and the
// tick count as an argument, so that a test can replay a show exactly.
#pragma once
#include <cstdint>
#include <vector>

#include "codec/dib.h"

struct SettingsStore;

enum SlideSize { kSlideFit = 0, kSlideOriginal = 1 };
enum SlideOrderType { kSlideStandard = 0, kSlideRandom = 1 };

struct SlideSettings {
    int size = kSlideFit;
    int speed = 0;  // 0..10
    int type = kSlideStandard;
};

// As the show reads them: Size missing -> 0, any other value than 0 -> 1; Speed missing or
// outside 0..10 -> 0; Type missing or other than 1 -> 0.
SlideSettings ReadShowSettings(SettingsStore& store);
// As the options dialog reads them: Size other than 1 -> 0; Speed missing -> 0, outside
// 0..10 -> 5; Type other than 1 -> 0.
SlideSettings ReadOptionsSettings(SettingsStore& store);
// Writes Size, Speed and Type (the options dialog's OK).
void WriteSlideSettings(SettingsStore& store, const SlideSettings& settings);

// The time a picture stays after it was drawn: 10000 - Speed x 1000 ms.
uint32_t SlideIntervalMs(int speed);

struct SlideRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
// Where a w x h picture goes on a W x H screen. Fit: a portrait picture (w < h) takes the
// screen height at the top, centred across; any other takes the screen width, centred down,
// unless that is too tall, then the height. Original: a picture that fits is drawn 1:1 and
// centred, a larger one is fitted.
SlideRect SlidePlacement(int screen_width, int screen_height, int w, int h, int size);

// A picture larger than its place made as small as the place (width x height) by dropping
// pixels, as the show's stretch mode does, so that drawing it is a plain copy: each pixel of
// the place takes the source pixel under its centre. Uncompressed 8- and 24-bit pictures only;
// empty for any other picture, a place larger than the picture, or memory short (the picture is
// then drawn as it is). Says nothing: the show calls it off the window's thread.
DibImage ShrinkSlidePicture(const DibImage& source, int width, int height);

// The pseudo-random numbers of random order (a xorshift generator; never 0 state).
struct SlideRandom {
    uint32_t state = 0x2545F491u;
};
void SeedSlideRandom(SlideRandom* random, uint32_t seed);
uint32_t NextSlideRandom(SlideRandom* random);

// Which entry is shown, and in random order which ones were shown in this cycle.
struct SlideOrder {
    int count = 0;
    int type = kSlideStandard;
    int current = -1;     // the entry on the screen
    int last_shown = -1;  // random order: the entry taken last
    std::vector<uint8_t> shown;
};

// Starts an order over count entries (0 when the flags cannot be had or count is not
// positive). The first entry is 0 in album order and tick mod count in random order.
int StartSlideOrder(SlideOrder* order, int count, int type, uint32_t tick);
// The entry after the current one: the next in album order (after the last comes 0), or a
// random one by the rule below. Returns the new current entry.
//
// Random rule: draw r = (tick + random) mod count until r is not the entry shown last; an
// entry not yet shown in this cycle is taken; otherwise, when every entry was shown, a new
// cycle starts with entry 0, else the first entry not yet shown is taken.
int NextSlide(SlideOrder* order, uint32_t tick, SlideRandom* random);
// The entry before the current one in album order (before 0 comes the last); in random order
// the next random entry; a single entry stays.
int PreviousSlide(SlideOrder* order, uint32_t tick, SlideRandom* random);
