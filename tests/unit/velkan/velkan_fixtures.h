#pragma once
// Loader images, a stand-in vesctool and a message recorder for the editor's
// tests.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "unit/common/test_files.h"
#include "velkan/messages.h"
#include "velkan/user_config_block.h"

namespace velkan_test {

using common_test::TempDir;

// A block whose every field differs from the zeroed one.
inline velkan::UserConfigBlock SampleBlock() {
    velkan::UserConfigBlock block = velkan::UserConfigBlock::Fresh();
    block.pinMask = 0x0005;
    block.pins[0] = {1, 7, 1, 0};
    block.pins[2] = {2, 31, 0, 0};
    block.flashMask = 0x0002;
    block.flash[1] = {1, 3, 0, 0xc8, 0x40, 0x18, 0x02, 0x01000000};
    block.pmicEnable = 1;
    block.sclPort = 1;
    block.sclPin = 12;
    block.sdaPin = 13;
    block.pmicLevels = {1, 0, 1, 0, 0, 1, 1, 0};
    return block;
}

inline std::string BlockText(const velkan::UserConfigBlock& block) {
    auto bytes = velkan::EncodeBlock(block);
    return std::string(bytes.begin(), bytes.end());
}

// An image of filler with the block at `offset`, `after` bytes behind it.
inline std::string ImageWithBlock(const velkan::UserConfigBlock& block, size_t offset, size_t after = 64) {
    std::string image(offset, '\x5a');
    image += BlockText(block);
    image += std::string(after, '\x5a');
    return image;
}

// Records the messages instead of showing them.
struct MessageLog {
    std::vector<std::string> texts;
    velkan::MessageSink Sink() {
        return [this](const std::string& text) { texts.push_back(text); };
    }
};

// A vesctool whose "encryption" adds 128 to every byte (its own inverse), so
// an encrypted image hides its block. `encFails`: enc writes nothing and exits 1.
inline std::string WriteStandInVesctool(const TempDir& dir, bool encFails = false) {
    const std::string script = std::string("#!/bin/sh\n") +
        "export LC_ALL=C\n"
        "verb=$1; img=${2#--img=}; eimg=${3#--eimg=}\n"
        "echo \"vesctool $verb\"\n"
        "case $verb in\n"
        "  dec) tr '\\000-\\377' '\\200-\\377\\000-\\177' < \"$eimg\" > \"$img\" ;;\n" +
        (encFails ? "  enc) exit 1 ;;\n" : "  enc) tr '\\000-\\377' '\\200-\\377\\000-\\177' < \"$img\" > \"$eimg\" ;;\n") +
        "esac\n";
    const std::string path = dir.Write("vesctool", script);
    ::chmod(path.c_str(), 0755);
    return path;
}

inline std::string Scrambled(std::string bytes) {
    for (char& c : bytes) c = char(uint8_t(c) ^ 0x80);
    return bytes;
}

}  // namespace velkan_test
