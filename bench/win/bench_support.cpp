#include "bench_support.h"

#include <fstream>

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
