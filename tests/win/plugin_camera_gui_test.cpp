// QX4210.8ba loaded by our host, against vistrel-camsim on the pseudo-terminal that the Wine
// prefix maps to COM1: the module's own serial driver, registry settings and clock. Connect,
// pick image 2, Transfer: the host receives that picture, plane for plane as our decoder makes
// it from the camera's file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "decoded_planes.h"
#include "plugin_port_by_hand.h"
#include "gui_harness.h"
#include "plugin/plugin_res.h"
#include "plugin/host/win/host_win.h"

namespace {

constexpr char kDialogTitle[] = "Quenlar QX-4210 Plug-in Driver";

PluginEntryPoint Entry() {
    HMODULE module = LoadLibraryA((ProgramFolder() + "QX4210.8ba").c_str());
    void* p = module ? reinterpret_cast<void*>(GetProcAddress(module, "ENTRYPOINT")) : nullptr;
    return reinterpret_cast<PluginEntryPoint>(p);
}

HWND Dialog() {
    return FindWindowA(nullptr, kDialogTitle);
}

TEST(PluginCamera, TheChosenImageArrivesThroughTheSerialLine) {
    boxes::Start();
    ASSERT_TRUE(StorePluginPortByHand("COM1", 1152));

    PluginEntryPoint entry = Entry();
    ASSERT_NE(entry, nullptr);
    WindowedHost host(entry);
    std::string total;
    dialogs::When(
        kDialogTitle, [](HWND dlg) { dialogs::PostCommand(dlg, IDC_UI_CONNECT); }, IDC_UI_CONNECT);
    dialogs::WhenReady(
        [] { return Dialog() && IsWindowEnabled(GetDlgItem(Dialog(), IDC_UI_PREVIEW)); },
        [&] {
            HWND dlg = Dialog();
            total = WindowText(GetDlgItem(dlg, IDC_UI_TOTAL));
            SetDlgItemTextA(dlg, IDC_UI_FROM, "2");
            SetDlgItemTextA(dlg, IDC_UI_TO, "2");
            dialogs::PostCommand(dlg, IDC_UI_TRANSFER);
        });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    ASSERT_EQ(host.Call(host::kSelectorStart), 0);
    ASSERT_EQ(host.Call(host::kSelectorContinue), 0);
    ASSERT_EQ(host.Call(host::kSelectorFinish), 0);
    EXPECT_EQ(host.rec.acquireAgain, 1);
    EXPECT_EQ(total, "3");

    // The same camera, made here: its image 2 decoded as the module decodes it.
    int rows = 0, columns = 0;
    std::vector<uint8_t> planes[3];
    ASSERT_TRUE(SimImagePlanes(3, 2, &rows, &columns, planes));
    ASSERT_EQ(host.rows, rows);
    ASSERT_EQ(host.columns, columns);
    for (int p = 0; p < 3; ++p) EXPECT_TRUE(host.planes[p] == planes[p]) << "plane " << p;

    dialogs::WhenReady([] { return Dialog() != nullptr; },
                       [] { dialogs::PostCommand(Dialog(), IDC_UI_EXIT); });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
    EXPECT_EQ(boxes::UnexpectedCount(), 0);
    EXPECT_EQ(dialogs::Pending(), 0);
}

}  // namespace
