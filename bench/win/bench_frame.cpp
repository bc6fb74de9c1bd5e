#include "bench_frame.h"

#include <fstream>

#include "app/win/app.h"
#include "base/region.h"
#include "sim/sim_driver.h"

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

std::vector<std::string> WriteCameraPictures(const std::string& dir, int count) {
    SimConfig cfg;
    cfg.model = 2;
    cfg.images = count;
    auto cam = MakeSimCamera(cfg);
    std::vector<std::string> files;
    for (int n = 1; n <= count; ++n) {
        const std::string path = dir + "DSC" + std::to_string(1000 + n) + ".jpg";
        const std::vector<uint8_t>& bytes = SimImage(*cam, n);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) return {};
        files.push_back(path);
    }
    return files;
}

HWND StartBenchFrame(const std::string& settings_file) {
    StartupOptions options;
    options.region_override = kRegionEnglish;
    options.settings_file = settings_file;
    options.splash_ms = 10;
    HWND frame = AppStartup(GetModuleHandleA(nullptr), "", SW_SHOWNORMAL, options);
    if (!frame) return nullptr;
    const double limit = Now() + 10;
    while (!App().splash_done && Now() < limit) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return frame;
}
