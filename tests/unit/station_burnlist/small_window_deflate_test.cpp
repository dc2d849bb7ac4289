#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "station/engine/burnlist/small_window_deflate.h"

namespace {

// Expands a raw stream as the loader does, with an 8 KiB window; an inflater
// of that window refuses any match reaching further back.
std::string Inflate(const std::vector<uint8_t>& stream, size_t expected, std::vector<uint8_t>& out) {
    z_stream z{};
    if (inflateInit2(&z, -13) != Z_OK) return "inflateInit2";
    out.assign(expected + 1, 0);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = inflate(&z, Z_FINISH);
    const std::string error = rc == Z_STREAM_END ? "" : z.msg ? z.msg : "rc " + std::to_string(rc);
    out.resize(z.total_out);
    inflateEnd(&z);
    return error;
}

// Inputs at the encoder's edges: nothing, single bytes, short and long runs
// (the longest match code), repeats exactly at the farthest distance and
// one byte beyond it, noise, and firmware-like mixtures.
TEST(SmallWindowDeflate, EveryInputComesBackThroughAnEightKibWindowInflater) {
    std::mt19937 random(5);
    std::vector<std::vector<uint8_t>> inputs;
    for (size_t n = 0; n < 40; ++n) {
        std::vector<uint8_t> lowEntropy(n), noise(n);
        for (auto& b : lowEntropy) b = uint8_t(random() % 3);
        for (auto& b : noise) b = uint8_t(random());
        inputs.push_back(lowEntropy);
        inputs.push_back(noise);
    }
    inputs.emplace_back(3 << 20, 0);
    for (uint32_t period : {station::kSmallWindowMaxDistance, station::kSmallWindowMaxDistance + 1, 8193u}) {
        std::vector<uint8_t> repeat(300000);
        for (size_t i = 0; i < repeat.size(); ++i) repeat[i] = i < period ? uint8_t(random()) : repeat[i - period];
        inputs.push_back(repeat);
    }
    std::vector<uint8_t> mixed(1 << 20);
    for (size_t i = 0; i < mixed.size(); ++i)
        mixed[i] = (i / 4096) % 3 == 0 ? uint8_t(random()) : uint8_t("ldr r0, [pc, #4]"[i % 16] ^ (random() % 97 == 0));
    inputs.push_back(mixed);

    for (const auto& input : inputs) {
        const std::vector<uint8_t> stream = station::DeflateSmallWindow(input.data(), input.size());
        ASSERT_FALSE(stream.empty());
        EXPECT_EQ((stream[0] >> 1) & 3, 2) << "dynamic Huffman codes, size " << input.size();
        std::vector<uint8_t> out;
        ASSERT_EQ(Inflate(stream, input.size(), out), "") << "size " << input.size();
        ASSERT_EQ(out, input) << "size " << input.size();
    }
    // Matches are found: the long run packs to almost nothing.
    EXPECT_LT(station::DeflateSmallWindow(inputs[80].data(), inputs[80].size()).size(), 8000u);
}

}  // namespace
