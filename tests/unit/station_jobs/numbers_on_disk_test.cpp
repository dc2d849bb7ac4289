// A number is spent on the disk before a device gets it: the file steps of
// burn jobs, recorded in order through the platform's file seam beside the
// tool starts, show each write of the counters' file (Torvane.ini), and of a
// pass that waits for the pool's server (its pending file), flushed with its
// directory entry before the channel's factory-data file is written and
// before the tool starts. A crash in between would otherwise hand the same
// number to the next device.
#include "tests/unit/station_jobs/job_harness.h"

#include "platform/durable_file.h"
#include "station/engine/alloc/mac_sn_allocator.h"
#include "station/engine/alloc/pool_admin.h"
#include "station/engine/alloc/pool_pending.h"
#include "station/engine/burnlist/station_burn_list.h"
#include "station/engine/jobs/station_services.h"
#include "tests/support/pg_server.h"

namespace jobs_test {
namespace {

struct Step {
    std::string what;  // write, flush, rename, flush-dir; tool for a tool's start
    std::string path;
};

std::string Normal(const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); }

class NumbersOnDisk : public JobTest {
protected:
    void SetUp() override {
        JobTest::SetUp();
        // A station list with entry 0 kept for the factory data.
        std::ofstream(root_ + "/temp/ImgBurnList.txt") << "[FILEINFO]\nFILE0=" << kFactoryDataEntryFile
                                                      << "\nADDR0=" << kFactoryDataEntryAddress << "\nNUM=1\n";
        Set("DEV_SET", "DEV_NAME0", "QM2B");  // UART QM2B: one tool start a job
        Set("BLE_SET", "ENABLE_FLAG", "1");
        Set("BLE_SET", "START_ADDR", "C0FFEE000001");
        Set("BLE_SET", "CUR_ADDR", "C0FFEE000001");
        Set("BLE_SET", "END_ADDR", "C0FFEE0000FF");
        Set("SN_SET", "ENABLE_FLAG", "1");
        Set("SN_SET", "START_VALUE", "00000001");
        Set("SN_SET", "CUR_VALUE", "00000001");
        runner_.during = [this](JobStep) {
            Add("tool", "");
            if (toolStep) toolStep();
        };
    }
    void TearDown() override {
        platform::SetFileStepRecorder(nullptr);
        JobTest::TearDown();
    }

    // The real allocation behind the engine, its backend opened as at start-up.
    void UseAllocator() {
        allocator_ = std::make_unique<MacSnAllocator>(StationSettings(root_), [](const std::string&) {}, clock_,
                                                      channels_);
        allocator_->SetStationIdentifier("A1B2C3D4E5F6");
        allocator_->OpenFactoryDatabase();
        allocatorNumbers_ = std::make_unique<AllocatorNumbers>(*allocator_);
        numbersPart_ = allocatorNumbers_.get();
    }
    void Record() {
        platform::SetFileStepRecorder([this](platform::FileStep step, const std::string& path) {
            static const char* const names[] = {"write", "flush", "rename", "flush-dir"};
            Add(names[int(step)], Normal(path));
        });
    }
    void Add(const std::string& what, const std::string& path) {
        std::lock_guard<std::mutex> guard(stepsLock_);
        steps_.push_back({what, path});
    }

    // Every write of `file` followed by a hand-out (a write of the channel's
    // factory-data file or a tool start) reached the disk before it: its data
    // flushed, and its directory flushed after its rename.
    ::testing::AssertionResult OnDiskBeforeHandedOut(const std::string& file, int channel) {
        std::lock_guard<std::mutex> guard(stepsLock_);
        const std::string path = Normal(file), dir = Normal(platform::DirectoryOf(file));
        const std::string factoryData = Normal(allocator_->FactoryDataPath(channel));
        auto is = [&](size_t i, const char* what, const std::string& p) {
            return steps_[i].what == what && (p.empty() || steps_[i].path == p);
        };
        int checked = 0;
        for (size_t w = 0; w < steps_.size(); ++w) {
            if (!is(w, "write", path)) continue;
            size_t out = w + 1;
            while (out < steps_.size() && !is(out, "write", factoryData) && !is(out, "tool", "")) ++out;
            if (out == steps_.size()) continue;
            ++checked;
            bool flushed = false, renamed = false, entryFlushed = false;
            for (size_t i = w + 1; i < out; ++i) {
                flushed = flushed || is(i, "flush", path);
                if (is(i, "rename", path)) renamed = true, entryFlushed = false;
                entryFlushed = entryFlushed || (renamed && is(i, "flush-dir", dir));
            }
            if (!flushed || !entryFlushed)
                return ::testing::AssertionFailure()
                       << path << " written at step " << w << " and not on the disk before "
                       << (steps_[out].what == "tool" ? "the tool started" : "the factory data was written")
                       << " at step " << out << (flushed ? "" : ": its data was not flushed")
                       << (entryFlushed ? "" : ": its directory entry was not flushed");
        }
        if (checked == 0) return ::testing::AssertionFailure() << "no write of " << path << " before a hand-out";
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<MacSnAllocator> allocator_;
    std::unique_ptr<AllocatorNumbers> allocatorNumbers_;
    std::function<void()> toolStep;  // runs inside each tool step
    std::mutex stepsLock_;
    std::vector<Step> steps_;
};

TEST_F(NumbersOnDisk, TheStationsCountersReachTheDiskBeforeTheFactoryDataAndTheTool) {
    UseAllocator();
    Engine(1);
    Record();
    runner_.script[JobStep::Download] = {{false, 1}, {true, 0}};
    RunJob(3, false);  // fails: its numbers stay booked to the channel
    RunJob(3, false);  // the same numbers again, then passed
    RunJob(3, false);  // fresh numbers
    ASSERT_EQ(runner_.calls.size(), 3u);
    EXPECT_EQ(common::IniReadString(root_ + "/Torvane.ini", "BLE_SET", "CUR_ADDR", ""), "C0FFEE000003");
    EXPECT_TRUE(OnDiskBeforeHandedOut(settings_->IniPath(), 3));
}

TEST_F(NumbersOnDisk, APassKeptForThePoolsServerReachesTheDiskBeforeTheChannelsNextNumbers) {
    testing_support::PgServer server;
    const std::string why = server.Start();
    if (!why.empty() && server.Unavailable()) GTEST_SKIP() << why;
    ASSERT_EQ(why, "");
    Set("POOL", "BACKEND", "postgresql");
    Set("POOL", "CONNINFO", server.Conninfo());
    Set("POOL", "POOL_NAME", "LINE-A");
    const PoolCommandResult init = PoolInit(StationSettings(root_));
    ASSERT_EQ(init.status, 0) << init.err;
    UseAllocator();
    Engine(1);
    Record();
    // The server goes while the device is burned: its pass waits on the disk.
    toolStep = [&] { ASSERT_TRUE(server.Down()); };
    RunJob(3);
    const PendingPasses pending(root_, 3);
    ASSERT_TRUE(std::filesystem::exists(pending.Path()));
    toolStep = nullptr;
    ASSERT_TRUE(server.Up());
    RunJob(3);  // the pass goes to the server first, then the next numbers
    ASSERT_EQ(runner_.calls.size(), 2u);
    EXPECT_EQ(channels_[3].status.load(), kStatusPass);
    EXPECT_FALSE(std::filesystem::exists(pending.Path()));
    EXPECT_TRUE(OnDiskBeforeHandedOut(pending.Path(), 3));
}

}  // namespace
}  // namespace jobs_test
