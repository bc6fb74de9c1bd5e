// Sending files into the simulated camera: the acceptance rules of each model, the boxes of the
// examination, the re-compression, the frames on the wire, cancelling and a full camera. The
// test pictures come from the shared test-JPEG builder (support/test_jpeg.h) and are padded to
// exact byte sizes with comment segments.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "base/dir.h"
#include "base/files.h"
#include "base/path.h"
#include "base/tempfile.h"
#include "base/byte_block.h"
#include "base/bytes.h"
#include "link/session/start_status.h"
#include "link/session/session_ops.h"
#include "link/session/upload.h"
#include "session_fakes.h"
#include "support/test_jpeg.h"

namespace {

// A picture of w x h with a gradient plus noise of the given strength, encoded with the
// luminance sampling h0 x v0 (chroma 1x1).
std::vector<uint8_t> MakeJpeg(int w, int h, int h0, int v0, int quality, int noise,
                              uint32_t seed = 7) {
    JpegSpec spec;
    spec.width = w;
    spec.height = h;
    spec.h0 = h0;
    spec.v0 = v0;
    spec.quality = quality;
    uint32_t r = seed;
    spec.pixel = [w, h, noise, r](int x, int y) mutable {
        uint8_t c[3];
        for (int k = 0; k < 3; ++k) {
            r = r * 1103515245u + 12345u;
            const int n = noise ? static_cast<int>((r >> 16) % (2 * noise + 1)) - noise : 0;
            const int v = (x * 255 / w + y * 255 / h + k * 60) / 2 + n;
            c[k] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
        return Rgb{c[0], c[1], c[2]};
    };
    return ::MakeJpeg(spec);
}

// Grows a JPEG to exactly `target` bytes with comment segments behind its start marker.
std::vector<uint8_t> PadTo(std::vector<uint8_t> jpeg, size_t target) {
    EXPECT_LE(jpeg.size() + 4, target);
    size_t extra = target - jpeg.size();
    std::vector<uint8_t> segments;
    while (extra >= 4) {
        size_t seg = std::min<size_t>(extra, 65535 + 2);
        if (extra - seg != 0 && extra - seg < 4) seg -= 4;
        const size_t len = seg - 2;
        segments.push_back(0xFF);
        segments.push_back(0xFE);
        segments.push_back(static_cast<uint8_t>(len >> 8));
        segments.push_back(static_cast<uint8_t>(len));
        segments.insert(segments.end(), seg - 4, 'c');
        extra -= seg;
    }
    EXPECT_EQ(extra, 0u);
    jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
    EXPECT_EQ(jpeg.size(), target);
    return jpeg;
}

struct FrameInfo {
    int width = 0, height = 0, h0 = 0, v0 = 0, components = 0;
};
// Reads the frame header by walking the markers (independently of the codec).
bool ParseFrame(const std::vector<uint8_t>& b, FrameInfo* f) {
    size_t p = 2;
    while (p + 4 <= b.size()) {
        if (b[p] != 0xFF) return false;
        const uint8_t m = b[p + 1];
        const size_t len = static_cast<size_t>(b[p + 2] << 8 | b[p + 3]);
        if (m == 0xC0 || m == 0xC1 || m == 0xC2) {
            if (p + 2 + len > b.size() || len < 11) return false;
            f->height = b[p + 5] << 8 | b[p + 6];
            f->width = b[p + 7] << 8 | b[p + 8];
            f->components = b[p + 9];
            f->h0 = b[p + 11] >> 4;
            f->v0 = b[p + 11] & 15;
            return true;
        }
        p += 2 + len;
    }
    return false;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void SetTempEnv(const std::string& dir) {
#ifdef _WIN32
    _putenv(("TMP=" + dir).c_str());
    _putenv(("TEMP=" + dir).c_str());
#else
    setenv("TMPDIR", dir.c_str(), 1);
#endif
}

// A private folder for the test's files, made the temporary folder for the test's lifetime so
// that every temporary file the upload makes can be counted.
struct Workspace {
    std::string root;
    std::string saved_temp;
    Workspace() {
        ScopedTempFile t;
        EXPECT_TRUE(t.Make());
        root = t.name() + ".d";
        EXPECT_TRUE(MakeFolder(root));
        saved_temp = TempFolder();
        SetTempEnv(root);
        EXPECT_EQ(TempFolder().substr(0, root.size()), root) << "temporary files land here";
    }
    ~Workspace() {
        SetTempEnv(saved_temp);
        for (const std::string& n : Names()) std::remove(File(n).c_str());
        std::remove(root.c_str());
    }
    std::string File(const std::string& name) const { return JoinPath(root, name); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        ListFolderFiles(root, &names);
        return names;
    }
    int TempFiles() const {
        int n = 0;
        for (const std::string& name : Names())
            if (name.compare(0, 3, "ZEK") == 0) ++n;
        return n;
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string path = File(name);
        ScopedFile f(OpenFileBinary(path, "wb"));
        EXPECT_TRUE(f);
        if (!bytes.empty()) {
            EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f.get()), bytes.size());
        }
        return path;
    }
};

const char kNotTransferable[] = "This JPEG file cannot be transferred to the Camera.\nFile Name : ";
const char kNotSupported[] = "This JPEG file type cannot be supported.\nFile Name : ";

// --- acceptance ----------------------------------------------------------------------------

TEST(UploadCode, JpegTestLooksAtBothEndsOfTheFile) {
    Workspace ws;
    std::vector<uint8_t> good = MakeJpeg(64, 48, 2, 1, 75, 0);
    EXPECT_TRUE(PassesJpegTest(ws.Write("good.jpg", good)));
    // Start marker pushed beyond the first 2048 bytes.
    std::vector<uint8_t> late(3000, 0);
    late.insert(late.end(), good.begin(), good.end());
    EXPECT_FALSE(PassesJpegTest(ws.Write("late.jpg", late)));
    // End marker followed by more than 2048 bytes.
    std::vector<uint8_t> trailing = good;
    trailing.insert(trailing.end(), 2049, 0);
    EXPECT_FALSE(PassesJpegTest(ws.Write("trailing.jpg", trailing)));
    trailing.resize(good.size() + 2046);  // the FF D9 pair is still within the last 2048 bytes
    EXPECT_TRUE(PassesJpegTest(ws.Write("trailing2.jpg", trailing)));
    EXPECT_FALSE(PassesJpegTest(ws.Write("tiny.jpg", {0xFF})));
    EXPECT_FALSE(PassesJpegTest(ws.File("missing.jpg")));
}

TEST(UploadCode, AcceptanceByModel) {
    Workspace ws;
    UploadRefusal why;
    // Model 1: class 0 only for small pictures below 21504 bytes.
    const std::string small4 = ws.Write("s4.jpg", PadTo(MakeJpeg(320, 240, 4, 1, 75, 0), 21503));
    EXPECT_EQ(UploadCodeOfFile(1, small4, &why), 0);
    const std::string small4big =
        ws.Write("s4b.jpg", PadTo(MakeJpeg(320, 240, 4, 1, 75, 0), 21504));
    EXPECT_EQ(UploadCodeOfFile(1, small4big, &why), kUploadSkip);
    EXPECT_EQ(why, UploadRefusal::kTooManyBytes);
    const std::vector<uint8_t> vga4 = MakeJpeg(640, 480, 4, 1, 75, 0);
    EXPECT_EQ(UploadCodeOfFile(1, ws.Write("v1.jpg", PadTo(vga4, 64511))), 1);
    EXPECT_EQ(UploadCodeOfFile(1, ws.Write("v2.jpg", PadTo(vga4, 64512))), 2);
    EXPECT_EQ(UploadCodeOfFile(1, ws.Write("v3.jpg", PadTo(vga4, 131072))), 3);
    EXPECT_EQ(UploadCodeOfFile(1, ws.Write("v4.jpg", PadTo(vga4, 262143))), 3);
    EXPECT_EQ(UploadCodeOfFile(1, ws.Write("v5.jpg", PadTo(vga4, 262144)), &why), kUploadSkip);
    EXPECT_EQ(why, UploadRefusal::kTooManyBytes);
    // Wrong sampling: sendable after re-compression.
    const std::string vga2 = ws.Write("vga2.jpg", MakeJpeg(640, 480, 2, 1, 75, 0));
    EXPECT_EQ(UploadCodeOfFile(1, vga2), 1 | kUploadRecompress);
    // Model 2: 2x1 unchanged, 320 x 240 and below class 0, up to 640 x 480 class 1.
    EXPECT_EQ(UploadCodeOfFile(2, vga2), 1);
    EXPECT_EQ(UploadCodeOfFile(2, small4), 0 | kUploadRecompress);
    const std::string tall = ws.Write("tall.jpg", MakeJpeg(240, 320, 2, 1, 75, 0));
    EXPECT_EQ(UploadCodeOfFile(2, tall), 1);
    const std::string svga = ws.Write("svga.jpg", MakeJpeg(800, 600, 2, 1, 75, 0));
    EXPECT_EQ(UploadCodeOfFile(2, svga, &why), kUploadSkip);
    EXPECT_EQ(why, UploadRefusal::kTooLarge);
    EXPECT_EQ(UploadCodeOfFile(1, svga), kUploadSkip);
    // Model 3: 2x1 and 2x2 unchanged, 512 x 384 class 0.
    EXPECT_EQ(UploadCodeOfFile(3, svga), 1);
    EXPECT_EQ(UploadCodeOfFile(3, ws.Write("q.jpg", MakeJpeg(512, 384, 2, 2, 75, 0))), 0);
    EXPECT_EQ(UploadCodeOfFile(3, ws.Write("q4.jpg", MakeJpeg(512, 384, 4, 1, 75, 0))),
              0 | kUploadRecompress);
    EXPECT_EQ(UploadCodeOfFile(3, ws.Write("g.jpg", MakeJpeg(2576, 16, 2, 1, 75, 0)), &why),
              kUploadSkip);
    EXPECT_EQ(why, UploadRefusal::kTooLarge);
    // Not a JPEG, empty, missing, broken header.
    EXPECT_EQ(UploadCodeOfFile(2, ws.Write("text.jpg", {'h', 'i', '\n'}), &why), kUploadSkip);
    EXPECT_EQ(why, UploadRefusal::kNotJpeg);
    EXPECT_EQ(UploadCodeOfFile(2, ws.Write("empty.jpg", {}), &why), kUploadSkip);
    EXPECT_EQ(why, UploadRefusal::kUnreadable);
    EXPECT_EQ(UploadCodeOfFile(2, ws.File("none.jpg"), &why), kUploadSkip);
    EXPECT_EQ(why, UploadRefusal::kUnreadable);
    EXPECT_EQ(UploadCodeOfFile(2, ws.Write("markers.jpg", {0xFF, 0xD8, 0x00, 0xFF, 0xD9}), &why),
              kUploadSkip);
    EXPECT_EQ(why, UploadRefusal::kBadHeader);
}

// --- model 1 -------------------------------------------------------------------------------

TEST(Upload, Model1RefusesASmallPictureOfTooManyBytes) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.upload.files = {ws.Write("small.jpg", PadTo(MakeJpeg(320, 240, 4, 1, 75, 0), 30000))};
    EXPECT_EQ(UploadFiles(t.s), kLinkFailed);
    EXPECT_EQ(t.fp.prompts.Texts(),
              std::vector<std::string>{std::string(kNotTransferable) + "small.jpg"});
    EXPECT_EQ(t.fp.prompts.boxes[0].style, BoxStyle::kError);
    EXPECT_EQ(t.fp.prompts.boxes[0].title, "Vistrel");
    EXPECT_EQ(SimImageCount(*t.cam), 5);
    EXPECT_TRUE(SigRequestsOf(*t.cam, 21).empty()) << "nothing is begun";
    EXPECT_EQ(t.s.upload.codes[0], kUploadSkip);
}

TEST(Upload, Model1SendsAFileUnchanged) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    const std::vector<uint8_t> bytes = PadTo(MakeJpeg(640, 480, 4, 1, 75, 0), 70000);
    t.s.upload.files = {ws.Write("a.jpg", bytes)};
    EXPECT_EQ(UploadFiles(t.s), kLinkOk);
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    ASSERT_EQ(SimImageCount(*t.cam), 6);
    EXPECT_EQ(SimImage(*t.cam, 6), bytes);
    auto begins = SigRequestsOf(*t.cam, 21);
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(begins[0][17], 2) << "class 2 by its byte size";
    // The progress dialog: texts, and the meter over the 256-byte chunks.
    const auto& texts = t.fp.view.texts;
    EXPECT_NE(
        std::find(texts.begin(), texts.end(),
                  std::make_pair(301, std::string("Now transferring image(PC->Digital Camera)."))),
        texts.end());
    EXPECT_NE(
        std::find(texts.begin(), texts.end(), std::make_pair(302, std::string("File Name: a.jpg"))),
        texts.end());
    EXPECT_EQ(t.fp.view.range, (70000u + 255) / 256);
    EXPECT_EQ(t.fp.view.positions.back(), (70000u + 255) / 256);
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"progress open", "progress close"}));
}

TEST(Upload, Model1RecompressesA2x1PictureAfterTheQuestion) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    const std::vector<uint8_t> bytes = PadTo(MakeJpeg(640, 480, 2, 1, 40, 24), 100000);
    const std::string path = ws.Write("big.jpg", bytes);
    t.s.upload.files = {path};
    t.fp.prompts.answers = {kBoxYes};
    EXPECT_EQ(UploadFiles(t.s), kLinkOk);
    EXPECT_EQ(t.fp.prompts.Texts(),
              (std::vector<std::string>{std::string(kNotSupported) + "big.jpg",
                                        "Does it Change Jpeg to Jpeg?\n File Name : big.jpg\n"}));
    EXPECT_EQ(t.fp.prompts.boxes[1].style, BoxStyle::kYesNo);
    ASSERT_EQ(SimImageCount(*t.cam), 6);
    const std::vector<uint8_t>& sent = SimImage(*t.cam, 6);
    FrameInfo f;
    ASSERT_TRUE(ParseFrame(sent, &f));
    EXPECT_EQ(f.width, 640);
    EXPECT_EQ(f.height, 480);
    EXPECT_EQ(f.h0, 4);
    EXPECT_EQ(f.v0, 1);
    EXPECT_GT(sent.size(), 64512u);
    EXPECT_LE(sent.size(), 131072u) << "fitted into class 2";
    auto begins = SigRequestsOf(*t.cam, 21);
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(begins[0][17], 2);
    EXPECT_EQ(ReadAll(path), bytes) << "the chosen file is left alone";
    EXPECT_EQ(ws.TempFiles(), 0) << "the copy and the BMP are gone";
    const auto& texts = t.fp.view.texts;
    EXPECT_NE(
        std::find(texts.begin(), texts.end(),
                  std::make_pair(301, std::string("Now Changeing JPEG to JPEG. Please wait."))),
        texts.end());
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"progress open", "progress close",
                                                     "progress open", "progress close"}));
}

TEST(Upload, AnsweringNoToTheConversionLeavesNothingToSend) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.upload.files = {ws.Write("big.jpg", MakeJpeg(640, 480, 2, 1, 75, 0))};
    t.fp.prompts.answers = {kBoxNo};
    EXPECT_EQ(UploadFiles(t.s), kLinkFailed);
    EXPECT_EQ(t.fp.prompts.boxes.size(), 2u);
    EXPECT_EQ(t.s.upload.codes[0], kUploadSkip);
    EXPECT_EQ(SimImageCount(*t.cam), 5);
    EXPECT_TRUE(SigRequestsOf(*t.cam, 21).empty());
}

TEST(Upload, NotAJpegIsReportedTwiceAndSkipped) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    const std::vector<uint8_t> good = MakeJpeg(320, 240, 4, 1, 75, 0);
    t.s.upload.files = {ws.Write("notes.jpg", {'n', 'o', 't', 'e'}), ws.Write("ok.jpg", good)};
    EXPECT_EQ(UploadFiles(t.s), kLinkOk);
    EXPECT_EQ(t.fp.prompts.Texts(),
              (std::vector<std::string>{"This is not a Jpeg file.",
                                        std::string(kNotTransferable) + "notes.jpg"}));
    ASSERT_EQ(SimImageCount(*t.cam), 6);
    EXPECT_EQ(SimImage(*t.cam, 6), good);
    EXPECT_EQ(t.s.upload.examined, 2);
    EXPECT_EQ(t.s.upload.listed, 2);
}

TEST(Upload, CancelDuringTheFirstOfTwoFilesEndsWith101) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    const std::vector<uint8_t> bytes = PadTo(MakeJpeg(320, 240, 4, 1, 75, 0), 20000);
    t.s.upload.files = {ws.Write("one.jpg", bytes), ws.Write("two.jpg", bytes)};
    t.fp.view.cancel_at = 3;
    t.fp.prompts.answers = {kBoxYes};
    EXPECT_EQ(UploadFiles(t.s), kLinkUploadCancelled);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Cancel image transfer?"});
    EXPECT_EQ(SimImageCount(*t.cam), 6) << "the first file was sent whole, the second not";
    EXPECT_EQ(SimImage(*t.cam, 6), bytes);
    EXPECT_FALSE(CancelRequested());
}

TEST(Upload, CancelAnsweredNoGoesOnWithTheNextFile) {
    Workspace ws;
    SimSession t(2, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    const std::vector<uint8_t> bytes = MakeJpeg(320, 240, 2, 1, 75, 0);
    t.s.upload.files = {ws.Write("one.jpg", bytes), ws.Write("two.jpg", bytes)};
    // Cancel pressed once, while the first file goes out.
    struct OnceView : RecordingView {
        void SetMeterPos(uint32_t pos) override {
            RecordingView::SetMeterPos(pos);
            if (pos == cancel_at) cancel_at = 0;
        }
    } view;
    view.cancel_at = 1;
    ScopedPlatform scope(Platform{&t.fp.clock, &t.fp.pump, &t.fp.prompts, &t.fp.settings, &view});
    t.fp.prompts.answers = {kBoxNo};
    EXPECT_EQ(UploadFiles(t.s), kLinkOk);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Cancel image transfer?"})
        << "asked after the first file only";
    EXPECT_EQ(SimImageCount(*t.cam), 7);
}

TEST(Upload, CancelIsHiddenForTheLastFileThatIsSent) {
    Workspace ws;
    SimSession t(2, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    struct CancelView : RecordingView {
        std::vector<bool> shown;
        void ShowCancel(bool on) override { shown.push_back(on); }
    } view;
    ScopedPlatform scope(Platform{&t.fp.clock, &t.fp.pump, &t.fp.prompts, &t.fp.settings, &view});
    const std::string a = ws.Write("a.jpg", MakeJpeg(320, 240, 2, 1, 75, 0));
    const std::string junk = ws.Write("junk.jpg", {'x', 'y'});
    t.s.upload.files = {a, a, junk};
    SetCancelRequested(true);  // left over: the last file clears it
    EXPECT_EQ(UploadFiles(t.s), kLinkOk);
    EXPECT_EQ(view.shown, (std::vector<bool>{true, true, false})) << "shown again after No";
    EXPECT_FALSE(CancelRequested());
    EXPECT_EQ(t.fp.prompts.Texts(),
              (std::vector<std::string>{"This is not a Jpeg file.",
                                        std::string(kNotTransferable) + "junk.jpg",
                                        "Cancel image transfer?"}))
        << "the flag seen after the first file is asked about; answered No";
    EXPECT_EQ(SimImageCount(*t.cam), 7);
}

TEST(Upload, TooManyFilesSendNothing) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    const std::string one = ws.Write("one.jpg", MakeJpeg(320, 240, 4, 1, 75, 0));
    t.s.upload.files.assign(101, one);
    EXPECT_EQ(UploadFiles(t.s), kLinkFailed);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"The file Name is too long."});
    EXPECT_EQ(SimImageCount(*t.cam), 5);
    EXPECT_TRUE(SigRequestsOf(*t.cam, 21).empty());
    // 100 files are still taken.
    SimSession u(2, 1);
    ASSERT_EQ(u.Open(), kLinkOk);
    const std::string tiny = ws.Write("tiny.jpg", MakeJpeg(16, 16, 2, 1, 75, 0));
    u.s.upload.files.assign(100, tiny);
    EXPECT_EQ(UploadFiles(u.s), kLinkOk);
    EXPECT_EQ(SimImageCount(*u.cam), 101);
}

TEST(Upload, Model1FullMemoryEndsWith92) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:21:4"));
    const std::string a = ws.Write("a.jpg", MakeJpeg(320, 240, 4, 1, 75, 0));
    t.s.upload.files = {a, a};
    EXPECT_EQ(UploadFiles(t.s), kLinkMemoryFull);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Camera memory is full."});
    EXPECT_EQ(SigRequestsOf(*t.cam, 21).size(), 1u) << "no retry, no second file";
    EXPECT_EQ(SimImageCount(*t.cam), 5);
}

TEST(Upload, Model1CameraThatStopsAnsweringGives100) {
    Workspace ws;
    SimSession t(1, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_TRUE(AddSimFault(*t.cam, "noreply:0"));
    ASSERT_TRUE(AddSimFault(*t.cam, "noreply:7"));  // not even the count can tell
    t.s.upload.files = {ws.Write("a.jpg", MakeJpeg(320, 240, 4, 1, 75, 0))};
    EXPECT_EQ(UploadFiles(t.s), kLinkTimeout);
    EXPECT_EQ(t.fp.prompts.Texts(),
              std::vector<std::string>{
                  "Cannot access Camera.\nMake sure Camera is turned on and properly connected."});
    EXPECT_EQ(t.ui.events.back(), "progress close");
}

TEST(Upload, AnswerLostAfterTheCameraStoredTheImageIsNoFailure) {
    for (int model : {1, 2}) {
        SCOPED_TRACE(model);
        Workspace ws;
        SimSession t(model, 5);
        ASSERT_EQ(t.Open(), kLinkOk);
        // The camera stores the image, then its answer to the last piece is lost.
        ASSERT_TRUE(AddSimFault(*t.cam, model == 1 ? "noreply:0*1" : "noreply:5*1"));
        const std::vector<uint8_t> bytes =
            model == 1 ? MakeJpeg(320, 240, 4, 1, 75, 0) : MakeJpeg(16, 16, 2, 1, 50, 0);
        if (model == 2) {
            ASSERT_LE(bytes.size(), 1024u);  // one block: the lost answer is the last one's
        }
        t.s.upload.files = {ws.Write("a.jpg", bytes)};
        EXPECT_EQ(UploadFiles(t.s), kLinkOk);
        EXPECT_TRUE(t.fp.prompts.boxes.empty());
        EXPECT_EQ(SimImageCount(*t.cam), 6);
        EXPECT_EQ(t.s.upload.sent, 1);
        EXPECT_EQ(SimImage(*t.cam, 6), bytes);
    }
}

// --- models 2 and 3 ------------------------------------------------------------------------

TEST(Upload, Model2SendsLongFramesPaddedWithZeros) {
    Workspace ws;
    SimSession t(2, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    const std::vector<uint8_t> bytes = PadTo(MakeJpeg(16, 16, 2, 1, 50, 0), 1025);
    t.s.upload.files = {ws.Write("k.jpg", bytes)};
    EXPECT_EQ(UploadFiles(t.s), kLinkOk);
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    auto begins = SeqRequestsOf(*t.cam, 21);
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(GetLe32(&begins[0][4]), 1025u);
    auto frames = SeqRequestsOf(*t.cam, 5);
    ASSERT_EQ(frames.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(frames[i].size(), 1030u);
        EXPECT_EQ(frames[i][0], 1) << "long frame";
        EXPECT_EQ(frames[i][1], i) << "sequence = block index";
        EXPECT_EQ(frames[i][2], static_cast<uint8_t>(i ^ 0xFF));
    }
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 1024, frames[0].begin() + 4));
    EXPECT_EQ(frames[1][4], bytes[1024]);
    EXPECT_TRUE(std::all_of(frames[1].begin() + 5, frames[1].begin() + 4 + 1024,
                            [](uint8_t b) { return b == 0; }));
    ASSERT_EQ(SimImageCount(*t.cam), 6);
    EXPECT_EQ(SimImage(*t.cam, 6), bytes);
    EXPECT_EQ(t.fp.view.range, 2u);
    EXPECT_EQ(t.s.model, 2);
}

TEST(Upload, ProbedModel3Accepts2x2UnchangedAndIsSetBackToModel2) {
    Workspace ws;
    SimSession t(3, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_EQ(t.s.model, 2) << "identify alone tells 2";
    const std::vector<uint8_t> bytes = MakeJpeg(1600, 1200, 2, 2, 75, 0);
    const std::string path = ws.Write("uxga.jpg", bytes);
    EXPECT_EQ(UploadCodeOfFile(2, path), kUploadSkip);
    t.s.upload.files = {path};
    EXPECT_EQ(UploadFiles(t.s), kLinkOk);
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    EXPECT_EQ(t.s.upload.codes[0], 1);
    EXPECT_EQ(SeqRequestsOf(*t.cam, 56).size(), 1u);
    ASSERT_EQ(SimImageCount(*t.cam), 6);
    EXPECT_EQ(SimImage(*t.cam, 6), bytes);
    EXPECT_EQ(t.s.model, 2);
}

TEST(Upload, Model2RecompressesInOnePass) {
    Workspace ws;
    SimSession t(2, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    const std::vector<uint8_t> bytes = MakeJpeg(320, 240, 4, 1, 75, 8);
    t.s.upload.files = {ws.Write("q.jpg", bytes)};
    t.fp.prompts.answers = {kBoxYes};
    EXPECT_EQ(UploadFiles(t.s), kLinkOk);
    ASSERT_EQ(SimImageCount(*t.cam), 6);
    FrameInfo f;
    ASSERT_TRUE(ParseFrame(SimImage(*t.cam, 6), &f));
    EXPECT_EQ(f.h0, 2);
    EXPECT_EQ(f.v0, 1);
    EXPECT_EQ(f.width, 320);
    EXPECT_EQ(GetLe32(&SeqRequestsOf(*t.cam, 21)[0][4]), SimImage(*t.cam, 6).size())
        << "the size announced is that of the converted file";
    EXPECT_EQ(ws.TempFiles(), 0);
}

TEST(Upload, Model2FullMemoryEndsWith92AndLeavesNoTemporaryFile) {
    Workspace ws;
    SimSession t(2, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:21:4"));
    t.s.upload.files = {ws.Write("q.jpg", MakeJpeg(320, 240, 4, 1, 75, 8))};
    t.fp.prompts.answers = {kBoxYes};
    EXPECT_EQ(UploadFiles(t.s), kLinkMemoryFull);
    EXPECT_EQ(SimImageCount(*t.cam), 5);
    EXPECT_EQ(ws.TempFiles(), 0);
    EXPECT_EQ(SeqRequestsOf(*t.cam, 5).size(), 0u);
}

TEST(Upload, FailedProbeEndsBeforeAnyQuestion) {
    Workspace ws;
    SimSession t(2, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_TRUE(AddSimFault(*t.cam, "noreply:56"));
    t.s.upload.files = {ws.Write("q.jpg", MakeJpeg(320, 240, 4, 1, 75, 0))};
    EXPECT_EQ(UploadFiles(t.s), kLinkTimeout);
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    EXPECT_EQ(SimImageCount(*t.cam), 5);
}

// --- the upload session ------------------------------------------------------------------

TEST(UploadSession, Speed57600RunsAt38400AndKeepsTheSetting) {
    ProgramStartNoticeTimes() = StartNoticeTimes{};
    Workspace ws;
    SimSession t(2, 2);
    t.fp.settings.values["baudrate"] = "576";
    t.ui.upload_files = {ws.Write("a.jpg", MakeJpeg(640, 480, 2, 1, 75, 0))};
    ASSERT_EQ(Connect(t.s, ConnectPurpose::kUpload), kLinkOk);
    EXPECT_EQ(SimImageCount(*t.cam), 3);
    EXPECT_EQ(t.fp.settings.values["baudrate"], "576");
    EXPECT_EQ(t.s.speed_code, kBaud57600Code);  // the user's code is back
    // The camera was switched to 38400, never to 57600.
    for (const auto& r : SigRequestsOf(*t.cam, 4)) EXPECT_EQ(r[17], kBaud38400Code);
    EXPECT_FALSE(t.s.port);
    EXPECT_EQ(t.ui.events.front(), "choose files");
    EXPECT_EQ(t.ui.events.back(), "commands enabled");
}

// A damaged or lost answer in the middle of an upload: the camera still waits for the
// remaining blocks, so the upload is finished before the session ends, and the image is stored
// whole; a camera that stops answering altogether ends the upload at the next block.
TEST(UploadSession, DamagedAnswerInTheMiddleFinishesTheUploadBeforeTheSessionEnds) {
    struct Case {
        const char* fault;
        LinkError result;
        int stored;
    } cases[] = {
        {"corrupt:5*1", kLinkOk, 1}, {"checksum:5*1", kLinkOk, 1},   {"drop:5*1", kLinkOk, 1},
        {"noreply:5*1", kLinkOk, 1}, {"noreply:5", kLinkTimeout, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        ProgramStartNoticeTimes() = StartNoticeTimes{};
        Workspace ws;
        SimSession t(2, 2);
        const std::vector<uint8_t> bytes = PadTo(MakeJpeg(16, 16, 2, 1, 50, 0), 3000);
        t.ui.upload_files = {ws.Write("a.jpg", bytes)};
        ASSERT_TRUE(AddSimFault(*t.cam, c.fault));
        EXPECT_EQ(Connect(t.s, ConnectPurpose::kUpload), c.result);
        ASSERT_EQ(SimImageCount(*t.cam), 2 + c.stored);
        if (c.stored) {
            EXPECT_EQ(SimViolations(*t.cam), std::vector<std::string>{}) << "ended mid-upload";
            EXPECT_EQ(SimImage(*t.cam, 3), bytes);
            EXPECT_TRUE(t.fp.prompts.boxes.empty());
        }
        EXPECT_EQ(SeqRequestsOf(*t.cam, 31).size(), 1u);
    }
}

TEST(UploadSession, CancelledFileChoiceOpensNothing) {
    ProgramStartNoticeTimes() = StartNoticeTimes{};
    SimSession t(2, 2);
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kUpload), kLinkOk);
    EXPECT_EQ(t.ui.events, std::vector<std::string>{"choose files"});
    EXPECT_TRUE(SimRequests(*t.cam).empty());
}

TEST(UploadSession, Model1At115200IsRefused) {
    ProgramStartNoticeTimes() = StartNoticeTimes{};
    Workspace ws;
    SimSession t(1, 2);
    t.fp.settings.values["baudrate"] = "1152";
    t.ui.upload_files = {ws.Write("a.jpg", MakeJpeg(320, 240, 4, 1, 60, 0))};
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kUpload), kLinkSpeedRefused);
    EXPECT_EQ(t.fp.prompts.Texts(),
              std::vector<std::string>{"This camera cannot connect with this baudrate.\nChange "
                                       "lower baudrate and connect agein."});
    EXPECT_EQ(SimRequests(*t.cam).back()[16], 31);  // ended with the signature end command
    EXPECT_EQ(SimImageCount(*t.cam), 2);
}

TEST(UploadSession, FullMemoryReReadsTheCountAndOpensTheBrowser) {
    ProgramStartNoticeTimes() = StartNoticeTimes{};
    Workspace ws;
    SimSession t(2, 2);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:21:4"));
    t.ui.upload_files = {ws.Write("a.jpg", MakeJpeg(640, 480, 2, 1, 75, 0))};
    int count_in_browser = 0;
    t.ui.on_browser = [&](CameraSession& s) {
        count_in_browser = s.image_count;
        return kLinkOk;
    };
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kUpload), kLinkMemoryFull);
    EXPECT_EQ(count_in_browser, 2);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Camera memory is full."});
    EXPECT_TRUE(t.s.port) << "the browser owns the session";
    EndBrowserSession(t.s);
    EXPECT_FALSE(t.s.port);
}

TEST(UploadSession, Model1FullMemoryIsSaidOnceAndTheListOpens) {
    ProgramStartNoticeTimes() = StartNoticeTimes{};
    Workspace ws;
    SimSession t(1, 2);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:21:4"));
    t.ui.upload_files = {ws.Write("a.jpg", MakeJpeg(320, 240, 4, 1, 75, 0))};
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kUpload), kLinkMemoryFull);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Camera memory is full."});
    EXPECT_EQ(std::count(t.ui.events.begin(), t.ui.events.end(), "list dialog"), 1);
    EXPECT_FALSE(t.s.port);
}

}  // namespace
