// Packs 16 MiB of firmware-like data (the loadable ELF sections of the
// build's own programs) as the station packs images for the UART download,
// and prints its throughput and packed size beside single-threaded zlib
// level 6 with the same 8 KiB window (the encoder such images were packed
// with before the station had its own).
// Target: at least 40 MB/s on 2 cores, at a packed size no larger than that
// reference encoder's on the same data plus 0.1 point. (Where the target was
// set, the reference packed firmware to 42.4 % and the limit was 42.5 %; the
// x86-64 code of this build packs worse with any 8 KiB window, so the limit
// follows the reference measured in this run.) Exits 1 when missed.
#include <elf.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/load_average.h"
#include "common/file_util.h"
#include "station/engine/burnlist/image_packer.h"

namespace {

constexpr size_t kInputSize = 16 << 20;
constexpr size_t kBlock = 0x200000;
constexpr unsigned kThreads = 2;
constexpr double kTargetMBps = 40.0;
constexpr double kRatioMargin = 0.001;  // 0.1 point above the reference
constexpr int kRuns = 3;

// Bytes of the sections a firmware image is made of: allocated, with
// contents in the file (code, constants, initialised data, unwind tables).
void AppendLoadableSections(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) {
    if (file.size() < sizeof(Elf64_Ehdr) || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0 ||
        file[EI_CLASS] != ELFCLASS64)
        return;
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof header);
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        const size_t at = header.e_shoff + size_t(i) * header.e_shentsize;
        if (at + sizeof(Elf64_Shdr) > file.size()) return;
        Elf64_Shdr section;
        std::memcpy(&section, file.data() + at, sizeof section);
        if (!(section.sh_flags & SHF_ALLOC) || section.sh_type == SHT_NOBITS || section.sh_type == SHT_NULL) continue;
        if (section.sh_offset + section.sh_size > file.size()) continue;
        out.insert(out.end(), file.begin() + long(section.sh_offset),
                   file.begin() + long(section.sh_offset + section.sh_size));
    }
}

std::vector<uint8_t> FirmwareLikeData(const std::string& binDir, size_t& programs, size_t& distinct) {
    std::vector<uint8_t> sections;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(binDir))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    programs = 0;
    for (const auto& path : files) {
        std::vector<uint8_t> file;
        const size_t before = sections.size();
        if (common::ReadWholeFile(path, file)) AppendLoadableSections(file, sections);
        programs += sections.size() > before;
        if (sections.size() >= kInputSize) break;
    }
    distinct = std::min(sections.size(), kInputSize);
    std::vector<uint8_t> data;
    // Fewer programs than 16 MiB: they repeat, far beyond any 8 KiB window.
    while (!sections.empty() && data.size() < kInputSize)
        data.insert(data.end(), sections.begin(), sections.begin() + long(std::min(sections.size(), kInputSize - data.size())));
    return data;
}

// zlib level 6 with an 8 KiB window over the same 2 MiB blocks, one thread.
size_t ReferenceSize(const std::vector<uint8_t>& data) {
    size_t total = 0;
    std::vector<uint8_t> out(deflateBound(nullptr, kBlock));
    for (size_t offset = 0; offset < data.size(); offset += kBlock) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, -13, 8, Z_DEFAULT_STRATEGY);
        z.next_in = const_cast<Bytef*>(data.data() + offset);
        z.avail_in = uInt(std::min(kBlock, data.size() - offset));
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FINISH);
        total += z.total_out;
        deflateEnd(&z);
    }
    return total;
}

struct Timing {
    double seconds = 1e9;     // wall time of the best run
    double cpuSeconds = 1e9;  // processor time of all threads in that run
};

// Best of a few runs: the machine may be shared. Processor time tells the
// encoder's own speed apart from a busy machine.
template <typename Run>
Timing Best(Run run) {
    Timing best;
    for (int i = 0; i < kRuns; ++i) {
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        run();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds < best.seconds) best = {seconds, double(std::clock() - cpuStart) / CLOCKS_PER_SEC};
    }
    return best;
}

double MBps(size_t bytes, double seconds) { return double(bytes) / 1e6 / seconds; }

}  // namespace

int main() {
    const bench_support::LoadAverageReport load;
    size_t programs = 0, distinct = 0;
    const std::vector<uint8_t> data = FirmwareLikeData(STATION_BIN_DIR, programs, distinct);
    if (data.size() != kInputSize) {
        std::fprintf(stderr, "no ELF programs found in %s\n", STATION_BIN_DIR);
        return 1;
    }
    size_t referenceSize = 0, packedSize = 0;
    const Timing reference = Best([&] { referenceSize = ReferenceSize(data); });
    const Timing pack = Best([&] { packedSize = station::PackImage(data.data(), data.size(), kThreads).size(); });

    const double ratio = double(packedSize) / double(data.size());
    std::printf("input: %zu bytes of loadable ELF sections of %zu programs (%zu distinct)\n", data.size(), programs,
                distinct);
    std::printf("zlib level 6, 8 KiB window, 1 thread: %.1f MB/s (%.1f MB per CPU second), %zu bytes (%.2f %%)\n",
                MBps(data.size(), reference.seconds), MBps(data.size(), reference.cpuSeconds), referenceSize,
                100.0 * double(referenceSize) / double(data.size()));
    std::printf("station packer, %u threads: %.1f MB/s (%.1f MB per CPU second), %zu bytes (%.2f %%, headers included)\n",
                kThreads, MBps(data.size(), pack.seconds), MBps(data.size(), pack.cpuSeconds), packedSize, 100.0 * ratio);
    const double referenceRatio = double(referenceSize) / double(data.size());
    const double sizeLimit = referenceRatio + kRatioMargin;
    const bool fast = MBps(data.size(), pack.seconds) >= kTargetMBps;
    const bool small = ratio <= sizeLimit;
    std::printf("target: >= %.0f MB/s on %u cores at <= %.2f %% of the input (reference + 0.1 point): %s "
                "(speed %s, size %s); best of %d runs\n",
                kTargetMBps, kThreads, 100.0 * sizeLimit, fast && small ? "met" : "NOT met", fast ? "met" : "missed",
                small ? "met" : "missed", kRuns);
    return fast && small ? 0 : 1;
}
