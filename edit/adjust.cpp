// The adjustment runs in floating point where its factors are fractional and stores bytes at
// once; the constants below are the program's tuning of the automatic mode.
#include "edit/adjust.h"

#include <cmath>
#include <cstring>

const char* const kNotFullColorText = "This image is not full color.";

namespace {

constexpr int kClipPercent = 2;      // share of pixels clipped at each end
constexpr int kMaxBlackPoint = 50;   // black point at most
constexpr int kMinWhitePoint = 205;  // white point at least
constexpr double kBandLow = 10, kBandMid = 30, kBandHigh = 50;
constexpr double kBrightnessStep = 25;
constexpr int kEdgeThreshold = 128;
constexpr double kSaturationCap = 1.3;
constexpr double kSharpenBase = 0.12;
constexpr double kSharpenEdgeWeight = 4;
constexpr int kDeadZone = 2;

bool PlainRgb(const DibImage& dib, DibLayout* l) {
    return GetDibLayout(dib, l) && l->header.size == kInfoHeaderSize &&
           l->header.compression == kBiRgb && l->header.bit_count == 24;
}

uint8_t ClampByte(double v) {
    if (v <= 0) return 0;
    if (v >= 255) return 255;
    return static_cast<uint8_t>(v);
}

// The integer part of a value that is a whole number in exact arithmetic but may come out a
// hair below it in floating point (0.12 - 0.04 gives 0.0799...).
int WholePart(double v) {
    return static_cast<int>(std::trunc(v + (v >= 0 ? 1e-9 : -1e-9)));
}

int Clamp(int v, int lo, int hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

int8_t RoundSigned(double v) {
    const double r = std::round(v);  // half away from zero
    return static_cast<int8_t>(r < -128 ? -128 : r > 127 ? 127 : r);
}

void IdentityParams(AdjustParams* p) {
    p->lo = 0;
    p->k = 1;
    p->t = 1;
    p->sigma = 1;
    p->eta = 0;
    for (int i = 0; i < 256; ++i) p->tone[i] = static_cast<uint8_t>(i);
}

}  // namespace

bool MakeYccPlanes(const DibImage& dib, YccPlanes* planes) {
    DibLayout l;
    if (!PlainRgb(dib, &l)) return false;
    const size_t w = static_cast<size_t>(l.header.width), h = static_cast<size_t>(l.header.height);
    // Sides and the pixel budget are within the limits of codec/dib.h: w * h cannot overflow.
    const size_t n = w * h;
    YccPlanes p;
    if (!p.y.Allocate(n) || !p.cr.Allocate(n) || !p.cb.Allocate(n)) return false;
    p.width = l.header.width;
    p.height = l.header.height;
    const uint8_t* px = dib.data() + l.pixel_offset;
    for (size_t row = 0; row < h; ++row) {
        const uint8_t* s = px + row * l.stride;
        for (size_t x = 0; x < w; ++x, s += 3) {
            const double b = s[0], g = s[1], r = s[2];
            const size_t i = row * w + x;
            p.y.data()[i] = static_cast<uint8_t>(0.299 * r + 0.587 * g + 0.114 * b + 0.5);
            p.cr.data()[i] =
                static_cast<uint8_t>(RoundSigned(0.4998 * r - 0.4185 * g - 0.0813 * b));
            p.cb.data()[i] =
                static_cast<uint8_t>(RoundSigned(0.4997 * b - 0.3311 * g - 0.1686 * r));
        }
    }
    *planes = std::move(p);
    return true;
}

void ResetAdjustState(AdjustState* s) {
    s->values = AdjustValues();
    s->low = 0;
    s->high = 255;
    IdentityParams(&s->params);
    s->analysed = false;
    s->changed = false;
    s->dirty = true;
    s->preview = YccPlanes();
}

int PreviewStep(int32_t width, int32_t height) {
    const int32_t m = width > height ? width : height;
    if (m < 80) return 1;
    return static_cast<int>(std::floor(m / 158.0 + 0.5));
}

DibImage MakeAdjustPreview(const DibImage& dib) {
    DibLayout l;
    if (!PlainRgb(dib, &l)) return DibImage();
    const int32_t w = l.header.width, h = l.header.height;
    const int d = PreviewStep(w, h);
    const int32_t pw = (w + d - 1) / d, ph = (h + d - 1) / d;
    DibImage out;
    if (!DibSizeAllowed(pw, ph, 24)) return out;
    const size_t stride = static_cast<size_t>(DibStride(pw, 24));
    if (!out.block.Allocate(kInfoHeaderSize + stride * static_cast<size_t>(ph))) return out;
    DibHeader hd = l.header;
    hd.width = pw;
    hd.height = ph;
    hd.size_image = 0;
    hd.clr_used = 0;
    hd.clr_important = 0;
    WriteInfoHeader(out.data(), hd);
    const uint8_t* src = dib.data() + l.pixel_offset;
    uint8_t* dst = out.data() + kInfoHeaderSize;
    for (int32_t i = 0; i < ph; ++i) {
        const uint8_t* srow = src + static_cast<size_t>(i) * d * l.stride;
        uint8_t* drow = dst + static_cast<size_t>(i) * stride;
        for (int32_t j = 0; j < pw; ++j)
            std::memcpy(drow + j * 3, srow + static_cast<size_t>(j) * d * 3, 3);
    }
    return out;
}

bool AnalysePicture(AdjustState* s, const DibImage& preview) {
    YccPlanes p;
    if (!MakeYccPlanes(preview, &p)) return false;
    const size_t n = static_cast<size_t>(p.width) * static_cast<size_t>(p.height);
    uint64_t hist[256] = {};
    for (size_t i = 0; i < n; ++i) ++hist[p.y.data()[i]];
    const uint64_t clip = static_cast<uint64_t>(n) * kClipPercent / 100;
    uint64_t sum = 0;
    int level = 1;
    for (;; ++level) {
        sum += hist[level];
        if (sum >= clip || level == 254) break;
    }
    s->low = level < kMaxBlackPoint ? level : kMaxBlackPoint;
    sum = 0;
    for (level = 254;; --level) {
        sum += hist[level];
        if (sum >= clip || level == 1) break;
    }
    s->high = level > kMinWhitePoint ? level : kMinWhitePoint;
    s->preview = std::move(p);
    s->analysed = true;
    return true;
}

void BuildToneTable(int lo, double k, double t, uint8_t table[256]) {
    for (int i = 0; i < 256; ++i) {
        double v = (i - lo) * k;
        v = v < 0 ? 0 : v > 255 ? 255 : v;
        double out;
        if (v < 32)
            out = v * t;
        else if (v < 128)
            out = 32 * t + v - 32;
        else
            out = (1.25 - 0.25 * t) * v + 64 * t - 64;
        table[i] = ClampByte(std::trunc(out));
    }
}

bool ComputeAutomatic(AdjustState* s) {
    if (!s->analysed || s->high <= s->low) return false;
    const YccPlanes& p = s->preview;
    const int low = s->low, high = s->high;
    AdjustValues v;
    v.contrast = low > 255 - high ? low : 255 - high;
    const double k = 255.0 / (high - low);
    const double sc = (high - low) / 255.0;
    const size_t w = static_cast<size_t>(p.width), h = static_cast<size_t>(p.height);
    const size_t n = w * h;
    const uint8_t* y = p.y.data();
    uint64_t dark = 0, mid = 0, edges = 0;
    double chroma = 0;
    for (size_t row = 0; row < h; ++row) {
        for (size_t x = 0; x < w; ++x) {
            const size_t i = row * w + x;
            const double yv = y[i];
            if (yv >= kBandLow * sc + low && yv < kBandMid * sc + low) ++dark;
            if (yv >= kBandMid * sc + low && yv < kBandHigh * sc + low) ++mid;
            const double cr = static_cast<int8_t>(p.cr.data()[i]);
            const double cb = static_cast<int8_t>(p.cb.data()[i]);
            chroma += std::sqrt(cr * cr + cb * cb);
            if (row > 0 && x > 0 && row + 1 < h && x + 1 < w) {
                const int lap = 4 * y[i] - y[i - 1] - y[i + 1] - y[i - w] - y[i + w];
                if (lap >= kEdgeThreshold) ++edges;
            }
        }
    }
    double t = mid == 0 ? 1 : static_cast<double>(dark) / mid;
    t = t < 1 ? 1 : t > 3 ? 3 : t;
    v.brightness = WholePart((t - 1) * kBrightnessStep);

    const double m = n == 0 ? 0 : chroma / n;
    const double a = m < 10 ? 1 + 0.06 * m : m < 20 ? 2.2 - 0.06 * m : 1;
    double sigma = k * a;
    if (sigma > kSaturationCap) sigma = kSaturationCap;
    v.saturation = WholePart(100 * sigma - 100);

    double eta = n == 0 ? kSharpenBase : kSharpenBase - kSharpenEdgeWeight * edges / n;
    if (eta < 0) eta = 0;
    v.sharpness = WholePart(100 * eta);

    s->values = v;
    s->params.lo = low;
    s->params.k = k;
    s->params.t = t;
    s->params.sigma = sigma;
    s->params.eta = eta;
    BuildToneTable(low, k, t, s->params.tone);
    return true;
}

void ComputeManual(AdjustState* s, int brightness, int contrast, int saturation, int sharpness) {
    AdjustValues& v = s->values;
    v.brightness = Clamp(brightness, kAdjustMin, kAdjustMax);
    v.contrast = Clamp(contrast, kAdjustMin, kAdjustMax);
    v.saturation = Clamp(saturation, kAdjustMin, kAdjustMax);
    v.sharpness = Clamp(sharpness, kSharpnessMin, kSharpnessMax);
    // The analysis keeps low within 1..50 and high within 205..254; an unanalysed state uses
    // the widest points, which give the identity at contrast 0.
    const int low = s->analysed ? s->low : 1;
    const int high = s->analysed ? s->high : 254;
    const double c = v.contrast;
    int lo, hi;
    if (255 - high <= low) {
        lo = v.contrast;
        hi = static_cast<int>(std::trunc(255 - c * (255 - high) / low + 0.5));
    } else {
        lo = static_cast<int>(std::trunc(c * low / (255 - high) + 0.5));
        hi = 255 - v.contrast;
    }
    AdjustParams& p = s->params;
    p.lo = lo;
    p.k = hi > lo ? 255.0 / (hi - lo) : 255.0;
    p.eta = v.sharpness / 100.0;
    p.sigma = (v.saturation + 100) / 100.0;
    p.t = v.brightness / kBrightnessStep + 1;
    BuildToneTable(lo, p.k, p.t, p.tone);
}

DibImage ApplyAdjustment(const AdjustParams& prm, const DibImage& source) {
    DibLayout l;
    if (!PlainRgb(source, &l)) return DibImage();
    YccPlanes p;
    if (!MakeYccPlanes(source, &p)) return DibImage();
    DibImage out;
    if (!out.block.Allocate(source.size())) return out;
    // Header, padding bytes and anything after the last row come over unchanged.
    std::memcpy(out.data(), source.data(), source.size());
    const size_t w = static_cast<size_t>(p.width), h = static_cast<size_t>(p.height);
    const uint8_t* y = p.y.data();
    const uint8_t* tone = prm.tone;
    uint8_t* px = out.data() + l.pixel_offset;
    for (size_t row = 0; row < h; ++row) {
        uint8_t* d = px + row * l.stride;
        for (size_t x = 0; x < w; ++x, d += 3) {
            const size_t i = row * w + x;
            const int ty = tone[y[i]];
            int lap = 0;
            if (row > 0 && x > 0 && row + 1 < h && x + 1 < w) {
                lap = 4 * ty - tone[y[i - w]] - tone[y[i + w]] - tone[y[i - 1]] - tone[y[i + 1]];
                if (lap >= -kDeadZone && lap <= kDeadZone) lap = 0;
            }
            const double yy = ClampByte(std::trunc(ty + prm.eta * lap));
            const double cr = std::trunc(static_cast<int8_t>(p.cr.data()[i]) * prm.sigma);
            const double cb = std::trunc(static_cast<int8_t>(p.cb.data()[i]) * prm.sigma);
            d[2] = ClampByte(yy + 1.4026 * cr + 0.5);
            d[1] = ClampByte(yy - 0.7144 * cr - 0.3444 * cb + 0.5);
            d[0] = ClampByte(yy + 1.773 * cb + 0.5);
        }
    }
    return out;
}

int SliderValueAfter(int value, int action, uint32_t thumb_raw, int lo, int hi) {
    switch (action) {
        case kSliderLineLeft:
            value -= 1;
            break;
        case kSliderLineRight:
            value += 1;
            break;
        case kSliderPageLeft:
            value -= 20;
            break;
        case kSliderPageRight:
            value += 20;
            break;
        case kSliderThumbPosition:
        case kSliderThumbTrack:
            value = lo < 0 ? static_cast<int16_t>(thumb_raw & 0xFFFFu)
                           : static_cast<int>(thumb_raw & 0xFFFFu);
            break;
        default:
            break;
    }
    return Clamp(value, lo, hi);
}

PreviewPlace PlacePreview(int pw, int ph, int fw, int fh) {
    PreviewPlace r;
    if (pw <= 0 || ph <= 0) return r;
    int dw, dh;
    if (pw > ph) {
        dw = fw - 10;
        dh = static_cast<int>(static_cast<int64_t>(fh - 10) * ph / pw);
        if (pw < dw) {
            dw = pw;
            dh = ph;
        }
    } else {
        dh = fh - 10;
        dw = static_cast<int>(static_cast<int64_t>(fw - 10) * pw / ph);
        if (ph < dh) {
            dw = pw;
            dh = ph;
        }
    }
    if (dw < 0) dw = 0;
    if (dh < 0) dh = 0;
    r.width = dw;
    r.height = dh;
    r.x = (fw - dw) / 2;
    r.y = (fh - dh) / 2;
    return r;
}
