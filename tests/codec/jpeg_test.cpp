#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#ifndef _WIN32
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/dir.h"
#include "base/files.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "codec_test_support.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

const char kBitmapFailed[] = "It failed in the creating bitmap.";
const char kJpegFailed[] = "It failed in the creating JPEG.";
const char kOpenFailed[] = "File cannot be opened.";

class JpegTest : public CodecTest {
protected:
    std::string Jpeg(const JpegSpec& spec) {
        std::string p = TempPath(".jpg");
        WriteBytes(p, MakeJpeg(spec));
        return p;
    }
    std::string Bmp(const std::vector<uint8_t>& bytes) {
        std::string p = TempPath(".bmp");
        WriteBytes(p, bytes);
        return p;
    }
    // Decodes with the library directly: BGR rows bottom-up with the BMP padding, the picture
    // our decoder must write.
    static std::vector<uint8_t> ReferenceDecode(const std::vector<uint8_t>& jpeg, int* w, int* h) {
        jpeg_decompress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_decompress(&c);
        jpeg_mem_src(&c, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&c, TRUE);
        c.out_color_space = JCS_RGB;
        jpeg_start_decompress(&c);
        *w = static_cast<int>(c.output_width);
        *h = static_cast<int>(c.output_height);
        size_t stride = DibStride(*w, 24);
        std::vector<uint8_t> out(stride * *h);
        std::vector<uint8_t> row(*w * 3);
        while (c.output_scanline < c.output_height) {
            int y = static_cast<int>(c.output_scanline);
            JSAMPROW r = row.data();
            jpeg_read_scanlines(&c, &r, 1);
            uint8_t* o = out.data() + stride * (*h - 1 - y);
            for (int x = 0; x < *w; ++x) {
                o[x * 3] = row[x * 3 + 2];
                o[x * 3 + 1] = row[x * 3 + 1];
                o[x * 3 + 2] = row[x * 3];
            }
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
        return out;
    }
    void ExpectOneBox(const char* text) {
        ASSERT_EQ(prompts.boxes.size(), 1u);
        EXPECT_EQ(prompts.boxes[0], text);
        prompts.boxes.clear();
    }
};

TEST(JpegMeterFormulas, DecodeEncodeAndRange) {
    EXPECT_EQ(DecodeMeterPos(JpegMeter::kFull, 0, 100), 0u);
    EXPECT_EQ(DecodeMeterPos(JpegMeter::kFull, 2, 100), 1u);  // (50 + 50) / 100
    EXPECT_EQ(DecodeMeterPos(JpegMeter::kFull, 100, 100), 25u);
    EXPECT_EQ(DecodeMeterPos(JpegMeter::kFull, 7, 7), 25u);
    EXPECT_EQ(DecodeMeterPos(JpegMeter::kFirstHalf, 100, 100), 12u);
    EXPECT_EQ(DecodeMeterPos(JpegMeter::kFirstHalf, 50, 100), 6u);  // 13 / 2
    JpegProgress full;
    full.meter = JpegMeter::kFull;
    EXPECT_EQ(EncodeMeterPos(full, 1, 3), 8u);  // (25 + 1) / 3
    JpegProgress range;
    range.meter = JpegMeter::kRange;
    range.lo = 40;
    range.hi = 70;
    EXPECT_EQ(EncodeMeterPos(range, 0, 10), 40u);
    EXPECT_EQ(EncodeMeterPos(range, 5, 10), 55u);
    EXPECT_EQ(EncodeMeterPos(range, 10, 10), 70u);
    EXPECT_EQ(EncodeMeterPos(range, 1, 3), 50u);  // 40 + (30 + 1) / 3
}

TEST(JpegSampling, Parse) {
    int h[4], v[4], n = 0;
    ASSERT_TRUE(ParseSampling("2x1,1x1,1x1", h, v, 4, &n));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(h[0], 2);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(h[3], 1);
    ASSERT_TRUE(ParseSampling("4X2", h, v, 4, &n));
    EXPECT_EQ(h[0], 4);
    EXPECT_EQ(v[0], 2);
    EXPECT_EQ(h[1], 1);
    EXPECT_FALSE(ParseSampling("5x1", h, v, 4));
    EXPECT_FALSE(ParseSampling("0x1", h, v, 4));
    EXPECT_FALSE(ParseSampling("2x1,", h, v, 4));
    EXPECT_FALSE(ParseSampling("2-1", h, v, 4));
    EXPECT_FALSE(ParseSampling("1x1,1x1,1x1,1x1,1x1", h, v, 4));
}

TEST_F(JpegTest, ColourDecodeMatchesTheLibraryAndItsGoldenDigest) {
    JpegSpec spec;
    spec.width = 70;
    spec.height = 45;
    std::vector<uint8_t> jpeg = MakeJpeg(spec);
    std::string in = TempPath(".jpg");
    WriteBytes(in, jpeg);
    std::string out = TempPath(".bmp");
    ASSERT_EQ(DecodeJpegFile(in, out, 0, JpegProgress()), 1);
    std::vector<uint8_t> bmp = ReadBytes(out);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(GetLe32(&bmp[2]), bmp.size());
    EXPECT_EQ(GetLe32(&bmp[10]), 54u);
    EXPECT_EQ(GetLe32(&bmp[14]), 40u);
    EXPECT_EQ(GetLe32(&bmp[18]), 70u);
    EXPECT_EQ(GetLe32(&bmp[22]), 45u);
    EXPECT_EQ(GetLe16(&bmp[26]), 1);
    EXPECT_EQ(GetLe16(&bmp[28]), 24);
    EXPECT_EQ(GetLe32(&bmp[30]), 0u);
    EXPECT_EQ(GetLe32(&bmp[34]), 0u);
    EXPECT_EQ(GetLe32(&bmp[46]), 0u);
    int w, h;
    std::vector<uint8_t> ref = ReferenceDecode(jpeg, &w, &h);
    ASSERT_EQ(bmp.size(), 54 + ref.size());
    EXPECT_EQ(0, std::memcmp(bmp.data() + 54, ref.data(), ref.size()));
    // Pinned digests of the test JPEG and of its decoded rows.
    EXPECT_EQ(Fnv1a(jpeg.data(), jpeg.size()), 0x3b5d4458035ecaf7ull)
        << std::hex << Fnv1a(jpeg.data(), jpeg.size());
    EXPECT_EQ(Fnv1a(bmp.data(), bmp.size()), 0xf880dba6b304be5cull)
        << std::hex << Fnv1a(bmp.data(), bmp.size());
    EXPECT_TRUE(prompts.boxes.empty());
}

// The in-memory decodes (of bytes, of a file) give the very picture the file decode writes, as
// the BMP reader gives it back, and fail where it fails, with the same messages.
TEST_F(JpegTest, DecodingIntoMemoryGivesTheFilesPicture) {
    JpegSpec grey;
    grey.components = 1;
    grey.width = 33;
    grey.height = 17;
    JpegSpec odd;
    odd.width = 70;
    odd.height = 45;
    JpegSpec dense;
    dense.density_unit = 2;
    dense.x_density = 40;
    dense.y_density = 20;
    const std::vector<uint8_t> whole = MakeJpeg(JpegSpec());
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        int colors;
    } cases[] = {
        {"colour", MakeJpeg(odd), 0},
        {"grey", MakeJpeg(grey), 0},
        {"sixteen colours", whole, 16},
        {"density", MakeJpeg(dense), 0},
        {"progressive", MakeJpeg([] {
             JpegSpec p;
             p.progressive = true;
             return p;
         }()),
         0},
        {"cut in the scan", std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2),
         0},
        {"cut in the headers", std::vector<uint8_t>(whole.begin(), whole.begin() + 100), 0},
        {"not a JPEG", std::vector<uint8_t>(200, 0x42), 0},
        {"empty", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string in = TempPath(".jpg"), out = TempPath(".bmp");
        WriteBytes(in, c.bytes);
        const int from_file = DecodeJpegFile(in, out, c.colors, JpegProgress());
        const std::vector<std::string> file_boxes = prompts.boxes;
        prompts.boxes.clear();
        DibImage in_memory;
        ASSERT_EQ(DecodeJpegToDib(in, c.colors, JpegProgress(), &in_memory), from_file);
        EXPECT_EQ(prompts.boxes, file_boxes);
        prompts.boxes.clear();
        const DibImage from_bytes = DecodeJpegBytes(c.bytes.data(), c.bytes.size(), c.colors);
        ASSERT_EQ(static_cast<bool>(from_bytes), from_file == 1);
        if (!from_file) {
            EXPECT_FALSE(in_memory);
            continue;
        }
        const std::vector<uint8_t> file = ReadBytes(out);
        ASSERT_EQ(file.size(), 14 + from_bytes.size());
        EXPECT_EQ(0, std::memcmp(file.data() + 14, from_bytes.data(), from_bytes.size()));
        const DibImage loaded = LoadBmpFile(out);
        ASSERT_EQ(loaded.size(), in_memory.size());
        EXPECT_EQ(0, std::memcmp(loaded.data(), in_memory.data(), loaded.size()));
    }
    DibImage none;
    EXPECT_EQ(DecodeJpegToDib(TempPath(".missing"), 0, JpegProgress(), &none), 0);
    ExpectOneBox(kOpenFailed);
}

// Decoding to a size scales 64 x 48 down to the smallest eighth that covers it, never above the
// full size, from a file as from bytes.
TEST_F(JpegTest, DecodingToASizeScalesByEighths) {
    const std::string in = Jpeg(JpegSpec());
    const struct {
        int fit_w, fit_h, w, h;
    } fits[] = {
        {0, 0, 64, 48},  {16, 12, 16, 12},   {17, 12, 24, 18}, {1, 1, 8, 6},
        {64, 1, 64, 48}, {500, 500, 64, 48}, {0, 12, 64, 48},
    };
    const std::vector<uint8_t> bytes = ReadBytes(in);
    for (const auto& f : fits) {
        SCOPED_TRACE(std::to_string(f.fit_w) + " x " + std::to_string(f.fit_h));
        DibImage d;
        ASSERT_EQ(DecodeJpegToDib(in, 0, JpegProgress(), &d, f.fit_w, f.fit_h), 1);
        EXPECT_EQ(DibWidth(d), f.w);
        EXPECT_EQ(DibHeight(d), f.h);
        // The bytes' decode scales alike, to the same picture, and tells the file's own size.
        int file_w = 0, file_h = 0;
        const DibImage b =
            DecodeJpegBytes(bytes.data(), bytes.size(), 0, f.fit_w, f.fit_h, &file_w, &file_h);
        ASSERT_EQ(b.size(), d.size());
        EXPECT_EQ(0, std::memcmp(b.data(), d.data(), d.size()));
        EXPECT_EQ(file_w, 64);
        EXPECT_EQ(file_h, 48);
    }
}

TEST_F(JpegTest, GreyscaleDecodesToEightBitsWithGreyRamp) {
    JpegSpec spec;
    spec.components = 1;
    spec.width = 33;
    spec.height = 17;
    std::string out = TempPath(".bmp");
    ASSERT_EQ(DecodeJpegFile(Jpeg(spec), out, 0, JpegProgress()), 1);
    std::vector<uint8_t> bmp = ReadBytes(out);
    ASSERT_EQ(bmp.size(), 54u + 1024u + DibStride(33, 8) * 17);
    EXPECT_EQ(GetLe32(&bmp[10]), 54u + 1024u);
    EXPECT_EQ(GetLe16(&bmp[28]), 8);
    EXPECT_EQ(GetLe32(&bmp[46]), 256u);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(bmp[54 + i * 4], i);
        ASSERT_EQ(bmp[54 + i * 4 + 1], i);
        ASSERT_EQ(bmp[54 + i * 4 + 2], i);
        ASSERT_EQ(bmp[54 + i * 4 + 3], 0);
    }
    // Row padding is zero.
    for (int y = 0; y < 17; ++y)
        for (size_t x = 33; x < DibStride(33, 8); ++x)
            ASSERT_EQ(bmp[54 + 1024 + y * DibStride(33, 8) + x], 0);
    DibImage d = LoadBmpFile(out);
    ASSERT_TRUE(d);
    EXPECT_EQ(DibBitCount(d), 8);
}

TEST_F(JpegTest, QuantisedDecodeUsesTheLibraryPalette) {
    std::string out = TempPath(".bmp");
    ASSERT_EQ(DecodeJpegFile(Jpeg(JpegSpec()), out, 16, JpegProgress()), 1);
    std::vector<uint8_t> bmp = ReadBytes(out);
    EXPECT_EQ(GetLe16(&bmp[28]), 8);
    EXPECT_EQ(GetLe32(&bmp[46]), 256u);
    // Only 16 entries are used; indexes stay below 16.
    for (size_t i = 54 + 1024; i < bmp.size(); ++i) ASSERT_LT(bmp[i], 16) << i;
    for (int i = 16; i < 256; ++i) EXPECT_EQ(GetLe32(&bmp[54 + i * 4]), 0u);
}

TEST_F(JpegTest, DensityInDotsPerCentimetreBecomesPixelsPerMetre) {
    JpegSpec spec;
    spec.density_unit = 2;
    spec.x_density = 40;
    spec.y_density = 20;
    std::string out = TempPath(".bmp");
    ASSERT_EQ(DecodeJpegFile(Jpeg(spec), out, 0, JpegProgress()), 1);
    std::vector<uint8_t> bmp = ReadBytes(out);
    EXPECT_EQ(GetLe32(&bmp[38]), 4000u);
    EXPECT_EQ(GetLe32(&bmp[42]), 2000u);
    spec.density_unit = 1;  // dots per inch: not carried over
    ASSERT_EQ(DecodeJpegFile(Jpeg(spec), out, 0, JpegProgress()), 1);
    bmp = ReadBytes(out);
    EXPECT_EQ(GetLe32(&bmp[38]), 0u);
}

TEST_F(JpegTest, CommentsAndProgressiveFilesDecode) {
    JpegSpec spec;
    spec.markers.push_back({JPEG_COM, std::vector<uint8_t>(300, 'c')});
    spec.progressive = true;
    std::string out = TempPath(".bmp");
    ASSERT_EQ(DecodeJpegFile(Jpeg(spec), out, 0, JpegProgress()), 1);
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(JpegTest, ScanCountIsCapped) {
    JpegSpec spec;
    spec.progressive = true;
    std::string in = Jpeg(spec);
    JpegLimits saved = CodecJpegLimits();
    CodecJpegLimits().max_scans = 3;
    int r = DecodeJpegFile(in, TempPath(".bmp"), 0, JpegProgress());
    CodecJpegLimits() = saved;
    EXPECT_EQ(r, 0);
    ExpectOneBox(kBitmapFailed);
}

TEST_F(JpegTest, FailuresShowTheirMessages) {
    std::string out = TempPath(".bmp");
    EXPECT_EQ(DecodeJpegFile(TempPath(".missing"), out, 0, JpegProgress()), 0);
    ExpectOneBox(kOpenFailed);
    JpegProgress half;
    half.meter = JpegMeter::kFirstHalf;
    EXPECT_EQ(DecodeJpegFile(TempPath(".missing"), out, 0, half), 0);
    EXPECT_TRUE(prompts.boxes.empty());
    EXPECT_EQ(DecodeJpegFile(Bmp(MakeBmp24(4, 4, TestPattern)), out, 0, JpegProgress()), 0);
    ExpectOneBox("This is not a Jpeg file.");
    EXPECT_EQ(DecodeJpegFile(Bmp({}), out, 0, JpegProgress()), 0);
    ExpectOneBox("This is not a Jpeg file.");
    EXPECT_EQ(DecodeJpegFile(Jpeg(JpegSpec()), TempPath("/no/such/dir.bmp"), 0, JpegProgress()), 0);
    ExpectOneBox(kOpenFailed);
}

TEST_F(JpegTest, TruncatedFiles) {
    std::vector<uint8_t> jpeg = MakeJpeg(JpegSpec());
    // Cut inside the headers: no picture.
    std::string p = Bmp(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 100));
    EXPECT_EQ(DecodeJpegFile(p, TempPath(".bmp"), 0, JpegProgress()), 0);
    ExpectOneBox(kBitmapFailed);
    // Cut inside the scan: the library fills the rest; the picture has its full size.
    p = Bmp(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));
    std::string out = TempPath(".bmp");
    EXPECT_EQ(DecodeJpegFile(p, out, 0, JpegProgress()), 1);
    EXPECT_EQ(ReadBytes(out).size(), 54u + DibStride(64, 24) * 48);
}

// Patches the frame header of a small JPEG to claim another size.
std::vector<uint8_t> ClaimSize(std::vector<uint8_t> jpeg, int width, int height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            PutBe16(&jpeg[i + 5], static_cast<uint32_t>(height));
            PutBe16(&jpeg[i + 7], static_cast<uint32_t>(width));
            break;
        }
    }
    return jpeg;
}

TEST_F(JpegTest, ClaimedSizeLimitsAtNAndNPlusOne) {
    JpegSpec spec;
    spec.width = 16;
    spec.height = 8;
    std::vector<uint8_t> small = MakeJpeg(spec);
    std::string out = TempPath(".bmp");
    EXPECT_EQ(DecodeJpegFile(Bmp(ClaimSize(small, 32767, 8)), out, 0, JpegProgress()), 1);
    EXPECT_EQ(ReadBytes(out).size(), 54u + DibStride(32767, 24) * 8);
    EXPECT_EQ(DecodeJpegFile(Bmp(ClaimSize(small, 32768, 8)), out, 0, JpegProgress()), 0);
    ExpectOneBox(kBitmapFailed);
    EXPECT_EQ(DecodeJpegFile(Bmp(ClaimSize(small, 65500, 65500)), out, 0, JpegProgress()), 0);
    ExpectOneBox(kBitmapFailed);
    // The pixel budget: 32767 x 2730 fits in 256 MiB of rows, 2731 rows do not.
    JpegLimits saved = CodecJpegLimits();
    CodecJpegLimits().max_pixel_bytes = DibStride(1000, 24) * 100;
    EXPECT_EQ(DecodeJpegFile(Bmp(ClaimSize(small, 1000, 100)), out, 0, JpegProgress()), 1);
    EXPECT_EQ(DecodeJpegFile(Bmp(ClaimSize(small, 1000, 101)), out, 0, JpegProgress()), 0);
    CodecJpegLimits() = saved;
    ExpectOneBox(kBitmapFailed);
}

TEST_F(JpegTest, FullMeterDecodeMovesToTwentyFiveAndPumps) {
    JpegSpec spec;
    spec.width = 40;
    spec.height = 300;
    JpegProgress p;
    p.meter = JpegMeter::kFull;
    ASSERT_EQ(DecodeJpegFile(Jpeg(spec), TempPath(".bmp"), 0, p), 1);
    ASSERT_FALSE(view.positions.empty());
    EXPECT_LE(view.positions.size(), 26u);
    EXPECT_EQ(view.positions.front(), 0u);
    for (size_t i = 1; i < view.positions.size(); ++i)
        EXPECT_GT(view.positions[i], view.positions[i - 1]);
    EXPECT_LE(view.positions.back(), 25u);
    EXPECT_GE(view.positions.back(), 23u);
    EXPECT_GE(pump.calls, 300 / 16);
}

TEST_F(JpegTest, PlainDecodeNeitherPumpsNorMovesTheMeter) {
    ASSERT_EQ(DecodeJpegFile(Jpeg(JpegSpec()), TempPath(".bmp"), 0, JpegProgress()), 1);
    EXPECT_EQ(pump.calls, 0);
    EXPECT_TRUE(view.positions.empty());
}

TEST_F(JpegTest, PumpDrainsQueueAndStopsAtQuit) {
    pump.pending = 5;
    JpegProgress p;
    p.meter = JpegMeter::kFull;
    ASSERT_EQ(DecodeJpegFile(Jpeg(JpegSpec()), TempPath(".bmp"), 0, p), 1);
    EXPECT_EQ(pump.pending, 0);
    int calls = pump.calls;
    pump.quit = true;
    PumpCodingMessages();
    EXPECT_EQ(pump.calls, calls + 1);
}

// A clock that moves by a fixed step at every reading: a step of 0 is a machine so fast that
// no time passes, a large step one where every block of rows is slow.
struct SteppingClock : TimeSource {
    uint32_t now = 0xFFFFFF00u;  // wraps around during the run
    uint32_t step = 0;
    int readings = 0;
    uint32_t TickCount() override {
        ++readings;
        return now += step;
    }
    void Sleep(uint32_t ms) override { now += ms; }
};

// Notes the clock at every drain: the widest gap is how long a click could wait.
struct TimedPump : MessagePump {
    const SteppingClock* clock = nullptr;
    int calls = 0;
    uint32_t last = 0;
    uint32_t widest_gap = 0;
    PumpResult PumpOne(bool) override {
        if (calls++ > 0 && clock->now - last > widest_gap) widest_gap = clock->now - last;
        last = clock->now;
        return PumpResult::kEmpty;
    }
};

// That clock and pump, installed as the seams for a scope.
struct PacedSeams {
    SteppingClock stepping;
    TimedPump timed;
    std::unique_ptr<ScopedPlatform> scoped;
    explicit PacedSeams(uint32_t step) {
        stepping.step = step;
        timed.clock = &stepping;
        Platform seams = Plat();
        seams.time = &stepping;
        seams.pump = &timed;
        scoped.reset(new ScopedPlatform(seams));
    }
};

struct PacedRun {
    std::vector<uint32_t> positions;
    int drains = 0;
    int readings = 0;  // about one a block of rows
    uint32_t reached = 0;
};

TEST_F(JpegTest, MeterAndDrainsArePacedByTheClock) {
    JpegSpec spec;
    spec.width = 16;
    spec.height = 4000;  // at least 250 blocks of rows either way
    const std::string jpg = Jpeg(spec);
    const std::string bmp = Bmp(MakeBmp24(16, 4000, TestPattern));
    struct Row {
        const char* what;
        bool encode;
        uint32_t step;
    };
    const Row rows[] = {
        {"decode, still clock", false, 0},    {"decode, slow blocks", false, 60},
        {"decode, 1 ms a reading", false, 1}, {"encode, still clock", true, 0},
        {"encode, slow blocks", true, 60},    {"encode, 1 ms a reading", true, 1},
        {"decode, 7 ms a reading", false, 7}, {"encode, 7 ms a reading", true, 7},
    };
    std::map<std::pair<bool, uint32_t>, PacedRun> runs;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PacedSeams paced(row.step);
        SteppingClock& stepping = paced.stepping;
        TimedPump& timed = paced.timed;
        view.positions.clear();
        JpegProgress p;
        p.meter = row.encode ? JpegMeter::kRange : JpegMeter::kFull;
        p.lo = 10;
        p.hi = 60;
        PacedRun run;
        p.position_out = &run.reached;
        ASSERT_EQ(row.encode ? EncodeJpegFile(bmp, TempPath(".jpg"), kSaveSampling, 75, p)
                             : DecodeJpegFile(jpg, TempPath(".bmp"), 0, p),
                  1);
        run.positions = view.positions;
        run.drains = timed.calls;
        run.readings = stepping.readings;
        // The windows answer within the pace and one block, however slow the blocks are.
        EXPECT_LE(timed.widest_gap, 50 + row.step);
        ASSERT_FALSE(run.positions.empty());
        EXPECT_EQ(run.positions.front(), row.encode ? 10u : 0u);
        for (size_t i = 1; i < run.positions.size(); ++i)
            EXPECT_GT(run.positions[i], run.positions[i - 1]);
        EXPECT_EQ(run.reached, run.positions.back());
        runs[{row.encode, row.step}] = run;
    }
    for (bool encode : {false, true}) {
        SCOPED_TRACE(encode ? "encode" : "decode");
        const PacedRun& still = runs[{encode, 0}];
        const PacedRun& slow = runs[{encode, 60}];
        const PacedRun& fast = runs[{encode, 1}];
        // Whatever the clock, the bar ends where the rows ended.
        EXPECT_EQ(still.positions.back(), slow.positions.back());
        EXPECT_EQ(fast.positions.back(), slow.positions.back());
        EXPECT_GE(still.positions.back(), encode ? 59u : 24u);
        // No time passing: the first and the last position only, and a drain at each step of
        // the bar, not at each block of rows.
        EXPECT_EQ(still.positions.size(), 2u);
        EXPECT_GE(still.drains, 2);
        EXPECT_LE(still.drains, encode ? 51 : 26);
        // Every block slower than the pace: every step drawn and a drain at every block.
        EXPECT_EQ(slow.positions.size(), slow.positions.back() - slow.positions.front() + 1);
        EXPECT_GE(slow.readings, 250);
        EXPECT_GE(slow.drains, slow.readings - 1);
        // 1 ms a reading: a repaint about every 50 blocks, a drain at each step and every 50.
        EXPECT_GT(fast.positions.size(), 2u);
        EXPECT_LE(static_cast<int>(fast.positions.size()), fast.readings / 50 + 2);
        EXPECT_LE(fast.drains, still.drains + fast.readings / 50 + 1);
    }
}

// The codings of a run share one pace: a small picture after another does not drain or paint
// at its start or at each step of its bar, only when the pace is due; the windows still answer
// within the pace.
TEST_F(JpegTest, ARunsCodingsShareOnePace) {
    JpegSpec spec;
    spec.width = 16;
    spec.height = 64;
    const std::string jpg = Jpeg(spec);
    const struct {
        const char* what;
        uint32_t step;  // ms a clock reading
    } rows[] = {{"still clock", 0}, {"1 ms a reading", 1}, {"slow blocks", 60}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        PacedSeams paced(row.step);
        SteppingClock& stepping = paced.stepping;
        TimedPump& timed = paced.timed;
        view.positions.clear();
        JpegPace pace;
        for (int i = 0; i < 30; ++i) {
            JpegProgress p;
            p.meter = JpegMeter::kFull;
            p.pace = &pace;
            DibImage d;
            ASSERT_EQ(DecodeJpegToDib(jpg, 0, p, &d), 1);
        }
        const int paints = static_cast<int>(view.positions.size());
        if (row.step == 0) {
            // No time passing: the run's first step only.
            EXPECT_EQ(timed.calls, 1);
            EXPECT_EQ(paints, 1);
        } else if (row.step < 50) {
            // About once every 50 readings, not at each step of each picture's bar.
            EXPECT_GE(timed.calls, 2);
            EXPECT_LE(timed.calls, stepping.readings / 50 + 1);
            EXPECT_LE(paints, stepping.readings / 50 + 1);
        } else {
            // Every block slower than the pace: a drain at every block, as alone.
            EXPECT_GE(timed.calls, stepping.readings / 2);
        }
        // The windows answer within the pace and a block, however the pictures fall.
        EXPECT_LE(timed.widest_gap, 50 + 2 * row.step);
    }
    // Without a shared pace each picture drains and paints at its start.
    PacedSeams still(0);
    TimedPump& timed = still.timed;
    view.positions.clear();
    for (int i = 0; i < 30; ++i) {
        JpegProgress p;
        p.meter = JpegMeter::kFull;
        DibImage d;
        ASSERT_EQ(DecodeJpegToDib(jpg, 0, p, &d), 1);
    }
    EXPECT_GE(timed.calls, 30);
    EXPECT_GE(view.positions.size(), 30u);
}

TEST_F(JpegTest, EncodeRoundTripKeepsThePicture) {
    std::string bmp = Bmp(MakeBmp24(50, 30, [](int x, int y) {
        return Rgb{uint8_t(x * 5), uint8_t(y * 8), uint8_t(128)};
    }));
    std::string jpg = TempPath(".jpg");
    ASSERT_EQ(EncodeJpegFile(bmp, jpg, kSaveSampling, 95, JpegProgress()), 1);
    JpegHeaderInfo info;
    ASSERT_EQ(ReadJpegHeaderInfo(jpg, &info), 1);
    EXPECT_EQ(info.width, 50);
    EXPECT_EQ(info.height, 30);
    EXPECT_EQ(SamplingText(info), "2x1,1x1,1x1");
    EXPECT_FALSE(info.progressive);
    std::vector<uint8_t> bytes = ReadBytes(jpg);
    // JFIF header written by the library's defaults.
    ASSERT_GT(bytes.size(), 20u);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 0xE0);
    EXPECT_EQ(0, std::memcmp(&bytes[6], "JFIF", 4));
    std::string back = TempPath(".bmp");
    ASSERT_EQ(DecodeJpegFile(jpg, back, 0, JpegProgress()), 1);
    std::vector<uint8_t> a = ReadBytes(bmp), b = ReadBytes(back);
    ASSERT_EQ(a.size(), b.size());
    long total = 0;
    for (size_t i = 54; i < a.size(); ++i) total += std::abs(int(a[i]) - int(b[i]));
    EXPECT_LT(total / long(a.size() - 54), 4);
}

TEST_F(JpegTest, EncodeCameraSamplingAndPaletteInput) {
    std::vector<Rgb> pal = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    std::string bmp =
        Bmp(MakePaletteBmp(24, 16, 8, pal, [](int x, int y) { return (x / 8 + y / 8) % 3; }));
    std::string jpg = TempPath(".jpg");
    ASSERT_EQ(EncodeJpegFile(bmp, jpg, kCameraSampling, 90, JpegProgress()), 1);
    JpegHeaderInfo info;
    ASSERT_EQ(ReadJpegHeaderInfo(jpg, &info), 1);
    EXPECT_EQ(SamplingText(info), "4x1,1x1,1x1");
    std::string back = TempPath(".bmp");
    ASSERT_EQ(DecodeJpegFile(jpg, back, 0, JpegProgress()), 1);
    DibImage d = LoadBmpFile(back);
    ASSERT_TRUE(d);
    // Top-left block is red.
    const uint8_t* top = d.data() + 40 + DibStride(24, 24) * 15;
    EXPECT_GT(top[2 + 6], 200);
    EXPECT_LT(top[1 + 6], 60);
}

// Encoding a picture in memory writes the very file the BMP file route writes, with the same
// messages.
TEST_F(JpegTest, EncodingFromMemoryWritesWhatTheBmpFileRouteWrites) {
    std::vector<Rgb> pal = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    std::vector<uint8_t> cut = MakeBmp24(8, 8, TestPattern);
    cut.resize(cut.size() - 5);
    const struct {
        const char* what;
        std::vector<uint8_t> bmp;
        const char* sampling;
        int quality;
    } cases[] = {
        {"24 bits", MakeBmp24(50, 30, TestPattern), kSaveSampling, 75},
        {"odd width, camera sampling", MakeBmp24(37, 21, TestPattern), kCameraSampling, 95},
        {"palette",
         MakePaletteBmp(24, 16, 8, pal, [](int x, int y) { return (x / 8 + y / 8) % 3; }),
         kSaveSampling, 55},
        {"library's default sampling", MakeBmp24(16, 16, TestPattern), "", 80},
        {"bad sampling", MakeBmp24(8, 8, TestPattern), "5x1,1x1,1x1", 75},
        {"four bits", MakePaletteBmp(8, 8, 4, {{1, 1, 1}}, [](int, int) { return 0; }),
         kSaveSampling, 75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bmp = Bmp(c.bmp), by_file = TempPath(".jpg"),
                          by_memory = TempPath(".jpg");
        const int from_file = EncodeJpegFile(bmp, by_file, c.sampling, c.quality, JpegProgress());
        const std::vector<std::string> file_boxes = prompts.boxes;
        prompts.boxes.clear();
        const DibImage picture = LoadBmpFile(bmp);
        ASSERT_TRUE(picture);
        EXPECT_EQ(EncodeDibToJpegFile(picture, by_memory, c.sampling, c.quality, JpegProgress()),
                  from_file);
        EXPECT_EQ(prompts.boxes, file_boxes);
        prompts.boxes.clear();
        if (from_file) {
            EXPECT_EQ(ReadBytes(by_memory), ReadBytes(by_file));
        } else {
            EXPECT_FALSE(FileExists(by_memory));
        }
    }
    EXPECT_EQ(EncodeDibToJpegFile(DibImage(), TempPath(".jpg"), kSaveSampling, 75, JpegProgress()),
              0);
    ExpectOneBox(kJpegFailed);
    EXPECT_EQ(EncodeDibToJpegFile(LoadBmpFile(Bmp(MakeBmp24(8, 8, TestPattern))),
                                  TempPath("/no/dir/x.jpg"), kSaveSampling, 75, JpegProgress()),
              0);
    ExpectOneBox(kOpenFailed);
}

TEST_F(JpegTest, EncodeFailures) {
    std::string jpg = TempPath(".jpg");
    EXPECT_EQ(EncodeJpegFile(TempPath(".missing"), jpg, kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kOpenFailed);
    std::string notbmp = Bmp({'X', 'Y', 'Z'});
    EXPECT_EQ(EncodeJpegFile(notbmp, jpg, kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kJpegFailed);
    EXPECT_EQ(EncodeJpegFile(Bmp({}), jpg, kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kJpegFailed);
    std::string ok = Bmp(MakeBmp24(8, 8, TestPattern));
    EXPECT_EQ(EncodeJpegFile(ok, jpg, "5x1,1x1,1x1", 75, JpegProgress()), 0);
    ExpectOneBox(kJpegFailed);
    std::vector<uint8_t> cut = MakeBmp24(8, 8, TestPattern);
    cut.resize(cut.size() - 5);
    EXPECT_EQ(EncodeJpegFile(Bmp(cut), jpg, kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kJpegFailed);
    std::string four = Bmp(MakePaletteBmp(8, 8, 4, {{1, 1, 1}}, [](int, int) { return 0; }));
    EXPECT_EQ(EncodeJpegFile(four, jpg, kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kJpegFailed);
    EXPECT_EQ(EncodeJpegFile(ok, TempPath("/no/dir/x.jpg"), kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kOpenFailed);
}

TEST_F(JpegTest, EncodeReadsTopDownBmpFiles) {
    std::vector<uint8_t> colour = MakeBmp24(30, 20, TestPattern);
    std::vector<uint8_t> indexed =
        MakePaletteBmp(30, 20, 8, {{10, 20, 30}, {200, 100, 50}, {0, 0, 255}},
                       [](int x, int y) { return (x / 3 + y / 2) % 3; });
    for (const std::vector<uint8_t>* v : {&colour, &indexed}) {
        std::string a = TempPath(".jpg"), b = TempPath(".jpg");
        ASSERT_EQ(EncodeJpegFile(Bmp(*v), a, kSaveSampling, 75, JpegProgress()), 1);
        ASSERT_EQ(EncodeJpegFile(Bmp(TopDownBmp(*v)), b, kSaveSampling, 75, JpegProgress()), 1);
        EXPECT_EQ(ReadBytes(a), ReadBytes(b));
    }
    std::vector<uint8_t> cut = TopDownBmp(colour);
    cut.resize(cut.size() - 1);
    EXPECT_EQ(EncodeJpegFile(Bmp(cut), TempPath(".jpg"), kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kJpegFailed);
}

// The encoder reads its input through the BMP loader's checks and refuses what the loader
// refuses, although it would need less of the file: more than 256 MiB of bytes after the data
// offset, when the rows alone would fit.
TEST_F(JpegTest, EncodeRefusesMoreThanThePixelBudgetAfterTheDataOffset) {
    const std::vector<uint8_t> rows = MakeBmp24(8, 8, TestPattern);
    const std::string path = TempPath(".bmp");
    {
        // A sparse file: the picture, then a hole up to one byte past the budget.
        ScopedFile f(std::fopen(path.c_str(), "wb"));
        ASSERT_TRUE(f);
        ASSERT_EQ(std::fwrite(rows.data(), 1, rows.size(), f.get()), rows.size());
        ASSERT_TRUE(SeekStream(f.get(), static_cast<int64_t>(54 + kMaxPixelBytes), SEEK_SET));
        ASSERT_EQ(std::fputc(0, f.get()), 0);
        ASSERT_TRUE(f.Close());
    }
    ASSERT_EQ(FileLength(path), static_cast<int64_t>(54 + kMaxPixelBytes + 1));
    EXPECT_FALSE(LoadBmpFile(path));
    ExpectOneBox("Memory cannot be allocated.");
    const std::string jpg = TempPath(".jpg");
    EXPECT_EQ(EncodeJpegFile(path, jpg, kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kJpegFailed);
    EXPECT_EQ(FileLength(jpg), -1);
}

#ifndef _WIN32
// The same for an input that has no length (a pipe): it is no regular file, so neither the
// loader nor the encoder opens it, and neither waits for a writer to turn up (before, both
// would block here for ever).
TEST_F(JpegTest, EncodeRefusesAnInputWithoutALength) {
    const std::string fifo = TempPath(".fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadBmpFile(fifo));
    ExpectOneBox(kOpenFailed);
    const std::string jpg = TempPath(".jpg");
    EXPECT_EQ(EncodeJpegFile(fifo, jpg, kSaveSampling, 75, JpegProgress()), 0);
    ExpectOneBox(kOpenFailed);
    EXPECT_EQ(FileLength(jpg), -1);
    EXPECT_EQ(DecodeJpegFile(fifo, jpg, 0, JpegProgress()), 0);
    ExpectOneBox(kOpenFailed);
    EXPECT_EQ(FileLength(jpg), -1);
}
#endif

TEST_F(JpegTest, RangeMeterEncodeStaysInsideItsRange) {
    std::string bmp = Bmp(MakeBmp24(20, 200, TestPattern));
    JpegProgress p;
    p.meter = JpegMeter::kRange;
    p.lo = 30;
    p.hi = 65;
    uint32_t reached = 0;
    p.position_out = &reached;
    ASSERT_EQ(EncodeJpegFile(bmp, TempPath(".jpg"), kSaveSampling, 75, p), 1);
    ASSERT_FALSE(view.positions.empty());
    EXPECT_EQ(view.positions.front(), 30u);
    for (uint32_t pos : view.positions) {
        EXPECT_GE(pos, 30u);
        EXPECT_LE(pos, 65u);
    }
    EXPECT_EQ(reached, view.positions.back());
    EXPECT_GT(pump.calls, 0);
}

}  // namespace
