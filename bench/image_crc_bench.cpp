// Throughput of the image checksum over buffers of image size.
#include <benchmark/benchmark.h>

#include <vector>

#include "common/image_crc.h"

static void BM_ImageCrc(benchmark::State& state) {
    std::vector<uint8_t> data(size_t(state.range(0)));
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 2654435761u >> 24);
    for (auto _ : state) benchmark::DoNotOptimize(common::ImageCrc(data.data(), data.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ImageCrc)->Arg(4096)->Arg(1 << 20)->Arg(16 << 20);

BENCHMARK_MAIN();
