#include "plugin/host/ppm.h"

#include <cstdio>

#include "base/pending_file.h"

std::string AcquiredFileName(const std::string& out_dir, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "acquire-%03d.ppm", number);
    if (out_dir.empty()) return name;
    const char last = out_dir.back();
    if (last == '/' || last == '\\') return out_dir + name;
#ifdef _WIN32
    return out_dir + "\\" + name;
#else
    return out_dir + "/" + name;
#endif
}

std::vector<uint8_t> PpmBytes(int rows, int columns, const std::vector<uint8_t>* planes,
                              int plane_count) {
    if (rows <= 0 || columns <= 0 || (plane_count != 1 && plane_count != 3)) return {};
    const uint64_t pixels = static_cast<uint64_t>(rows) * static_cast<uint64_t>(columns);
    if (pixels > (uint64_t{1} << 28)) return {};
    for (int p = 0; p < plane_count; ++p) {
        if (planes[p].size() != pixels) return {};
    }
    char header[48];
    const int n = std::snprintf(header, sizeof header, "%s\n%d %d\n255\n",
                                plane_count == 3 ? "P6" : "P5", columns, rows);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(n) + static_cast<size_t>(pixels) * plane_count);
    out.insert(out.end(), header, header + n);
    for (uint64_t i = 0; i < pixels; ++i) {
        for (int p = 0; p < plane_count; ++p) out.push_back(planes[p][i]);
    }
    return out;
}

bool WritePpmFile(const std::string& path, int rows, int columns,
                  const std::vector<uint8_t>* planes, int plane_count) {
    const std::vector<uint8_t> bytes = PpmBytes(rows, columns, planes, plane_count);
    if (bytes.empty()) return false;
    PendingFile f;
    if (!f.Open(path)) return false;
    if (!WritePieces(&f, bytes.data(), bytes.size())) return false;
    return f.Commit() == CommitResult::kDone;
}
