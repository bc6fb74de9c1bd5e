// The host protocol of the acquire module against a fake host: the state block, the selectors,
// the suite checks, the delivery of a picture in strips of three planes, the host's abort and
// error codes, and the recording of acquired pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "codec/dib.h"
#include "plugin/acquire.h"

namespace {

// --- the fake host ----------------------------------------------------------------------------

struct HostLog {
    int32_t space = 1000000;
    int fail_allocations = 0;  // the first N allocations fail with -108
    std::vector<int32_t> allocations;
    int frees = 0, locks = 0, unlocks = 0;
    std::vector<uint8_t> storage;
    int abort_at_row = -1;  // abortProc says yes at this progress call
    int progress_calls = 0;
    int16_t advance_code = 0;
    // What each advanceState call saw.
    struct Strip {
        host::Rect rect;
        int16_t plane;
        int32_t row_bytes;
        std::vector<uint8_t> bytes;
    };
    std::vector<Strip> strips;
    host::AcquireRecord* rec = nullptr;
};
HostLog* g_host = nullptr;

host::OSErr Allocate(int32_t size, host::BufferID* id) {
    g_host->allocations.push_back(size);
    if (g_host->fail_allocations > 0) {
        --g_host->fail_allocations;
        return host::kMemFullErr;
    }
    g_host->storage.assign(static_cast<size_t>(size), 0xEE);
    *id = reinterpret_cast<host::BufferID>(&g_host->storage);
    return 0;
}
char* Lock(host::BufferID, host::Boolean) {
    ++g_host->locks;
    return reinterpret_cast<char*>(g_host->storage.data());
}
void Unlock(host::BufferID) {
    ++g_host->unlocks;
}
void Free(host::BufferID) {
    ++g_host->frees;
}
int32_t Space() {
    return g_host->space;
}
host::Boolean Abort() {
    return g_host->abort_at_row >= 0 && g_host->progress_calls > g_host->abort_at_row;
}
void Progress(int32_t, int32_t) {
    ++g_host->progress_calls;
}
host::OSErr Advance() {
    host::AcquireRecord* rec = g_host->rec;
    HostLog::Strip s;
    s.rect = rec->theRect;
    s.plane = rec->loPlane;
    s.row_bytes = rec->rowBytes;
    const auto* p = static_cast<const uint8_t*>(rec->data);
    s.bytes.assign(p, p + static_cast<size_t>(rec->rowBytes) * (s.rect.bottom - s.rect.top));
    g_host->strips.push_back(s);
    return g_host->advance_code;
}

struct FakeUi : PluginUi {
    std::vector<std::pair<int, std::string>> warnings;
    std::deque<int> dialog_answers;  // RunDialog results
    bool dialog_ok = true;
    int entered = 0, destroyed = 0, abouts = 0;
    int width = 5, height = 3;
    void About(const void*) override { ++abouts; }
    void HostWarning(int id, const char* version) override {
        warnings.emplace_back(id, version ? version : "");
    }
    bool EnterDialog(PluginState&) override {
        ++entered;
        return dialog_ok;
    }
    int RunDialog(PluginState&) override {
        if (dialog_answers.empty()) return -1;
        int r = dialog_answers.front();
        dialog_answers.pop_front();
        return r;
    }
    void DestroyDialog(PluginState&) override { ++destroyed; }
    DibImage ExtractImage(PluginState&) override { return Picture(width, height); }

    // Pixel (x, y) from the top: red = 10y + x, green = 100 + x, blue = 200 + y.
    static DibImage Picture(int w, int h) {
        DibImage dib = NewDib(w, h, 24, 0);
        DibLayout l;
        if (!GetDibLayout(dib, &l)) return dib;
        for (int y = 0; y < h; ++y) {
            uint8_t* row = dib.data() + l.pixel_offset + l.stride * (h - 1 - y);
            for (int x = 0; x < w; ++x) {
                row[3 * x + 0] = static_cast<uint8_t>(200 + y);
                row[3 * x + 1] = static_cast<uint8_t>(100 + x);
                row[3 * x + 2] = static_cast<uint8_t>(10 * y + x);
            }
        }
        return dib;
    }
};

class Acquire : public ::testing::Test {
protected:
    void SetUp() override {
        g_host = &log_;
        std::memset(&rec_, 0, sizeof rec_);
        procs_ = {2, 5, Allocate, Lock, Unlock, Free, Space};
        rec_.bufferProcs = &procs_;
        rec_.abortProc = Abort;
        rec_.progressProc = Progress;
        rec_.advanceState = Advance;
        rec_.canFinalize = 1;
        rec_.maxData = 123456;
        log_.rec = &rec_;
    }
    void TearDown() override {
        if (slot_) {
            auto* h = reinterpret_cast<PluginHandle*>(slot_);
            delete static_cast<PluginState*>(h->data)->image;
            FreePluginHandle(h);
        }
        g_host = nullptr;
    }
    int16_t Call(int16_t selector) {
        int16_t result = 7;
        PluginEntry(selector, &rec_, &slot_, &result, ui_);
        return result;
    }
    const PluginState& State() const {
        return *static_cast<const PluginState*>(reinterpret_cast<PluginHandle*>(slot_)->data);
    }

    HostLog log_;
    host::AcquireRecord rec_;
    host::BufferProcs procs_;
    FakeUi ui_;
    intptr_t slot_ = 0;
};

TEST_F(Acquire, FirstCallMakesTheStateAndUnknownSelectorsChangeNothing) {
    EXPECT_EQ(Call(host::kSelectorPrepare), 0);
    ASSERT_NE(slot_, 0);
    auto* h = reinterpret_cast<PluginHandle*>(slot_);
    EXPECT_EQ(std::string(h->tag, 4), "ZEDE");
    EXPECT_EQ(State().rows, 256);
    EXPECT_EQ(State().columns, 256);
    EXPECT_EQ(State().mode, 3);
    EXPECT_EQ(State().port_radio, 10);
    EXPECT_EQ(State().baud_radio, 16);
    EXPECT_FALSE(State().first_call);
    EXPECT_EQ(rec_.maxData, 0);
    EXPECT_EQ(rec_.wantFinalize, 1);

    std::vector<uint8_t> before(sizeof(PluginState));
    std::memcpy(before.data(), &State(), before.size());
    EXPECT_EQ(Call(6), host::kAcquireBadParameters);
    EXPECT_EQ(Call(-1), host::kAcquireBadParameters);
    PluginState after;
    std::memcpy(&after, &State(), sizeof after);
    after.record = reinterpret_cast<const PluginState*>(before.data())->record;
    after.result = reinterpret_cast<const PluginState*>(before.data())->result;
    EXPECT_EQ(std::memcmp(&after, before.data(), sizeof after), 0);
}

TEST_F(Acquire, HandlesReportTheirStatus) {
    PluginHandle* h = NewPluginHandle(64);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(PluginMemoryStatus(), 0);
    EXPECT_EQ(PluginHandleSize(h), 64u);
    EXPECT_TRUE(ResizePluginHandle(h, 4096));
    EXPECT_EQ(static_cast<uint8_t*>(h->data)[4000], 0);
    EXPECT_EQ(PluginHandleSize(h), 4096u);
    FreePluginHandle(h);
    EXPECT_EQ(PluginMemoryStatus(), 0);
    EXPECT_EQ(PluginHandleSize(nullptr), 0u);
    EXPECT_EQ(PluginMemoryStatus(), -109);
    EXPECT_FALSE(ResizePluginHandle(nullptr, 8));
    EXPECT_EQ(PluginMemoryStatus(), -111);
    FreePluginHandle(nullptr);
    EXPECT_EQ(PluginMemoryStatus(), -109);
}

TEST_F(Acquire, BufferSuiteChecks) {
    host::BufferProcs p = procs_;
    EXPECT_EQ(CheckBufferSuite(&p), SuiteCheck::kPresent);
    EXPECT_EQ(CheckBufferSuite(nullptr), SuiteCheck::kMissing);
    p.bufferProcsVersion = 1;
    EXPECT_EQ(CheckBufferSuite(&p), SuiteCheck::kMissing);
    p.bufferProcsVersion = 3;
    EXPECT_EQ(CheckBufferSuite(&p), SuiteCheck::kIncompatible);
    p = procs_;
    p.numBufferProcs = 4;
    EXPECT_EQ(CheckBufferSuite(&p), SuiteCheck::kMissing);
    p = procs_;
    p.spaceProc = nullptr;
    EXPECT_EQ(CheckBufferSuite(&p), SuiteCheck::kMissing);
}

TEST_F(Acquire, HostWithoutBufferSuiteIsWarnedAtPrepareAndStart) {
    rec_.bufferProcs = nullptr;
    EXPECT_EQ(Call(host::kSelectorPrepare), host::kUserCanceledErr);
    EXPECT_EQ(rec_.wantFinalize, 1) << "prepare goes on after the warning";
    EXPECT_EQ(Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(ui_.entered, 0) << "no dialog without the suite";
    ASSERT_EQ(ui_.warnings.size(), 2u);
    EXPECT_EQ(ui_.warnings[0], std::make_pair(16992, std::string("2.5")));

    procs_.bufferProcsVersion = 3;
    rec_.bufferProcs = &procs_;
    EXPECT_EQ(Call(host::kSelectorPrepare), host::kUserCanceledErr);
    EXPECT_EQ(ui_.warnings.back().first, 16993);
}

TEST_F(Acquire, StripHeights) {
    EXPECT_EQ(StripRows(1000000, 640, 480), 480);
    EXPECT_EQ(StripRows(1000000, 640, 5000), 1262);
    EXPECT_EQ(StripRows(640 * 299, 640, 480), 1);
    EXPECT_EQ(StripRows(639, 640, 480), 0) << "not one row: no allocation";
}

TEST_F(Acquire, OneCycleDeliversThreePlanesUnsheared) {
    ui_.dialog_answers = {1};
    Call(host::kSelectorPrepare);
    EXPECT_EQ(Call(host::kSelectorStart), 0);
    EXPECT_EQ(rec_.imageSize.v, 3);
    EXPECT_EQ(rec_.imageSize.h, 5);
    EXPECT_EQ(rec_.imageMode, 3);
    EXPECT_EQ(rec_.depth, 8);
    EXPECT_EQ(rec_.planes, 3);
    EXPECT_EQ(rec_.imageHRes, 72 * 65536);
    EXPECT_EQ(rec_.imageVRes, 72 * 65536);
    EXPECT_EQ(rec_.data, nullptr);
    EXPECT_EQ(rec_.acquireAgain, 0);

    EXPECT_EQ(Call(host::kSelectorContinue), 0);
    ASSERT_EQ(log_.strips.size(), 3u) << "each plane in one strip";
    for (int plane = 0; plane < 3; ++plane) {
        const auto& s = log_.strips[plane];
        EXPECT_EQ(s.plane, plane);
        EXPECT_EQ(s.rect.top, 0);
        EXPECT_EQ(s.rect.bottom, 3);
        EXPECT_EQ(s.rect.right, 5);
        EXPECT_EQ(s.row_bytes, 5);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const int want = plane == 0 ? 10 * y + x : plane == 1 ? 100 + x : 200 + y;
                EXPECT_EQ(s.bytes[5 * y + x], want) << plane << " " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(log_.progress_calls, 9);
    EXPECT_EQ(rec_.data, nullptr);
    EXPECT_EQ(rec_.theRect.bottom, 0);
    EXPECT_EQ(log_.frees, 1);
    EXPECT_EQ(State().image, nullptr) << "the picture is freed";

    EXPECT_EQ(Call(host::kSelectorFinish), 0);
    EXPECT_EQ(rec_.acquireAgain, 1);
    EXPECT_EQ(ui_.destroyed, 0) << "the dialog stays while the host can finalize";
    EXPECT_EQ(Call(host::kSelectorFinalize), 0);
    EXPECT_EQ(ui_.destroyed, 1);
}

TEST_F(Acquire, SmallSpaceGivesStripsAndFailedAllocationsShrinkThem) {
    ui_.width = 4;
    ui_.height = 10;
    log_.space = 4 * 302;  // 302 rows - 300 = strips of 2
    log_.fail_allocations = 1;
    ui_.dialog_answers = {1};
    Call(host::kSelectorPrepare);
    ASSERT_EQ(Call(host::kSelectorStart), 0);
    EXPECT_EQ(Call(host::kSelectorContinue), 0);
    ASSERT_EQ(log_.allocations.size(), 2u);
    EXPECT_EQ(log_.allocations[0], 8);
    EXPECT_EQ(log_.allocations[1], 4) << "one row less after a failure";
    ASSERT_EQ(log_.strips.size(), 30u) << "three planes of ten one-row strips";
    EXPECT_EQ(log_.strips[29].rect.top, 9);
    EXPECT_EQ(log_.strips[29].bytes[3], 200 + 9);
}

TEST_F(Acquire, AbortStopsAtOnceAndFreesEverything) {
    ui_.dialog_answers = {1};
    Call(host::kSelectorPrepare);
    ASSERT_EQ(Call(host::kSelectorStart), 0);
    log_.abort_at_row = 7;  // during plane 2
    EXPECT_EQ(Call(host::kSelectorContinue), host::kUserCanceledErr);
    EXPECT_EQ(log_.strips.size(), 2u);
    EXPECT_EQ(log_.frees, 1);
    EXPECT_EQ(log_.unlocks, 1);
    EXPECT_EQ(State().image, nullptr);
}

TEST_F(Acquire, AbortAtAnyRowStopsThereAndFreesEverything) {
    ui_.width = 3;  // 9 bytes a row in the DIB, padded to 12
    ui_.height = 4;
    log_.space = 3 * 302;  // strips of two rows
    const int total = 3 * 4;
    for (int row = 0; row + 1 < total; ++row) {  // the fake aborts before row + 1
        ui_.dialog_answers = {1};
        Call(host::kSelectorPrepare);
        ASSERT_EQ(Call(host::kSelectorStart), 0);
        log_.progress_calls = 0;
        log_.strips.clear();
        log_.abort_at_row = row;
        const int frees = log_.frees, allocations = static_cast<int>(log_.allocations.size());
        EXPECT_EQ(Call(host::kSelectorContinue), host::kUserCanceledErr) << row;
        EXPECT_EQ(log_.progress_calls, row + 1) << "no row after the abort";
        EXPECT_EQ(static_cast<int>(log_.strips.size()), (row + 1) / 2) << "only full strips";
        EXPECT_EQ(log_.frees - frees, 1) << row;
        EXPECT_EQ(static_cast<int>(log_.allocations.size()) - allocations, 1);
        EXPECT_EQ(log_.storage.size(), 6u) << "the buffer was never resized";
        EXPECT_EQ(State().image, nullptr) << row;
        EXPECT_EQ(rec_.data, nullptr);
        log_.abort_at_row = -1;
        Call(host::kSelectorFinish);
    }
}

TEST_F(Acquire, AHostWithoutRecordGetsBadParameters) {
    for (int16_t selector : {host::kSelectorPrepare, host::kSelectorStart, host::kSelectorContinue,
                             host::kSelectorFinish, host::kSelectorFinalize}) {
        int16_t result = 7;
        PluginEntry(selector, nullptr, &slot_, &result, ui_);
        EXPECT_EQ(result, host::kAcquireBadParameters) << selector;
    }
    EXPECT_EQ(ui_.entered, 0);
    EXPECT_EQ(ui_.destroyed, 0);
    int16_t result = 7;
    PluginEntry(host::kSelectorAbout, nullptr, &slot_, &result, ui_);
    EXPECT_EQ(result, 0) << "about has its own record, and none is fine";
    PluginEntry(host::kSelectorPrepare, &rec_, nullptr, &result, ui_);  // no data slot
    EXPECT_EQ(Call(host::kSelectorPrepare), 0) << "the module still works afterwards";
}

TEST_F(Acquire, SpaceForLessThanOneRowOrNoLockEndsWithoutDelivery) {
    ui_.dialog_answers = {1, 1};
    Call(host::kSelectorPrepare);
    ASSERT_EQ(Call(host::kSelectorStart), 0);
    log_.space = 4;  // the picture's rows are 5 bytes
    EXPECT_EQ(Call(host::kSelectorContinue), host::kMemFullErr);
    EXPECT_TRUE(log_.allocations.empty()) << "no allocation is tried";
    EXPECT_TRUE(log_.strips.empty());
    EXPECT_EQ(State().image, nullptr);
}

TEST_F(Acquire, HostCodesArePassedOn) {
    ui_.dialog_answers = {1, 1};
    Call(host::kSelectorPrepare);
    ASSERT_EQ(Call(host::kSelectorStart), 0);
    log_.advance_code = -30001;
    EXPECT_EQ(Call(host::kSelectorContinue), -30001);
    EXPECT_EQ(log_.strips.size(), 1u);

    ASSERT_EQ(Call(host::kSelectorStart), 0);
    log_.fail_allocations = 1000;
    EXPECT_EQ(Call(host::kSelectorContinue), host::kMemFullErr);
    EXPECT_EQ(log_.frees, 1) << "nothing allocated, nothing freed";
}

TEST_F(Acquire, MissingAdvanceStateWarnsWithVersion30) {
    ui_.dialog_answers = {1};
    Call(host::kSelectorPrepare);
    ASSERT_EQ(Call(host::kSelectorStart), 0);
    rec_.advanceState = nullptr;
    EXPECT_EQ(Call(host::kSelectorContinue), host::kUserCanceledErr);
    ASSERT_EQ(ui_.warnings.size(), 1u);
    EXPECT_EQ(ui_.warnings[0], std::make_pair(16992, std::string("3.0")));
}

TEST_F(Acquire, QuitEndsTheCycleAndHostsThatCannotFinalizeLoseTheDialog) {
    Call(host::kSelectorPrepare);
    EXPECT_EQ(Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(ui_.destroyed, 1);
    EXPECT_FALSE(State().show_dialog);

    rec_.canFinalize = 0;
    ui_.dialog_answers = {1};
    EXPECT_EQ(Call(host::kSelectorStart), 0);
    EXPECT_EQ(ui_.destroyed, 2) << "destroyed after each fetched image";
    ui_.dialog_ok = false;
    EXPECT_EQ(Call(host::kSelectorStart), host::kMemFullErr);
}

TEST_F(Acquire, ThreeImagesMakeThreeCyclesThenExit) {
    ui_.dialog_answers = {1, 1, 1, -1};
    std::vector<int> again;
    for (int cycle = 0; cycle < 3; ++cycle) {
        EXPECT_EQ(Call(host::kSelectorPrepare), 0);
        EXPECT_EQ(Call(host::kSelectorStart), 0);
        EXPECT_EQ(Call(host::kSelectorContinue), 0);
        EXPECT_EQ(Call(host::kSelectorFinish), 0);
        again.push_back(rec_.acquireAgain);
    }
    EXPECT_EQ(again, std::vector<int>({1, 1, 1}));
    EXPECT_EQ(Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(log_.strips.size(), 9u);
}

// --- recording --------------------------------------------------------------------------------

struct Descriptors {
    std::vector<std::map<host::OSType, double>> written;  // one per closed write descriptor
    std::map<host::OSType, double> open;
    std::vector<std::pair<host::OSType, uint32_t>> list_puts;
    int disposed = 0;
    char handles[64][1];
    int next_handle = 0;
};
Descriptors* g_desc = nullptr;

host::PIWriteDescriptor OpenWrite() {
    g_desc->open.clear();
    return reinterpret_cast<host::PIWriteDescriptor>(g_desc);
}
host::OSErr CloseWrite(host::PIWriteDescriptor, host::Handle* h) {
    g_desc->written.push_back(g_desc->open);
    static char* slots[64];
    slots[g_desc->next_handle] = g_desc->handles[g_desc->next_handle];
    *h = &slots[g_desc->next_handle++];
    return 0;
}
host::OSErr PutUnit(host::PIWriteDescriptor, host::DescriptorKeyID k, host::DescriptorUnitID,
                    const double* v) {
    g_desc->open[k] = *v;
    return 0;
}
host::OSErr PutEnum(host::PIWriteDescriptor, host::DescriptorKeyID k, host::DescriptorTypeID,
                    host::DescriptorEnumID e) {
    g_desc->open[k] = e;
    return 0;
}
host::OSErr PutBool(host::PIWriteDescriptor, host::DescriptorKeyID k, host::Boolean b) {
    g_desc->open[k] = b;
    return 0;
}
host::OSErr PutCount(host::PIWriteDescriptor, host::DescriptorKeyID k, uint32_t n) {
    g_desc->list_puts.emplace_back(k, n);
    return 0;
}
host::OSErr PutObject(host::PIWriteDescriptor, host::DescriptorKeyID, host::DescriptorTypeID t,
                      host::Handle) {
    g_desc->list_puts.emplace_back(t, 0);
    return 0;
}
void DisposeHandle(host::Handle) {
    ++g_desc->disposed;
}
host::PIReadDescriptor OpenRead(host::Handle, host::DescriptorKeyID*) {
    return nullptr;  // nothing recorded to play back
}
host::OSErr CloseRead(host::PIReadDescriptor) {
    return 0;
}
host::Boolean GetKey(host::PIReadDescriptor, host::DescriptorKeyID*, host::DescriptorTypeID*,
                     int32_t*) {
    return 0;
}
host::OSErr GetCount(host::PIReadDescriptor, uint32_t*) {
    return 0;
}
host::OSErr GetObject(host::PIReadDescriptor, host::DescriptorTypeID*, host::Handle*) {
    return -1;
}
host::OSErr GetEnum(host::PIReadDescriptor, host::DescriptorEnumID*) {
    return -1;
}
host::OSErr GetBool(host::PIReadDescriptor, host::Boolean*) {
    return -1;
}
host::OSErr GetPinnedUnit(host::PIReadDescriptor, const double*, const double*,
                          host::DescriptorUnitID*, double*) {
    return -1;
}

// The write procedures of the recording fakes above.
host::WriteDescriptorProcs RecordingWriteProcs() {
    host::WriteDescriptorProcs wp{};
    wp.numWriteDescriptorProcs = 16;
    wp.openWriteDescriptorProc = OpenWrite;
    wp.closeWriteDescriptorProc = CloseWrite;
    wp.putUnitFloatProc = PutUnit;
    wp.putEnumeratedProc = PutEnum;
    wp.putBooleanProc = PutBool;
    wp.putCountProc = PutCount;
    wp.putObjectProc = PutObject;
    return wp;
}

TEST_F(Acquire, FinishRecordsEachPictureAndFinalizeHandsTheListOver) {
    Descriptors desc;
    g_desc = &desc;
    host::WriteDescriptorProcs wp = RecordingWriteProcs();
    host::ReadDescriptorProcs rp{};
    rp.numReadDescriptorProcs = 18;
    rp.openReadDescriptorProc = OpenRead;
    rp.closeReadDescriptorProc = CloseRead;
    rp.getKeyProc = GetKey;
    rp.getCountProc = GetCount;
    rp.getObjectProc = GetObject;
    rp.getEnumeratedProc = GetEnum;
    rp.getBooleanProc = GetBool;
    rp.getPinnedUnitFloatProc = GetPinnedUnit;
    host::PIDescriptorParameters dp{0, 0, 1, nullptr, &wp, &rp};
    host::HandleProcs hp{};
    hp.disposeProc = DisposeHandle;
    rec_.descriptorParameters = &dp;
    rec_.handleProcs = &hp;
    EXPECT_TRUE(DescriptorSuitesPresent(&rec_));

    ui_.dialog_answers = {1, 1};
    for (int cycle = 0; cycle < 2; ++cycle) {
        Call(host::kSelectorPrepare);
        ASSERT_EQ(Call(host::kSelectorStart), 0);
        ASSERT_EQ(Call(host::kSelectorContinue), 0);
        ASSERT_EQ(Call(host::kSelectorFinish), 0);
    }
    ASSERT_EQ(desc.written.size(), 2u);
    EXPECT_EQ(desc.written[0][host::FourCC("Hrzn")], 3);
    EXPECT_EQ(desc.written[0][host::FourCC("Vrtc")], 5);
    EXPECT_EQ(desc.written[0][host::FourCC("Md  ")], host::FourCC("rgbC"));
    EXPECT_EQ(desc.written[0].count(host::FourCC("Invr")), 0u);
    EXPECT_EQ(State().script_count, 2);

    EXPECT_EQ(Call(host::kSelectorFinalize), 0);
    ASSERT_EQ(desc.list_puts.size(), 3u);
    EXPECT_EQ(desc.list_puts[0], std::make_pair(host::FourCC("mulK"), 2u));
    EXPECT_EQ(desc.list_puts[1].first, host::FourCC("mulS"));
    EXPECT_NE(dp.descriptor, nullptr);
    EXPECT_EQ(dp.recordInfo, 0);
    EXPECT_EQ(State().script_count, 0);
    EXPECT_EQ(desc.disposed, 2) << "each listed handle is disposed";

    EXPECT_EQ(Call(host::kSelectorFinalize), host::kUserCanceledErr) << "an empty list";
    g_desc = nullptr;
}

// --- playback -----------------------------------------------------------------------------------

// A recorded list of two objects: the outer descriptor has the key 'mulK' with count 2; each
// object holds rows, columns, mode and invert.
struct Playback {
    int opened = 0, closed = 0, disposed = 0;
    int outer_keys_left = 1;
    int inner_keys_left = 0;
    std::vector<host::OSType> inner_keys;
    char object_storage[1];
    char* object_slot = object_storage;
    char descriptor_storage[1];
    char* descriptor_slot = descriptor_storage;
};
Playback* g_play = nullptr;

host::PIReadDescriptor PlayOpen(host::Handle h, host::DescriptorKeyID*) {
    ++g_play->opened;
    if (h == &g_play->object_slot) {
        g_play->inner_keys = {host::FourCC("Hrzn"), host::FourCC("Vrtc"), host::FourCC("Md  "),
                              host::FourCC("Invr")};
        return reinterpret_cast<host::PIReadDescriptor>(2);
    }
    return reinterpret_cast<host::PIReadDescriptor>(1);
}
host::OSErr PlayClose(host::PIReadDescriptor) {
    ++g_play->closed;
    return host::kErrMissingParameter;  // ignored
}
host::Boolean PlayKey(host::PIReadDescriptor token, host::DescriptorKeyID* key,
                      host::DescriptorTypeID*, int32_t*) {
    if (token == reinterpret_cast<host::PIReadDescriptor>(1)) {
        if (g_play->outer_keys_left == 0) return 0;
        --g_play->outer_keys_left;
        *key = host::FourCC("mulK");
        return 1;
    }
    if (g_play->inner_keys.empty()) return 0;
    *key = g_play->inner_keys.front();
    g_play->inner_keys.erase(g_play->inner_keys.begin());
    return 1;
}
host::OSErr PlayCount(host::PIReadDescriptor, uint32_t* n) {
    *n = 2;
    return 0;
}
host::OSErr PlayObject(host::PIReadDescriptor, host::DescriptorTypeID* type, host::Handle* h) {
    *type = host::FourCC("mulS");
    *h = &g_play->object_slot;
    return 0;
}
host::OSErr PlayEnum(host::PIReadDescriptor, host::DescriptorEnumID* e) {
    *e = host::FourCC("gryS");
    return 0;
}
host::OSErr PlayBool(host::PIReadDescriptor, host::Boolean* b) {
    *b = 1;
    return 0;
}
host::OSErr PlayUnit(host::PIReadDescriptor, const double* lo, const double* hi,
                     host::DescriptorUnitID*, double* v) {
    *v = 40000;  // beyond the range: the host pins it
    if (*v > *hi) *v = *hi;
    if (*v < *lo) *v = *lo;
    return 0;
}
void PlayDispose(host::Handle) {
    ++g_play->disposed;
}

TEST_F(Acquire, PlaybackReadsEachRecordedObjectAndClosesAfterTheLast) {
    Playback play;
    g_play = &play;
    host::ReadDescriptorProcs rp{};
    rp.numReadDescriptorProcs = 18;
    rp.openReadDescriptorProc = PlayOpen;
    rp.closeReadDescriptorProc = PlayClose;
    rp.getKeyProc = PlayKey;
    rp.getCountProc = PlayCount;
    rp.getObjectProc = PlayObject;
    rp.getEnumeratedProc = PlayEnum;
    rp.getBooleanProc = PlayBool;
    rp.getPinnedUnitFloatProc = PlayUnit;
    host::WriteDescriptorProcs wp = RecordingWriteProcs();
    host::PIDescriptorParameters dp{0, 1, 0, &play.descriptor_slot, &wp, &rp};
    host::HandleProcs hp{};
    hp.disposeProc = PlayDispose;
    rec_.descriptorParameters = &dp;
    rec_.handleProcs = &hp;
    rec_.canReadBack = 1;

    EXPECT_EQ(Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(State().objects_to_read, 2);
    EXPECT_TRUE(State().show_dialog);
    ui_.dialog_answers = {1, 1};
    ASSERT_EQ(Call(host::kSelectorStart), 0) << "the ignored close code is no failure";
    EXPECT_TRUE(State().invert);
    EXPECT_EQ(State().objects_to_read, 1);
    EXPECT_EQ(State().rows, 3) << "the camera's picture replaces the recorded size";
    EXPECT_EQ(play.disposed, 1) << "the object's handle";
    ASSERT_EQ(Call(host::kSelectorContinue), 0);
    EXPECT_EQ(log_.progress_calls, 9) << "each row once";

    ASSERT_EQ(Call(host::kSelectorStart), 0);
    EXPECT_EQ(State().objects_to_read, 0);
    EXPECT_EQ(State().read_token, nullptr);
    EXPECT_EQ(play.closed, 3) << "two objects and the descriptor";
    EXPECT_EQ(play.disposed, 3) << "two objects and the host's descriptor";
    EXPECT_EQ(dp.descriptor, nullptr);
    g_play = nullptr;
}

}  // namespace
