#include "decoded_planes.h"

#include <windows.h>

#include <fstream>
#include <string>

#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "gui_harness.h"
#include "sim/sim_driver.h"

bool DecodedPlanes(const std::vector<uint8_t>& jpeg, int* rows, int* columns,
                   std::vector<uint8_t> planes[3]) {
    const std::string jpg = TempFilePath("plugin-expect.jpg");
    const std::string bmp = TempFilePath("plugin-expect.bmp");
    {
        std::ofstream f(jpg, std::ios::binary);
        f.write(reinterpret_cast<const char*>(jpeg.data()),
                static_cast<std::streamsize>(jpeg.size()));
    }
    if (!DecodeJpegFile(jpg, bmp, 0, JpegProgress())) return false;
    DibImage dib = LoadBmpFile(bmp);
    DeleteFileA(jpg.c_str());
    DeleteFileA(bmp.c_str());
    DibLayout l;
    if (!GetDibLayout(dib, &l) || l.header.bit_count != 24) return false;
    *rows = l.header.height;
    *columns = l.header.width;
    for (int p = 0; p < 3; ++p) planes[p].assign(static_cast<size_t>(*rows) * *columns, 0);
    for (int y = 0; y < *rows; ++y) {
        const uint8_t* src = dib.data() + l.pixel_offset + l.stride * (*rows - 1 - y);
        for (int x = 0; x < *columns; ++x) {
            for (int p = 0; p < 3; ++p) {
                planes[p][static_cast<size_t>(y) * *columns + x] = src[3 * x + 2 - p];
            }
        }
    }
    return true;
}

bool SimImagePlanes(int images, int number, int* rows, int* columns,
                    std::vector<uint8_t> planes[3]) {
    SimConfig cfg;
    cfg.model = 2;
    cfg.images = images;
    auto cam = MakeSimCamera(cfg);
    return DecodedPlanes(SimImage(*cam, number), rows, columns, planes);
}
