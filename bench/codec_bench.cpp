// Codec benchmarks against the peers doing the same work on the same files:
//   decode   DecodeJpegFile            vs  djpeg -bmp
//   encode   EncodeJpegFile (q75, 2x1)  vs  cjpeg -quality 75 -sample 2x1,1x1,1x1
//   reduce   ReduceTo256               vs  ImageMagick convert -colors 256 +dither
// The peers are separate programs, so each is also compared with our own vistrel-cli doing the
// same command (process start and file handling on both sides). scripts/bench-codec prints
// the ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/tempfile.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "codec/reduce.h"

namespace {

struct Files {
    std::string dir, bmp, jpg, out_bmp, out_jpg, cli;
};

// A photo-like picture: smooth gradients, edges and some noise.
DibImage MakePicture(int w, int h) {
    DibImage d = NewDib(w, h, 24, 0);
    size_t stride = DibStride(w, 24);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = d.data() + 40 + stride * y;
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            int noise = static_cast<int>((seed >> 16) & 15) - 8;
            int r = (x * 255) / w + noise, g = (y * 255) / h + noise;
            int b = ((x / 64 + y / 64) & 1) ? 200 + noise : 40 + noise;
            row[x * 3] = static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
            row[x * 3 + 1] = static_cast<uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
            row[x * 3 + 2] = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
        }
    }
    return d;
}

const Files& TestFiles() {
    static Files f = [] {
        Files f;
        f.dir = TempFolder();
        f.bmp = f.dir + "vistrel-bench.bmp";
        f.jpg = f.dir + "vistrel-bench.jpg";
        f.out_bmp = f.dir + "vistrel-bench-out.bmp";
        f.out_jpg = f.dir + "vistrel-bench-out.jpg";
        const char* bin = std::getenv("VISTREL_BIN_DIR");
        f.cli = std::string(bin ? bin : ".") + "/vistrel-cli";
        SaveBmpFile(f.bmp, MakePicture(2048, 1536));
        EncodeJpegFile(f.bmp, f.jpg, kSaveSampling, 90, JpegProgress());
        return f;
    }();
    return f;
}

void Run(benchmark::State& state, const std::string& cmd) {
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError(("failed: " + cmd).c_str());
            break;
        }
    }
}

void BM_DecodeOurs(benchmark::State& state) {
    const Files& f = TestFiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeJpegFile(f.jpg, f.out_bmp, 0, JpegProgress()));
}
void BM_DecodeOursCli(benchmark::State& state) {
    const Files& f = TestFiles();
    Run(state, f.cli + " decode " + f.jpg + " " + f.out_bmp);
}
void BM_DecodeDjpeg(benchmark::State& state) {
    const Files& f = TestFiles();
    Run(state, "djpeg -bmp -outfile " + f.out_bmp + " " + f.jpg);
}

void BM_EncodeOurs(benchmark::State& state) {
    const Files& f = TestFiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            EncodeJpegFile(f.bmp, f.out_jpg, kSaveSampling, 75, JpegProgress()));
}
void BM_EncodeOursCli(benchmark::State& state) {
    const Files& f = TestFiles();
    Run(state, f.cli + " encode " + f.bmp + " " + f.out_jpg + " --quality 75");
}
void BM_EncodeCjpeg(benchmark::State& state) {
    const Files& f = TestFiles();
    Run(state, "cjpeg -quality 75 -sample 2x1,1x1,1x1 -outfile " + f.out_jpg + " " + f.bmp);
}

void BM_ReduceOurs(benchmark::State& state) {
    const Files& f = TestFiles();
    DibImage d = LoadBmpFile(f.bmp);
    for (auto _ : state) benchmark::DoNotOptimize(ReduceTo256(d));
}
void BM_ReduceOursCli(benchmark::State& state) {
    const Files& f = TestFiles();
    Run(state, f.cli + " reduce " + f.bmp + " " + f.out_bmp);
}
void BM_ReduceMagick(benchmark::State& state) {
    const Files& f = TestFiles();
    Run(state, "convert " + f.bmp + " -colors 256 +dither BMP3:" + f.out_bmp);
}

}  // namespace

BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOursCli)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeDjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeOursCli)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeCjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceOursCli)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceMagick)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const Files& f = TestFiles();
    for (const std::string* p : {&f.bmp, &f.jpg, &f.out_bmp, &f.out_jpg}) std::remove(p->c_str());
    return 0;
}
