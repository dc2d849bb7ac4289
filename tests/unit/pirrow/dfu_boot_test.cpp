#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "pirrow/builtin_sig_key.h"
#include "pirrow/dfu_boot.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

// A boot ROM that answers "OK" to every complete dfu_recv packet and records them.
struct DfuRom {
    struct Packet {
        uint16_t type;
        std::string payload;
    };
    std::vector<Packet> packets;
    std::vector<std::string> announcements;
    size_t expected = 0;
    std::string body;
    bool failType0902 = false;

    void OnWrite(ScriptedLink& link, const std::string& chunk) {
        if (expected == 0) {
            if (chunk.rfind("burn_speed", 0) == 0) {
                link.Reply("OK\r\n", 5);
                return;
            }
            announcements.push_back(chunk);
            expected = size_t(std::stoul(chunk.substr(9)));
            body.clear();
            return;
        }
        body += chunk;
        if (body.size() < expected) return;
        uint16_t type = uint16_t(uint8_t(body[0]) | uint8_t(body[1]) << 8);
        packets.push_back({type, body.substr(2)});
        expected = 0;
        link.Reply(failType0902 && type == 0x0902 ? "Fail\r\n" : "OK\r\n", 2);
    }
};

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    std::string path = "/tmp/" + name + std::to_string(getpid());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

struct DfuBootTest : ::testing::Test {
    ScriptedSession f;
    DfuRom rom;
    void SetUp() override {
        f.onWrite = [this](ScriptedLink& l, const std::string& c) { rom.OnWrite(l, c); };
        ASSERT_TRUE(f.session.link.Open("ttyTEST", 1000000));
    }
    std::string Image(size_t n) {
        std::string image(n, '\0');
        for (size_t i = 0; i < n; ++i) image[i] = char(i * 7);
        return image;
    }
};

TEST_F(DfuBootTest, LoaderIsSentInPacketsAndAShortTailIsLeftOut) {
    const std::string image = Image(328 + 548 * 3 + 20);
    f.session.settings.ramLoaderPath = WriteTemp("loader", image);
    f.session.settings.sigKeyPath = WriteTemp("key", std::string(294, 'k'));
    ASSERT_TRUE(pirrow::DfuBoot(f.session, 1000000, 1000000));
    ASSERT_EQ(rom.packets.size(), 6u);  // key, first, three chunks, end
    EXPECT_EQ(rom.packets[0].type, 0x0A03);
    EXPECT_EQ(rom.packets[0].payload, std::string(294, 'k'));
    EXPECT_EQ(rom.packets[1].type, 0x0901);
    EXPECT_EQ(rom.packets[1].payload, image.substr(0, 328));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(rom.packets[2 + c].type, 0x0902);
        EXPECT_EQ(rom.packets[2 + c].payload, image.substr(328 + 548 * c, 548));
    }
    EXPECT_EQ(rom.packets[5].type, 0x0904);
    EXPECT_EQ(rom.announcements[0], "dfu_recv 296\r");
    EXPECT_EQ(rom.announcements[1], "dfu_recv 330\r");
    EXPECT_EQ(rom.announcements[2], "dfu_recv 550\r");
    EXPECT_EQ(rom.announcements[5], "dfu_recv 2\r");
    EXPECT_EQ(f.session.progress.done, 328u + 548 * 3);
    EXPECT_EQ(f.session.progress.total, uint32_t(image.size()));
    EXPECT_EQ(f.link().bauds.size(), 0u);  // no rate change at equal rates
    std::string log = f.Log();
    EXPECT_NE(log.find("download_boot_patch_sigkey over: success \n"), std::string::npos);
    EXPECT_NE(log.find("download_image success \n"), std::string::npos);
}

TEST_F(DfuBootTest, RemainderOf37BytesIsSentAndTypeAndPayloadAreSeparateWrites) {
    const std::string image = Image(328 + 37);
    f.session.settings.ramLoaderPath = WriteTemp("loader", image);
    ASSERT_TRUE(pirrow::DfuBoot(f.session, 1000000, 1000000));
    ASSERT_EQ(rom.packets.size(), 4u);
    EXPECT_EQ(rom.packets[2].payload, image.substr(328));
    // "dfu_recv 330\r", then the type alone, then the payload.
    const auto& w = f.link().writes;
    auto it = std::find(w.begin(), w.end(), std::string("dfu_recv 330\r"));
    ASSERT_NE(it, w.end());
    EXPECT_EQ(*(it + 1), std::string("\x01\x09", 2));
    EXPECT_EQ((it + 2)->size(), 328u);
}

TEST_F(DfuBootTest, MissingKeyFileSendsTheBuiltInKey) {
    f.session.settings.sigKeyPath = "/nonexistent/sig_pub.der";
    f.session.settings.ramLoaderPath = WriteTemp("loader", Image(400));
    ASSERT_TRUE(pirrow::DfuBoot(f.session, 1000000, 3000000));
    EXPECT_EQ(rom.packets[0].payload,
              std::string(reinterpret_cast<const char*>(pirrow::kBuiltinSigKey), pirrow::kBuiltinSigKeySize));
    EXPECT_NE(f.Log().find("SIG_PUB open error: /nonexistent/sig_pub.der, use internal\n"), std::string::npos);
    // A different target rate is reached with burn_speed.
    EXPECT_EQ(f.link().writes.back(), "burn_speed 3000000 1000\r");
    EXPECT_EQ(f.link().bauds, std::vector<int>{3000000});
}

TEST_F(DfuBootTest, ShortOrMissingLoaderIsRejectedBeforeSending) {
    f.session.settings.ramLoaderPath = WriteTemp("loader", Image(327));
    EXPECT_FALSE(pirrow::DfuBoot(f.session, 1000000, 1000000));
    ASSERT_EQ(rom.packets.size(), 1u);  // the key only
    f.session.settings.ramLoaderPath = "/nonexistent/ram_patch.bin";
    EXPECT_FALSE(pirrow::DfuBoot(f.session, 1000000, 1000000));
    EXPECT_NE(f.Log().find("RAM_PATCH open error: /nonexistent/ram_patch.bin\n"), std::string::npos);
}

TEST_F(DfuBootTest, ADirectoryIsAFileThatCannotBeOpened) {
    const std::string dir = testing::TempDir();
    f.session.settings.sigKeyPath = dir;
    f.session.settings.ramLoaderPath = dir;
    EXPECT_FALSE(pirrow::DfuBoot(f.session, 1000000, 1000000));
    ASSERT_EQ(rom.packets.size(), 1u);
    EXPECT_EQ(rom.packets[0].payload,
              std::string(reinterpret_cast<const char*>(pirrow::kBuiltinSigKey), pirrow::kBuiltinSigKeySize));
    EXPECT_NE(f.Log().find("SIG_PUB open error: " + dir + ", use internal\n"), std::string::npos);
    EXPECT_NE(f.Log().find("RAM_PATCH open error: " + dir + "\n"), std::string::npos);
}

TEST_F(DfuBootTest, FailedPacketEndsTheTransfer) {
    rom.failType0902 = true;
    f.session.settings.ramLoaderPath = WriteTemp("loader", Image(2000));
    EXPECT_FALSE(pirrow::DfuBoot(f.session, 1000000, 1000000));
    EXPECT_EQ(rom.packets.back().type, 0x0902);
    EXPECT_NE(f.Log().find("download_image fail \n"), std::string::npos);
}

}  // namespace
