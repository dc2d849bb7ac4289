// A station on a shared pool: what it does when the server goes away, when
// the server's schema is not its own, and what it never does in pool mode.
#include <gtest/gtest.h>

#include <string>

#include "alloc_fixture.h"
#include "station/engine/alloc/pool_admin.h"
#include "station/engine/alloc/pool_connection.h"
#include "support/pg_server.h"

namespace {

class PoolStation : public alloc_test::AllocFixture {
protected:
    void SetUp() override {
        AllocFixture::SetUp();
        const std::string why = server_.Start(durableServer_, serverSettings_);
        if (!why.empty() && server_.Unavailable()) GTEST_SKIP() << why;
        ASSERT_EQ(why, "");
        UseRangeAndSerials();
        Set("POOL", "BACKEND", "postgresql");
        Set("POOL", "CONNINFO", server_.Conninfo());
        Set("POOL", "POOL_NAME", "LINE-A");
        const station::PoolCommandResult init = station::PoolInit(Settings());
        ASSERT_EQ(init.status, 0) << init.err;
    }
    station::StationSettings Settings() const { return station::StationSettings(root_.path()); }
    // A station started afresh in the same root.
    station::MacSnAllocator& Restarted() {
        allocator_.reset();
        Allocator().OpenFactoryDatabase();
        return Allocator();
    }
    void Sql(const std::string& sql) {
        station::PoolConnection db;
        ASSERT_TRUE(db.Connect(server_.Conninfo(), "test"));
        ASSERT_TRUE(db.Script(sql)) << db.Error();
    }

    testing_support::PgServer server_;
    bool durableServer_ = false;
    std::string serverSettings_;
};

TEST_F(PoolStation, APassTheServerMissedWaitsOnDiskAndGoesFirstWhenItReturns) {
    station::MacSnAllocator& alloc = Restarted();
    const std::string id = Get("POOL", "STATION_ID");
    EXPECT_EQ(id.size(), 12u);
    ASSERT_EQ(alloc.BuildFactoryData(1), 1);
    EXPECT_EQ(alloc.MacText(1), "C0FFEE000001");
    // The pool is the truth: no local counter moves, nothing is booked locally.
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "C0FFEE000001");
    EXPECT_EQ(Get("SN_SET", "CUR_VALUE"), "00000001");
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_1"), "<absent>");
    EXPECT_EQ(Get("SNLOCAL_REUSE", "CHAN_1"), "<absent>");
    // What the station shows as its counters comes from the pool.
    EXPECT_TRUE(alloc.SharedPool());
    EXPECT_EQ(alloc.Next().mac, "C0FFEE000002");
    EXPECT_EQ(alloc.Next().sn, "00000002");

    // The device passes while the server is away: the pass waits on disk,
    // and no channel gets numbers until the server answers.
    ASSERT_TRUE(server_.Down());
    alloc.Finish(1, 1);
    EXPECT_TRUE(root_.Exists("pool/pending_1.txt"));
    EXPECT_EQ(alloc.BuildFactoryData(2), 0);
    EXPECT_NE(LogText().find("[2] pool LINE-A: server unreachable: "), std::string::npos) << LogText();

    // Channel 1 stays stopped until its pass is on the server, across a restart.
    ASSERT_TRUE(server_.Up());
    EXPECT_NE(station::PoolStatus(Settings()).out.find("pool/pending_1.txt: mac=C0FFEE000001 sn=00000001 passed "),
              std::string::npos);
    station::MacSnAllocator& again = Restarted();
    ASSERT_EQ(again.BuildFactoryData(1), 1);
    EXPECT_EQ(again.MacText(1), "C0FFEE000002");
    EXPECT_FALSE(root_.Exists("pool/pending_1.txt"));
    EXPECT_TRUE(again.IsMacUsed(1, "C0FFEE000001"));

    // A random MAC would bypass the pool.
    Set("BLE_SET", "RANDOM_FLAG", "1");
    Set("BLE_SET", "MASK_ADDR", "C0FF");
    EXPECT_EQ(again.BuildFactoryData(3), 0);
    EXPECT_EQ(Messages().back(), station::kPoolOutsideMacMessage);

    // Release: never while the station is connected, then once.
    EXPECT_EQ(station::PoolRelease(Settings(), id + ":1").status, station::kPoolCommandRefused);
    allocator_.reset();
    const station::PoolCommandResult released = station::PoolRelease(Settings(), id + ":1");
    EXPECT_EQ(released.status, 0) << released.err;
    EXPECT_NE(released.out.find("released " + id + ":1 mac=C0FFEE000002 sn=00000002\n"), std::string::npos)
        << released.out;
    EXPECT_EQ(station::PoolRelease(Settings(), id + ":1").status, station::kPoolCommandRefused);
    EXPECT_EQ(station::PoolRelease(Settings(), id + ":17").status, station::kPoolCommandError);
    const std::string status = station::PoolStatus(Settings()).out;
    EXPECT_NE(status.find("next C0FFEE000003, handed out 2, left 252\n"), std::string::npos) << status;
    EXPECT_NE(status.find("passed 1\nreserved 0\n"), std::string::npos) << status;
}

// A server run as a factory runs it (every commit that asks for it waits for
// the disk) crashes right after a station took its numbers.
class CrashedPoolServer : public PoolStation {
protected:
    CrashedPoolServer() {
        durableServer_ = true;
        // An immediate stop loses only what the server has not yet handed to
        // the system, while a power cut loses all that is not on the disk. The
        // server's log writer hands over a commit that nobody waited for
        // within its delay (0.2 s), or at once when it was idle, so a crash
        // a few milliseconds late often finds such a booking saved by chance.
        // With a 10 s delay, and no autovacuum commits to write it along,
        // the crash finds it where a power cut would: not on the disk.
        serverSettings_ = "-c wal_writer_delay=10s -c autovacuum=off";
    }
};

TEST_F(CrashedPoolServer, NumbersTakenJustBeforeTheCrashStayBookedAndGoToNoOtherStation) {
    station::MacSnAllocator& alloc = Restarted();
    ASSERT_EQ(alloc.BuildFactoryData(1), 1);
    const std::string mac = alloc.MacText(1), sn = alloc.SnText(1);
    ASSERT_TRUE(server_.Crash());
    ASSERT_TRUE(server_.Up());

    // Another station on the pool gets the next numbers...
    common_test::TempDir otherRoot;
    ASSERT_EQ(system(("mkdir -p " + otherRoot.Path("temp")).c_str()), 0);
    otherRoot.Write("temp/ImgBurnList.txt", alloc_test::kStationList);
    otherRoot.Write("Torvane.ini", root_.Read("Torvane.ini"));
    ASSERT_TRUE(common::IniWriteString(otherRoot.Path("Torvane.ini"), "POOL", "STATION_ID", ""));
    station::MacSnAllocator other(station::StationSettings(otherRoot.path()), [](const std::string&) {}, clock_);
    other.OpenFactoryDatabase();
    ASSERT_EQ(other.BuildFactoryData(2), 1);
    EXPECT_EQ(other.MacText(2), "C0FFEE000002") << "the crash lost the booking of " << mac;
    EXPECT_EQ(other.SnText(2), "00000002");
    // ...and the station, started again, the numbers still booked to its channel.
    station::MacSnAllocator& again = Restarted();
    ASSERT_EQ(again.BuildFactoryData(1), 1);
    EXPECT_EQ(again.MacText(1), mac);
    EXPECT_EQ(again.SnText(1), sn);
}

TEST_F(PoolStation, AServerWithAnotherSchemaOrAPasswordInTheSettingsIsRefused) {
    Sql("UPDATE torvane_schema SET version = 2");
    station::MacSnAllocator& alloc = Restarted();
    ASSERT_FALSE(Messages().empty());
    EXPECT_NE(Messages().back().find("schema is version 2, this station knows version 1"), std::string::npos)
        << Messages().back();
    EXPECT_EQ(alloc.BuildFactoryData(1), 0);
    EXPECT_EQ(station::PoolInit(Settings()).status, station::kPoolCommandRefused);
    EXPECT_EQ(station::PoolStatus(Settings()).status, station::kPoolCommandRefused);

    Set("POOL", "CONNINFO", server_.Conninfo() + " password=hunter2");
    const station::PoolCommandResult refused = station::PoolStatus(Settings());
    EXPECT_EQ(refused.status, station::kPoolCommandError);
    EXPECT_EQ(refused.err.find("hunter2"), std::string::npos);
    EXPECT_EQ(LogText().find("hunter2"), std::string::npos);
}

}  // namespace
