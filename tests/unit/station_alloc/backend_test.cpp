// The allocation backends' contract, the same cases for both: the station's
// own files (with the factory database) and a pool on a PostgreSQL server
// that the test starts itself. Without the server's programs the pool's
// runs are skipped and say why.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "alloc_fixture.h"
#include "station/engine/alloc/local_backend.h"
#include "station/engine/alloc/pool_admin.h"
#include "station/engine/alloc/pool_backend.h"
#include "support/pg_server.h"

namespace {

using station::ChannelNumbers;
using station::NumberRequest;
using station::TakeOutcome;

class Backend : public alloc_test::AllocFixture, public ::testing::WithParamInterface<const char*> {
protected:
    bool Pool() const { return std::string(GetParam()) == "postgresql"; }

    // The range of the line; a pool is seeded from it.
    void Open(const std::string& start = "C0FFEE000001", const std::string& end = "C0FFEE0000FF",
              const std::string& sn = "00000001") {
        Set("BLE_SET", "ENABLE_FLAG", "1");
        Set("BLE_SET", "START_ADDR", start);
        Set("BLE_SET", "CUR_ADDR", start);
        Set("BLE_SET", "END_ADDR", end);
        Set("SN_SET", "ENABLE_FLAG", "1");
        Set("SN_SET", "SN_DES", "NV");
        Set("SN_SET", "START_VALUE", sn);
        Set("SN_SET", "CUR_VALUE", sn);
        const station::StationSettings settings(root_.path());
        auto show = [this](const std::string& m) { shown_.push_back(m); };
        if (!Pool()) {
            Set("COMMON_SET", "FACTORY_DB", "1");
            ASSERT_EQ(system((alloc_test::ScriptPath("make-factory-db") + " " + root_.path() + " >/dev/null").c_str()), 0);
            backend_ = std::make_unique<station::LocalBackend>(settings, show);
        } else {
            const std::string why = server_.Start();
            if (!why.empty() && server_.Unavailable()) GTEST_SKIP() << why;
            ASSERT_EQ(why, "");
            Set("POOL", "BACKEND", "postgresql");
            Set("POOL", "CONNINFO", server_.Conninfo());
            Set("POOL", "POOL_NAME", "LINE-A");
            const station::PoolCommandResult init = station::PoolInit(settings);
            ASSERT_EQ(init.status, 0) << init.err;
            backend_ = std::make_unique<station::PoolBackend>(settings, show);
        }
        backend_->Open();
        ASSERT_TRUE(backend_->DuplicateCheckOn());
    }

    ChannelNumbers Take(int channel, TakeOutcome expected = TakeOutcome::kTaken) {
        ChannelNumbers numbers;
        EXPECT_EQ(backend_->Take(channel, NumberRequest{true, true, {}}, numbers), expected) << LogText();
        return numbers;
    }
    void Pass(int channel, const ChannelNumbers& numbers) {
        backend_->Confirm(channel, numbers, "2026-12-09 05:00:00", "A1B2C3D4E5F6_" + std::to_string(channel));
    }

    testing_support::PgServer server_;
    std::unique_ptr<station::AllocationBackend> backend_;
    std::vector<std::string> shown_;
};

TEST_P(Backend, FailedDevicesNumbersStayWithTheirChannelAndPassedOnesAreRecorded) {
    Open();
    const ChannelNumbers first = Take(1);
    EXPECT_EQ(first.mac, "C0FFEE000001");
    EXPECT_EQ(first.sn, "00000001");
    EXPECT_EQ(first.snRecord, "NV00000001");
    EXPECT_TRUE(first.macReserved && first.snReserved);
    // The device failed: channel 1's next device gets the same numbers,
    // channel 2 fresh ones, and the counters moved once per number.
    const ChannelNumbers again = Take(1);
    EXPECT_EQ(again.mac, first.mac);
    EXPECT_EQ(again.sn, first.sn);
    const ChannelNumbers other = Take(2);
    EXPECT_EQ(other.mac, "C0FFEE000002");
    EXPECT_EQ(other.sn, "00000002");
    EXPECT_EQ(backend_->Next().mac, "C0FFEE000003");
    EXPECT_EQ(backend_->Next().sn, "00000003");

    EXPECT_FALSE(backend_->IsMacUsed(1, first.mac));
    Pass(1, again);
    EXPECT_TRUE(backend_->IsMacUsed(1, first.mac));
    EXPECT_FALSE(backend_->IsMacUsed(1, other.mac));
    const ChannelNumbers fresh = Take(1);
    EXPECT_EQ(fresh.mac, "C0FFEE000003");
    EXPECT_EQ(fresh.sn, "00000003");
    // Channel 2 still holds its own.
    EXPECT_EQ(Take(2).mac, other.mac);
}

TEST_P(Backend, RangeEndsRefuseWithTheirMessagesAndSpendNothing) {
    Open("C0FFEE000001", "C0FFEE000004", "99997");
    EXPECT_EQ(Take(1).sn, "99997");
    EXPECT_EQ(Take(2).sn, "99998");
    Take(3, TakeOutcome::kRefused);  // 99999 is never handed out
    EXPECT_NE(LogText().find("[3] SN cur addr is greate equal to 99999999 error\n"), std::string::npos);
    EXPECT_EQ(shown_, std::vector<std::string>{station::kSnRangeEndMessage});
    // The refused call spent no MAC either; the end itself is never handed out.
    ChannelNumbers macOnly;
    EXPECT_EQ(backend_->Take(4, NumberRequest{true, false, {}}, macOnly), TakeOutcome::kTaken);
    EXPECT_EQ(macOnly.mac, "C0FFEE000003");
    EXPECT_EQ(backend_->Take(5, NumberRequest{true, false, {}}, macOnly), TakeOutcome::kRefused);
    EXPECT_NE(LogText().find("[5] BLE cur addr > end addr error\n"), std::string::npos);
    EXPECT_EQ(shown_.back(), station::kMacRangeEndMessage);
}

INSTANTIATE_TEST_SUITE_P(BothStores, Backend, ::testing::Values("local", "postgresql"));

}  // namespace
