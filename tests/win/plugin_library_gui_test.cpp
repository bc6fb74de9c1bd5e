// QX4210.8ba loaded as an image editor loads it: its exports and the resources the host reads,
// the about box, the warnings for a host without the buffer suite, an unknown selector, and a
// cycle that the user ends with Exit.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "gui_harness.h"
#include "plugin/plugin_res.h"
#include "plugin/host/win/host_win.h"

namespace {

constexpr char kDialogTitle[] = "Quenlar QX-4210 Plug-in Driver";

HMODULE Library() {
    static HMODULE module = LoadLibraryA((ProgramFolder() + "QX4210.8ba").c_str());
    return module;
}

PluginEntryPoint Entry() {
    // Through a plain pointer, as a host does: the export's type is the host's to know.
    void* p = reinterpret_cast<void*>(GetProcAddress(Library(), "ENTRYPOINT"));
    return reinterpret_cast<PluginEntryPoint>(p);
}

std::string Resource(const char* type) {
    HRSRC r = FindResourceA(Library(), MAKEINTRESOURCEA(16000), type);
    if (!r) return {};
    HGLOBAL g = LoadResource(Library(), r);
    const char* p = static_cast<const char*>(LockResource(g));
    return std::string(p, SizeofResource(Library(), r));
}

uint32_t Le32(const std::string& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

class PluginLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        dialogs::Clear();
        ASSERT_NE(Library(), nullptr);
        ASSERT_NE(Entry(), nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(dialogs::Pending(), 0) << "dialogs that never came";
        EXPECT_EQ(boxes::PendingExpectations(), 0) << "boxes that never came";
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
    }
};

TEST_F(PluginLibrary, ExportsTheEntryAndItsDialogProcedures) {
    EXPECT_NE(GetProcAddress(Library(), "UIProc"), nullptr);
    EXPECT_NE(GetProcAddress(Library(), "CommParaProc"), nullptr);
    for (const char* name :
         {"MeterDlgProc", "StartDlgProc", "StatusDlgProc", "D2MemoryDelProc", "MeterWndFn"}) {
        EXPECT_NE(GetProcAddress(Library(), name), nullptr) << name;
    }
}

TEST_F(PluginLibrary, PropertyListAndTerminologyAreThere) {
    const std::string pipl = Resource("PIPL");
    ASSERT_GE(pipl.size(), 10u);
    EXPECT_EQ(pipl[0], 1);
    EXPECT_EQ(Le32(pipl, 2), 0u) << "version";
    ASSERT_EQ(Le32(pipl, 6), 6u) << "six properties";
    // Walk the properties: vendor, key, id, length, data.
    size_t at = 10;
    std::string keys;
    for (int i = 0; i < 6; ++i) {
        ASSERT_LE(at + 16, pipl.size());
        EXPECT_EQ(Le32(pipl, at), 0x3842494Du) << "vendor 8BIM";
        const uint32_t key = Le32(pipl, at + 4);
        keys += std::string{char(key >> 24), char(key >> 16), char(key >> 8), char(key)};
        const uint32_t length = Le32(pipl, at + 12);
        EXPECT_EQ(length % 4, 0u);
        if (key == 0x6B696E64u) {
            EXPECT_EQ(Le32(pipl, at + 16), 0x3842414Du) << "8BAM";
        }
        if (key == 0x76657273u) {
            EXPECT_EQ(Le32(pipl, at + 16), 0x00040000u);
        }
        if (key == 0x6E616D65u) {
            EXPECT_EQ(pipl.substr(at + 16, 16), "\x0fQuenlar QX-4210");
        }
        if (key == 0x77783836u) {
            EXPECT_EQ(pipl.substr(at + 16, 11), std::string("ENTRYPOINT\0", 11));
        }
        at += 16 + length;
    }
    EXPECT_EQ(keys, "kindnameverswx86hstmclas");
    EXPECT_EQ(at, pipl.size());
    const std::string aete = Resource("AETE");
    EXPECT_NE(aete.find("AdobeSDK gradientImport"), std::string::npos);
    EXPECT_NE(aete.find("multiple import info structure"), std::string::npos);

    char text[256] = "";
    LoadStringA(Library(), IDS_PLUGIN_NAME, text, sizeof text);
    EXPECT_STREQ(text, "Quenlar QX-4210");
    LoadStringA(Library(), IDS_NEED_INTEGER, text, sizeof text);
    EXPECT_STREQ(text, "An integer is required between ^1 and ^2.");
}

TEST_F(PluginLibrary, AboutBoxOverTheHostWindow) {
    WindowedHost host(Entry());
    boxes::Expect(IDOK);
    EXPECT_EQ(host.About(), 0);
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_NE(boxes::Seen()[0].find("Quenlar QX-4210 Plug-in Driver"), std::string::npos);
}

// The about box stands over the middle of the host's window, wherever that window is.
TEST_F(PluginLibrary, AboutBoxIsCentredOnTheHostWindow) {
    WindowedHost host(Entry());
    ASSERT_NE(host.window, nullptr);
    SetWindowPos(host.window, nullptr, 300, 200, 640, 480, SWP_NOZORDER);
    RECT box{};
    dialogs::When("Quenlar QX-4210", [&](HWND dlg) {
        GetWindowRect(dlg, &box);
        dialogs::PostCommand(dlg, IDOK);
    });
    EXPECT_EQ(host.About(), 0);
    EXPECT_EQ(dialogs::Pending(), 0) << "no about box";
    RECT owner{};
    GetWindowRect(host.window, &owner);
    ASSERT_GT(box.right - box.left, 0);
    EXPECT_NEAR((box.left + box.right) / 2, (owner.left + owner.right) / 2, 2);
    EXPECT_NEAR((box.top + box.bottom) / 2, (owner.top + owner.bottom) / 2, 2);
}

TEST_F(PluginLibrary, HostWithoutBufferSuiteIsWarnedAndGetsUserCancelled) {
    WindowedHost host(Entry());
    host.rec.bufferProcs = nullptr;
    boxes::Expect(IDOK);
    EXPECT_EQ(host.Call(host::kSelectorPrepare), host::kUserCanceledErr);
    boxes::Expect(IDOK);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    ASSERT_EQ(boxes::Seen().size(), 2u);
    EXPECT_EQ(boxes::Seen()[0],
              "This plug-in requires Adobe Photoshop\xae 2.5 or later functionality.");
    EXPECT_EQ(FindWindowA(nullptr, kDialogTitle), nullptr) << "no dialog without the suite";

    host::BufferProcs newer = host.procs;
    newer.bufferProcsVersion = 3;
    host.rec.bufferProcs = &newer;
    boxes::Expect(IDOK);
    EXPECT_EQ(host.Call(host::kSelectorPrepare), host::kUserCanceledErr);
    EXPECT_EQ(boxes::Seen().back(),
              "This plug-in is incompatible with this version of the host program.");
}

TEST_F(PluginLibrary, UnknownSelectorAndExitFromTheDialog) {
    WindowedHost host(Entry());
    EXPECT_EQ(host.Call(6), host::kAcquireBadParameters);
    EXPECT_EQ(host.Call(host::kSelectorPrepare), 0);
    std::string caption;
    bool transfer_off = false;
    dialogs::When(
        kDialogTitle,
        [&](HWND dlg) {
            caption = WindowText(dlg);
            transfer_off = !IsWindowEnabled(GetDlgItem(dlg, IDC_UI_TRANSFER));
            dialogs::PostCommand(dlg, IDC_UI_EXIT);
        },
        IDC_UI_CONNECT);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(caption, kDialogTitle);
    EXPECT_TRUE(transfer_off);
    EXPECT_EQ(FindWindowA(nullptr, kDialogTitle), nullptr) << "destroyed on quit";
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

}  // namespace
