// The host of our own (vistrel-acquire-host) without Windows: the property list, the PPM
// files, the command line, the descriptors' text form, and whole sessions against the
// module's own protocol code with a stand-in for its dialog.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#endif

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "base/files.h"
#include "codec/dib.h"
#include "plugin/acquire.h"
#include "plugin/host/acquire_host.h"
#include "plugin/host/descriptors.h"
#include "plugin/host/host_options.h"
#include "plugin/host/pipl.h"
#include "plugin/host/ppm.h"

namespace {

// --- the property list ------------------------------------------------------------------------

void Put32(std::vector<uint8_t>* b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b->push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Property(std::vector<uint8_t>* b, const char (&key)[5], std::vector<uint8_t> data) {
    Put32(b, 0x3842494Du);
    Put32(b, host::FourCC(key));
    Put32(b, 0);
    while (data.size() % 4) data.push_back(0);
    Put32(b, static_cast<uint32_t>(data.size()));
    b->insert(b->end(), data.begin(), data.end());
}
std::vector<uint8_t> Pipl(uint32_t kind, bool with_entry) {
    std::vector<uint8_t> b{1, 0};
    Put32(&b, 0);
    Put32(&b, with_entry ? 4 : 3);
    std::vector<uint8_t> k;
    Put32(&k, kind);
    Property(&b, "kind", k);
    const std::string name = "\x0fQuenlar QX-4210";
    Property(&b, "name", std::vector<uint8_t>(name.begin(), name.end()));
    std::vector<uint8_t> v;
    Put32(&v, 0x00040000);
    Property(&b, "vers", v);
    if (with_entry) {
        const char entry[] = "ENTRYPOINT";
        Property(&b, "wx86", std::vector<uint8_t>(entry, entry + sizeof entry));
    }
    return b;
}

TEST(HostPipl, ReadsKindNameEntryAndRefusesWhatDoesNotFit) {
    std::vector<uint8_t> b = Pipl(kPiplAcquireKind, true);
    PiplInfo info;
    ASSERT_EQ(ParsePipl(b.data(), b.size(), &info), PiplError::kNone);
    EXPECT_EQ(info.kind, kPiplAcquireKind);
    EXPECT_EQ(info.name, "Quenlar QX-4210");
    EXPECT_EQ(info.entry, "ENTRYPOINT");
    EXPECT_EQ(info.version, 0x00040000u);
    EXPECT_EQ(info.properties, 4);

    // A filter's list parses; the kind is the caller's to judge.
    b = Pipl(0x3842464Du, true);
    ASSERT_EQ(ParsePipl(b.data(), b.size(), &info), PiplError::kNone);
    EXPECT_NE(info.kind, kPiplAcquireKind);

    b = Pipl(kPiplAcquireKind, false);
    EXPECT_EQ(ParsePipl(b.data(), b.size(), &info), PiplError::kNoEntry);
    b = Pipl(kPiplAcquireKind, true);
    EXPECT_EQ(ParsePipl(b.data(), b.size() - 13, &info), PiplError::kBadProperty);
    b[22] = 0xFF;  // the first property's length far beyond the end
    EXPECT_EQ(ParsePipl(b.data(), b.size(), &info), PiplError::kBadProperty);
    EXPECT_EQ(ParsePipl(b.data(), 9, &info), PiplError::kTooShort);
    b = Pipl(kPiplAcquireKind, true);
    b[0] = 2;
    EXPECT_EQ(ParsePipl(b.data(), b.size(), &info), PiplError::kBadVersion);
}

// --- PPM files ----------------------------------------------------------------------------------

TEST(HostPpm, BytesNamesAndFiles) {
    std::vector<uint8_t> planes[3] = {
        {1, 2, 3, 4, 5, 6}, {11, 12, 13, 14, 15, 16}, {21, 22, 23, 24, 25, 26}};
    const std::vector<uint8_t> bytes = PpmBytes(2, 3, planes, 3);
    const std::string header = "P6\n3 2\n255\n";
    ASSERT_EQ(bytes.size(), header.size() + 18);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + header.size()), header);
    EXPECT_EQ(
        std::vector<uint8_t>(bytes.begin() + header.size(), bytes.begin() + header.size() + 6),
        std::vector<uint8_t>({1, 11, 21, 2, 12, 22}));
    EXPECT_EQ(bytes.back(), 26);
    EXPECT_EQ(PpmBytes(2, 3, planes, 1).size(), std::string("P5\n3 2\n255\n").size() + 6);
    EXPECT_TRUE(PpmBytes(3, 3, planes, 3).empty()) << "planes too small for the size";
    EXPECT_TRUE(PpmBytes(2, 3, planes, 2).empty());

    EXPECT_EQ(AcquiredFileName("", 1), "acquire-001.ppm");
    EXPECT_EQ(AcquiredFileName("out/", 12), "out/acquire-012.ppm");

    const std::string path = ::testing::TempDir() + "host-test.ppm";
    ASSERT_TRUE(WritePpmFile(path, 2, 3, planes, 3));
    EXPECT_EQ(FileLength(path), static_cast<int64_t>(bytes.size()));
    EXPECT_FALSE(WritePpmFile(::testing::TempDir() + "no-such-folder/x.ppm", 2, 3, planes, 3));
    std::remove(path.c_str());
}

// --- the command line ---------------------------------------------------------------------------

int Parse(std::vector<std::string> args, HostOptions* o, std::string* error) {
    args.insert(args.begin(), "vistrel-acquire-host");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return ParseHostOptions(static_cast<int>(args.size()), argv.data(), o, error);
}

TEST(HostOptionsTest, EveryOptionAndTheMistakes) {
    HostOptions o;
    std::string error;
    ASSERT_EQ(Parse({"-o", "out", "--log", "calls.txt", "--space", "1000", "--no-buffer-suite",
                     "--no-abort", "--no-progress", "--no-advance-state", "--abort-after", "7",
                     "--cannot-finalize", "-p", "play.txt", "--record=rec.txt", "--max-cycles", "3",
                     "QX4210.8ba"},
                    &o, &error),
              0)
        << error;
    EXPECT_EQ(o.module, "QX4210.8ba");
    EXPECT_EQ(o.out_dir, "out");
    EXPECT_EQ(o.log_file, "calls.txt");
    EXPECT_EQ(o.space, 1000);
    EXPECT_FALSE(o.buffer_suite || o.abort_proc || o.progress_proc || o.advance_state);
    EXPECT_EQ(o.abort_after_rows, 7);
    EXPECT_FALSE(o.can_finalize);
    EXPECT_EQ(o.play_file, "play.txt");
    EXPECT_TRUE(o.record);
    EXPECT_EQ(o.record_file, "rec.txt");
    EXPECT_EQ(o.max_cycles, 3);

    ASSERT_EQ(Parse({"m.8ba", "-r"}, &o, &error), 0) << "options after the module";
    EXPECT_TRUE(o.record);
    EXPECT_TRUE(o.record_file.empty());
    EXPECT_TRUE(o.buffer_suite) << "a fresh parse starts from the defaults";
    EXPECT_EQ(o.space, 4 << 20);

    EXPECT_EQ(Parse({}, &o, &error), 2);
    EXPECT_EQ(error, "no module named");
    EXPECT_EQ(Parse({"a.8ba", "b.8ba"}, &o, &error), 2);
    EXPECT_EQ(Parse({"--space", "-5", "a.8ba"}, &o, &error), 2);
    EXPECT_EQ(Parse({"--space", "99999999999", "a.8ba"}, &o, &error), 2);
    EXPECT_EQ(Parse({"--frobnicate", "a.8ba"}, &o, &error), 2);
    EXPECT_EQ(Parse({"a.8ba", "-o"}, &o, &error), 2);
    EXPECT_EQ(Parse({"-h"}, &o, &error), 0);
    EXPECT_TRUE(o.help);
}

// --- descriptors --------------------------------------------------------------------------------

TEST(HostDescriptors, TextFormRoundTripsAndRefusesBadLines) {
    const std::string text =
        "'mulK' list 2\n"
        "  object 'mulS'\n"
        "    'Hrzn' unit '#Pxl' 480\n"
        "    'Vrtc' unit '#Pxl' 640\n"
        "    'Md  ' enum 'grmT' 'rgbC'\n"
        "    'Invr' bool true\n"
        "  end\n"
        "  object 'mulS'\n"
        "    'Cnt ' integer -3\n"
        "    'Rati' float 1.5\n"
        "  end\n"
        "end\n";
    Descriptor d;
    int line = -1;
    std::string why;
    ASSERT_TRUE(ParseDescriptorText(text, &d, &line, &why)) << line << ": " << why;
    ASSERT_EQ(d.items.size(), 1u);
    ASSERT_EQ(d.items[0].objects.size(), 2u);
    EXPECT_EQ(d.items[0].count, 2u);
    EXPECT_EQ(d.items[0].objects[0].desc.items[2].key, host::FourCC("Md  "));
    EXPECT_EQ(DescriptorText(d), text);

    struct Bad {
        const char* text;
        int line;
    } bad[] = {
        {"'mulK' list 1\n  object 'mulS'\n  end\n", 4},  // the list never ends
        {"end\n", 1},
        {"'Hrz' unit '#Pxl' 4\n", 1},
        {"'Hrzn' unit '#Pxl' 4x\n", 1},
        {"'Hrzn' integer 1.5\n", 1},
        {"'Hrzn' bool yes\n", 1},
        {"\n'mulK' list 1\n  'Hrzn' bool true\nend\n", 3},  // a list holds objects
        {"object 'mulS'\nend\n", 1},
        {"'Hrzn' float nan\n", 1},
        {"'Hrzn' float 0.5\n'mulK' list 377777777777777777777777777777777\nend\n", 2},
        {"'mulK' list 10001\nend\n", 1},
    };
    for (const Bad& b : bad) {
        EXPECT_FALSE(ParseDescriptorText(b.text, &d, &line, &why)) << b.text;
        EXPECT_EQ(line, b.line) << b.text;
    }
    std::string deep;
    for (int i = 0; i < kDescriptorMaxDepth + 1; ++i) deep += "'mulK' list 1\nobject 'mulS'\n";
    EXPECT_FALSE(ParseDescriptorText(deep, &d, &line, &why));
    EXPECT_EQ(why, "lists nested too deep");
}

// --- sessions against the module's protocol
// -------------------------------------------------------

struct StandInUi : PluginUi {
    std::deque<int> answers;  // what the dialog ends with each time
    int width = 7, height = 5;
    std::vector<int> warnings;
    void About(const void*) override {}
    void HostWarning(int id, const char*) override { warnings.push_back(id); }
    bool EnterDialog(PluginState&) override { return true; }
    int RunDialog(PluginState&) override {
        if (answers.empty()) return -1;
        const int r = answers.front();
        answers.pop_front();
        return r;
    }
    void DestroyDialog(PluginState&) override {}
    // Pixel (x, y) from the top: red x, green y, blue x + y.
    DibImage ExtractImage(PluginState&) override {
        DibImage dib = NewDib(width, height, 24, 0);
        DibLayout l;
        if (!GetDibLayout(dib, &l)) return dib;
        for (int y = 0; y < height; ++y) {
            uint8_t* row = dib.data() + l.pixel_offset + l.stride * (height - 1 - y);
            for (int x = 0; x < width; ++x) {
                row[3 * x] = static_cast<uint8_t>(x + y);
                row[3 * x + 1] = static_cast<uint8_t>(y);
                row[3 * x + 2] = static_cast<uint8_t>(x);
            }
        }
        return dib;
    }
};
StandInUi* g_ui = nullptr;

void ModuleEntry(short selector, void* record, intptr_t* data, short* result) {
    PluginEntry(selector, record, data, result, *g_ui);
}

class HostSession : public ::testing::Test {
protected:
    void SetUp() override {
        g_ui = &ui_;
        dir_ = ::testing::TempDir() + "host-session-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        MakeDirectory(dir_);
    }
    void TearDown() override {
        if (host_.slot) {
            auto* h = reinterpret_cast<PluginHandle*>(host_.slot);
            delete static_cast<PluginState*>(h->data)->image;
            FreePluginHandle(h);
        }
        for (int i = 1; i <= 3; ++i) std::remove(AcquiredFileName(dir_, i).c_str());
        g_ui = nullptr;
    }
    static void MakeDirectory(const std::string& d) {
#ifdef _WIN32
        _mkdir(d.c_str());
#else
        mkdir(d.c_str(), 0755);
#endif
    }
    std::string Read(const std::string& path) {
        std::string s;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return s;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
        return s;
    }
    // The picture StandInUi makes, as a PPM file.
    std::string Expected(int w, int h) {
        std::string s = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                s += static_cast<char>(x);
                s += static_cast<char>(y);
                s += static_cast<char>(x + y);
            }
        }
        return s;
    }

    StandInUi ui_;
    AcquireHost host_{ModuleEntry};
    std::string dir_;
};

TEST_F(HostSession, TwoPicturesThenExitWritesTwoFilesAndLogsEveryCall) {
    ui_.answers = {1, 1, -1};
    ui_.width = 3;  // 9 bytes a row: the DIB's rows are padded
    const SessionResult s = RunAcquireSession(host_, dir_, 100);
    EXPECT_FALSE(s.failed) << host_.log;
    EXPECT_EQ(s.images, 2);
    EXPECT_EQ(Read(AcquiredFileName(dir_, 1)), Expected(3, 5));
    EXPECT_EQ(Read(AcquiredFileName(dir_, 2)), Expected(3, 5));
    EXPECT_EQ(FileLength(AcquiredFileName(dir_, 3)), -1);
    EXPECT_EQ(host_.buffers_live, 0);
    EXPECT_EQ(host_.buffers_allocated, 2);
    EXPECT_EQ(host_.overruns, 0);

    // The order of the calls, one line each, with the host procedures used.
    std::vector<std::string> calls;
    size_t at = 0;
    while (at < host_.log.size()) {
        const size_t nl = host_.log.find('\n', at);
        const std::string line = host_.log.substr(at, nl - at);
        at = nl + 1;
        if (line[0] != ' ') calls.push_back(line.substr(0, line.find(':')));
    }
    EXPECT_EQ(calls, std::vector<std::string>({"prepare", "start", "continue", "finish", "prepare",
                                               "start", "continue", "finish", "prepare", "start",
                                               "finalize"}));
    EXPECT_NE(host_.log.find("start: 0 (5 rows x 3 columns, mode 3, 3 planes)"), std::string::npos);
    EXPECT_NE(host_.log.find("continue: 0 [spaceProc 1, allocateProc 1, lockProc 1, abortProc 15, "
                             "progressProc 15, advanceState 3, unlockProc 1, freeProc 1]"),
              std::string::npos)
        << host_.log;
    EXPECT_NE(host_.log.find("  advanceState: plane 2, rows 0-5"), std::string::npos);
    EXPECT_NE(host_.log.find("finish: 0 (acquireAgain 1)"), std::string::npos);
    EXPECT_NE(host_.log.find("start: -128 (user cancelled)"), std::string::npos);
}

TEST_F(HostSession, AbortDuringTheLastPlaneStopsWithNothingWrittenAndAllFreed) {
    ui_.answers = {1};
    host_.abort_after_rows = 12;  // rows 0-4 red, 5-9 green, the third row of blue
    const SessionResult s = RunAcquireSession(host_, dir_, 100);
    EXPECT_EQ(s.images, 0);
    EXPECT_FALSE(s.failed) << "the user's cancel is no failure";
    EXPECT_EQ(host_.strips, 2);
    EXPECT_EQ(host_.buffers_live, 0);
    EXPECT_EQ(host_.buffers_freed, 1);
    EXPECT_NE(host_.log.find("continue: -128"), std::string::npos);
    EXPECT_EQ(FileLength(AcquiredFileName(dir_, 1)), -1);
}

TEST_F(HostSession, WithoutBufferSuiteOrAdvanceStateTheModuleRefuses) {
    host_.OfferBufferSuite(false);
    SessionResult s = RunAcquireSession(host_, dir_, 100);
    EXPECT_TRUE(s.failed);
    EXPECT_EQ(host_.log, "prepare: -128 (user cancelled)\n") << "no start after a failed prepare";
    EXPECT_EQ(ui_.warnings, std::vector<int>({16992}));

    host_.OfferBufferSuite(true);
    host_.OfferAdvanceState(false);
    host_.log.clear();
    ui_.answers = {1};
    s = RunAcquireSession(host_, dir_, 100);
    EXPECT_EQ(s.images, 0);
    EXPECT_EQ(host_.buffers_live, 0);
    EXPECT_NE(host_.log.find("continue: -128"), std::string::npos);
}

TEST_F(HostSession, RecordsEachPictureAndPlaysARecordingBack) {
    host_.OfferDescriptors(nullptr);
    ui_.answers = {1, 1, -1};
    ASSERT_FALSE(RunAcquireSession(host_, dir_, 100).failed) << host_.log;
    const Descriptor* recorded = host_.RecordedDescriptor();
    ASSERT_NE(recorded, nullptr);
    const std::string object =
        "  object 'mulS'\n"
        "    'Hrzn' unit '#Pxl' 5\n"
        "    'Vrtc' unit '#Pxl' 7\n"
        "    'Md  ' enum 'grmT' 'rgbC'\n"
        "  end\n";
    EXPECT_EQ(DescriptorText(*recorded), "'mulK' list 2\n" + object + object + "end\n");
    EXPECT_EQ(host_.LiveHandles(), 1) << "only the recording itself is left";

    // Played back with the invert flag: the module reads one object per start.
    Descriptor play;
    int line = 0;
    std::string why;
    ASSERT_TRUE(
        ParseDescriptorText("'mulK' list 1\n  object 'mulS'\n    'Hrzn' unit '#Pxl' 99999\n"
                            "    'Invr' bool true\n  end\nend\n",
                            &play, &line, &why));
    AcquireHost again(ModuleEntry);
    again.OfferDescriptors(&play);
    again.rec.canReadBack = 1;
    ui_.answers = {1, -1};
    const SessionResult s = RunAcquireSession(again, dir_, 100);
    EXPECT_EQ(s.images, 1) << again.log;
    EXPECT_NE(again.log.find("getPinnedUnitFloatProc 1"), std::string::npos) << again.log;
    EXPECT_NE(again.log.find("getBooleanProc 1"), std::string::npos);
    ASSERT_NE(again.RecordedDescriptor(), nullptr);
    EXPECT_NE(DescriptorText(*again.RecordedDescriptor()).find("'Invr' bool true"),
              std::string::npos);
    EXPECT_EQ(again.LiveHandles(), 1) << "the played descriptor and its object were disposed";
    auto* h = reinterpret_cast<PluginHandle*>(again.slot);
    delete static_cast<PluginState*>(h->data)->image;
    FreePluginHandle(h);
}

// A module that delivers a strip outside the picture it announced.
void StrayModule(short selector, void* record, intptr_t*, short* result) {
    auto* rec = static_cast<host::AcquireRecord*>(record);
    static uint8_t row[16];
    *result = 0;
    if (selector == host::kSelectorStart) {
        rec->imageSize = {2, 4};
        rec->imageMode = 3;
        rec->depth = 8;
        rec->planes = 3;
    } else if (selector == host::kSelectorContinue) {
        rec->data = row;
        rec->theRect = {1, 0, 3, 4};  // rows 1-3 of a two-row picture
        rec->loPlane = rec->hiPlane = 0;
        rec->colBytes = 1;
        rec->rowBytes = 4;
        *result = rec->advanceState();
        rec->data = nullptr;
    }
}

// A module that writes one byte past the end of its buffer.
void OverrunModule(short selector, void* record, intptr_t*, short* result) {
    auto* rec = static_cast<host::AcquireRecord*>(record);
    *result = 0;
    if (selector == host::kSelectorContinue) {
        host::BufferID id = nullptr;
        if (rec->bufferProcs->allocateProc(8, &id) != 0) return;
        char* p = rec->bufferProcs->lockProc(id, 0);
        p[8] = 1;
        rec->bufferProcs->unlockProc(id);
        rec->bufferProcs->freeProc(id);
    }
}

TEST(HostStrips, WritesPastTheBufferAreCaught) {
    AcquireHost h(OverrunModule);
    EXPECT_TRUE(RunAcquireSession(h, ::testing::TempDir(), 1).failed);
    EXPECT_EQ(h.overruns, 1);
    EXPECT_NE(h.log.find("wrote past the end"), std::string::npos);
}

TEST(HostStrips, AStripOutsideThePictureIsRefused) {
    AcquireHost h(StrayModule);
    const SessionResult s = RunAcquireSession(h, ::testing::TempDir(), 1);
    EXPECT_TRUE(s.failed);
    EXPECT_EQ(s.images, 0);
    EXPECT_EQ(h.bad_strips, 1);
    EXPECT_NE(h.log.find("continue: -50"), std::string::npos) << h.log;
}

}  // namespace
