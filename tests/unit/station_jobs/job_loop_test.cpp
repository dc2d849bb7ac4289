// The job loop of a channel: what runs for each station function, the retry
// rules on virtual time, stops in every wait, verdicts and their records.
#include "tests/unit/station_jobs/job_harness.h"

#include "station/engine/jobs/factory_info.h"

namespace jobs_test {
namespace {

using S = JobStep;

struct DispatchCase {
    int func, cali, test, erase;
    const char* device;
    bool uart;
    std::vector<JobStep> steps;
    std::vector<bool> finishes;  // MAC/SN finishing calls
    int32_t status;
};

TEST_F(JobTest, EveryFunctionRunsItsStepsInOrder) {
    const std::vector<DispatchCase> cases = {
        {1, 0, 0, 0, "QM2B", true, {S::Download}, {true}, kStatusPass},
        {2, 0, 0, 0x1, "QM2A_NAND", true, {S::EraseAll}, {}, kStatusPass},
        {2, 0, 0, 0x10, "QM2A_NAND", true, {S::EraseFactoryArea}, {}, kStatusPass},
        {2, 0, 0, 0x20, "QM2A_NAND", true, {S::EraseNonFactoryArea}, {}, kStatusPass},
        {2, 0, 0, 0x20, "QM2B", true, {S::EraseAll}, {}, kStatusPass},
        {2, 0, 0, 0, "QM2B", true, {}, {}, kStatusPass},
        {4, 3, 0, 0, "QM2B", true, {S::CrystalCali, S::BatteryCali}, {}, kStatusPass},
        {4, 2, 0, 0, "QM2B", false, {S::BatteryCali}, {}, kStatusPass},
        {5, 3, 0, 0, "QM2B", true, {S::CrystalCali, S::BatteryCali, S::Download}, {true}, kStatusPass},
        {8, 0, 0x3, 0, "QM2B", true, {S::PcbaTest}, {}, kStatusPass},
        {8, 0, 0x400, 0, "QM2B", true, {}, {}, kStatusPass},  // no test item among 0x3FF
        {9, 0, 0x3, 0, "QM2B", true, {S::Download, S::PcbaTest}, {true}, kStatusPass},
        {12, 1, 0x3, 0, "QM2B", true, {S::CrystalCali, S::PcbaTest}, {}, kStatusPass},
        {13, 3, 0x3, 0, "QM2B", false, {S::CrystalCali, S::BatteryCali, S::Download, S::PcbaTest}, {true},
         kStatusPass},
        {16, 0, 0, 0, "QM2B", true, {S::GpsLoad}, {}, kStatusPass},
        {16, 0, 0, 0, "QM2B", false, {}, {}, kStatusFail},  // GPS only over UART
    };
    WriteBurnList();
    Set("DEV_SET", "DEV_NAME0", "QM2B");
    Engine();
    frontEnd_.answer = true;  // the erase questions
    for (const DispatchCase& c : cases) {
        SCOPED_TRACE("FUNC_TYPE " + std::to_string(c.func) + " erase " + std::to_string(c.erase) + " " + c.device);
        Set("DEV_SET", "DEV_NAME0", c.device);
        Set("COMMON_SET", "PORT_TYPE", c.uart ? "1" : "0");
        engine_->Functions().Select(*settings_, c.func);
        engine_->Functions().SetCali(c.cali);
        engine_->Functions().SetTest(c.test);
        engine_->Functions().SetErase(c.erase);
        runner_.calls.clear();
        numbers_.finishes.clear();
        numbers_.builds = 0;
        RunJob(3);
        EXPECT_EQ(runner_.Steps(), c.steps);
        for (const StepCall& call : runner_.calls) EXPECT_EQ(call.uart, c.uart);
        EXPECT_EQ(numbers_.finishes, c.finishes);
        EXPECT_EQ(numbers_.builds, (c.func & 1) ? 1 : 0);
        EXPECT_EQ(channels_[3].status.load(), c.status);
        EXPECT_EQ(engine_->Controls(3).Caption(), ButtonCaption(c.func));
    }
    EXPECT_EQ(CountInLog("[3] GPS下载目前只支持UART模式\n"), 1);
}

TEST_F(JobTest, AFailedStepEndsTheJobAndFinishesTheNumbersAsFailed) {
    WriteBurnList();
    Set("DEV_SET", "DEV_NAME0", "QM2B");  // UART QM2B: never retried
    Engine(13);
    engine_->Functions().SetCali(3);
    engine_->Functions().SetTest(1);
    runner_.script[S::BatteryCali] = {{false, -1, "X battery_cali no reply"}};
    RunJob(2);
    EXPECT_EQ(runner_.Steps(), (std::vector<JobStep>{S::CrystalCali, S::BatteryCali}));
    EXPECT_EQ(numbers_.finishes, std::vector<bool>{false});
    ChannelState& row = channels_[2];
    EXPECT_EQ(row.crystalResult.load(), 1);
    EXPECT_EQ(row.batteryResult.load(), -1);
    EXPECT_EQ(row.burnResult.load(), 0);
    EXPECT_EQ(row.status.load(), kStatusFail);
    EXPECT_EQ(row.failCause.Get(), "X battery_cali no reply");
    EXPECT_EQ(row.elapsedSeconds.load(), 1);  // at least 1 in the verdict
    EXPECT_EQ(CountInLog("[2] 任务线程结束：FAIL 1 秒\n"), 1);
    ASSERT_FALSE(frontEnd_.notices.empty());
    EXPECT_EQ(frontEnd_.notices.back().flags, 5);
    EXPECT_EQ(frontEnd_.notices.back().channel, 2);
}

TEST_F(JobTest, AFailedAllocationRunsNoStep) {
    WriteBurnList();
    Engine(1);
    numbers_.buildResult = false;
    numbers_.refusal = "BLE cur addr > end addr error";
    RunJob(4);
    EXPECT_TRUE(runner_.calls.empty());
    EXPECT_TRUE(numbers_.finishes.empty());
    EXPECT_EQ(channels_[4].status.load(), kStatusFail);
    EXPECT_EQ(CountInLog("[4] GenBleSnFile error\n"), 1);
    // The allocation's own reason is the cause the operator sees.
    EXPECT_EQ(channels_[4].failCause.Get(), "BLE cur addr > end addr error");

    // The next job starts without the last one's cause.
    numbers_.buildResult = true;
    RunJob(4);
    EXPECT_EQ(channels_[4].status.load(), kStatusPass);
    EXPECT_EQ(channels_[4].failCause.Get(), "");
}

TEST_F(JobTest, RetryRuleRRepeatsTheFirstStepUntilTheWindowCloses) {
    WriteBurnList();
    Engine(1);  // UART QM2A: retried
    runner_.fallback = {false, -1};
    RunJob(1);
    // A retry every 2 s while fewer than 30 s have passed since the job began.
    EXPECT_EQ(runner_.calls.size(), 16u);
    EXPECT_EQ(CountInLog("[1] 任务异常,时间2,重新执行一次1\n"), 1);
    EXPECT_EQ(CountInLog("[1] 任务异常,时间28,重新执行一次14\n"), 1);
    EXPECT_EQ(CountInLog("重新执行一次"), 15);
    EXPECT_EQ(settings_->Read(COMMON_SET::RETRY_LIMIT), 1);  // written by the first job
    EXPECT_EQ(channels_[1].status.load(), kStatusFail);

    Set("COMMON_SET", "RETRY_LIMIT", "0");
    runner_.calls.clear();
    RunJob(1);
    EXPECT_EQ(runner_.calls.size(), 6u);  // 10 s window
}

TEST_F(JobTest, RetriesNeedStartAllAndADeviceThatMayBeRetried) {
    WriteBurnList();
    Engine(1);
    runner_.fallback = {false, -1};
    RunJob(1, /*startAll=*/false);
    EXPECT_EQ(runner_.calls.size(), 1u) << "a channel's own start never retries";

    for (const char* device : {"QM2B", "QM2E_NAND"}) {
        Set("DEV_SET", "DEV_NAME0", device);
        runner_.calls.clear();
        RunJob(1);
        EXPECT_EQ(runner_.calls.size(), 1u) << device << " over UART is never retried";
    }
    Set("COMMON_SET", "PORT_TYPE", "0");
    Set("COMMON_SET", "RETRY_LIMIT", "0");
    runner_.calls.clear();
    RunJob(1);
    EXPECT_EQ(runner_.calls.size(), 6u) << "over J-Link it is";
}

TEST_F(JobTest, ALaterStepIsNotRetriedOnceTheJobRetried) {
    WriteBurnList();
    Set("COMMON_SET", "PORT_TYPE", "0");
    Engine(5);
    engine_->Functions().SetCali(1);
    runner_.script[S::CrystalCali] = {{false, -1}};  // one retry, then passes
    runner_.script[S::Download] = {{false, -1}, {false, -1}};
    RunJob(1);
    EXPECT_EQ(runner_.Steps(), (std::vector<JobStep>{S::CrystalCali, S::CrystalCali, S::Download}));
    EXPECT_EQ(channels_[1].crystalResult.load(), 1);
    EXPECT_EQ(channels_[1].burnResult.load(), -1);
    EXPECT_EQ(numbers_.finishes, std::vector<bool>{false});
}

TEST_F(JobTest, RetryRuleTRepeatsTheTestOnlyWhileEveryItemFails) {
    Set("DEV_SET", "DEV_NAME0", "QM2A");
    Set("COMMON_SET", "RETRY_LIMIT", "0");
    Engine(8);
    engine_->Functions().SetTest(0x7);
    runner_.script[S::PcbaTest] = {{false, 0x7}, {false, 0x7}, {false, 0x2}, {false, 0x7}};
    RunJob(5);
    EXPECT_EQ(runner_.calls.size(), 3u);
    EXPECT_EQ(channels_[5].testResult.load(), -1);
    EXPECT_EQ(channels_[5].status.load(), kStatusFail);
}

TEST_F(JobTest, StartDelayAppliesOnlyToStartAllAndIsCapped) {
    WriteBurnList();
    Set("COMMON_SET", "DELAY_SECOND", "25");
    Engine(1);
    uint64_t started = clock_.NowMs();
    RunJob(6);
    EXPECT_EQ(clock_.NowMs() - started, 20000u);

    started = clock_.NowMs();
    RunJob(6, /*startAll=*/false);
    EXPECT_EQ(clock_.NowMs() - started, 0u);

    engine_->SelectFunction(2);  // an erase job never waits
    started = clock_.NowMs();
    RunJob(6);
    EXPECT_EQ(clock_.NowMs() - started, 0u);
}

TEST_F(JobTest, AStopEndsEveryWaitAtOnce) {
    WriteBurnList();
    Set("COMMON_SET", "DELAY_SECOND", "10");
    Engine(1);
    // During the start delay: no step runs, the job fails.
    clock_.onSleep = [&](uint64_t nowMs) {
        if (nowMs == 3000) channels_[7].stopRequested = 1;
    };
    RunJob(7);
    EXPECT_TRUE(runner_.calls.empty());
    EXPECT_EQ(channels_[7].status.load(), kStatusFail);
    EXPECT_EQ(channels_[7].stopRequested.load(), 0);
    EXPECT_EQ(channels_[7].failCause.Get(), "用户停止运行");
    EXPECT_LT(clock_.NowMs(), 3200u);

    // During a retry wait: no further attempt; the failed step's cause stays.
    Set("COMMON_SET", "DELAY_SECOND", "0");
    runner_.fallback = {false, -1, "X verify fail"};
    const uint64_t begun = clock_.NowMs();
    clock_.onSleep = [&](uint64_t nowMs) {
        if (nowMs - begun >= 4100) channels_[7].stopRequested = 1;
    };
    RunJob(7);
    EXPECT_EQ(runner_.calls.size(), 3u);
    EXPECT_EQ(channels_[7].status.load(), kStatusFail);
    EXPECT_EQ(channels_[7].failCause.Get(), "X verify fail");

    // During a step: the stop is the cause, whatever the killed tool said.
    runner_.fallback = {false, -1, "X interrupted"};
    runner_.during = [&](JobStep) { channels_[7].stopRequested = 1; };
    clock_.onSleep = nullptr;
    RunJob(7);
    EXPECT_EQ(channels_[7].failCause.Get(), "用户停止运行");
}

TEST_F(JobTest, MonitoringWaitsForTheDeviceAndAStopThereIsOver) {
    WriteBurnList();
    Set("COMMON_SET", "MODE_TYPE", "1");
    Engine(1);
    boot_.answerAfterMs = 500;
    RunJob(8);
    EXPECT_EQ(boot_.waits, 1);
    EXPECT_EQ(channels_[8].status.load(), kStatusPass);

    boot_.answerAfterMs = -1;  // no device comes
    clock_.onSleep = [&](uint64_t nowMs) {
        if (nowMs % 1000 == 0) channels_[8].stopRequested = 1;
    };
    runner_.calls.clear();
    RunJob(8);
    EXPECT_TRUE(runner_.calls.empty());
    EXPECT_EQ(numbers_.builds, 1);
    EXPECT_EQ(channels_[8].status.load(), kStatusIdle);
    EXPECT_EQ(channels_[8].failCause.Get(), "用户停止运行");
    EXPECT_EQ(CountInLog("[8] 任务线程结束：OVER"), 1);
    EXPECT_EQ(frontEnd_.notices.back().flags, 5);

    Set("COMMON_SET", "PORT_TYPE", "0");  // monitoring is for UART only
    boot_.waits = 0;
    clock_.onSleep = nullptr;
    RunJob(8);
    EXPECT_EQ(boot_.waits, 0);
}

TEST_F(JobTest, FactoryInfoHasALineForPassAndFailButNoneForOver) {
    WriteBurnList();
    Set("COMMON_SET", "MODE_TYPE", "1");
    Engine(1);
    channels_[9].macText.Set("001122334455");
    runner_.during = [&](JobStep) {
        channels_[9].macText.Set("0011223344AA");
        channels_[9].snText.Set("00000042");
    };
    RunJob(9);
    runner_.fallback = {false, -1};
    Set("DEV_SET", "DEV_NAME0", "QM2B");
    RunJob(9);
    boot_.answerAfterMs = -1;
    clock_.onSleep = [&](uint64_t) { channels_[9].stopRequested = 1; };
    RunJob(9);

    std::ifstream in(FactoryInfoPath(root_, platform::LocalTimeNow()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(",channel_9,/dev/pts/99,PASS,0011223344AA,00000042,"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(",channel_9,/dev/pts/99,FAIL,"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[0].find(",channel_9,"), std::string("2026-12-09(01:02:03)").size());
}

// A line the day's record cannot take (it cannot be opened, or the disk is
// full when the line is flushed) is reported to the operator; the verdict stands.
TEST_F(JobTest, AnUnwritableFactoryInfoLineIsReportedAndTheVerdictStands) {
    WriteBurnList();
    now_ = [] { return platform::LocalTime{2026, 12, 9, 10, 0, 0, 0}; };
    Engine(1);
    const std::string path = FactoryInfoPath(root_, now_());
    std::filesystem::create_directory(path);
    RunJob(2);
    EXPECT_EQ(channels_[2].status.load(), kStatusPass);
    EXPECT_EQ(frontEnd_.notices.back().flags, 5);
    EXPECT_EQ(frontEnd_.messages, std::vector<std::string>{"x FactoryInfo记录写入失败：" + path + " Is a directory"});

    std::filesystem::remove(path);
    std::filesystem::create_symlink("/dev/full", path);
    frontEnd_.messages.clear();
    RunJob(2);
    EXPECT_EQ(channels_[2].status.load(), kStatusPass);
    EXPECT_EQ(frontEnd_.messages,
              std::vector<std::string>{"x FactoryInfo记录写入失败：" + path + " No space left on device"});
}

// A job that a loop or a row of jobs begins after midnight writes its
// channel log into the new day's directory, which no start command made.
TEST_F(JobTest, AJobBegunAfterMidnightMakesTheNewDaysLogDirectory) {
    WriteBurnList();
    StationEngine& engine = Engine(1);
    for (int ch = 1; ch <= 16; ++ch)
        if (ch != 3) Set("CHAN_SET", "CH" + std::to_string(ch), "0");
    now_ = [] { return platform::LocalTime{2026, 12, 31, 23, 59, 59, 0}; };
    ASSERT_EQ(engine.StartAll(), 1);
    now_ = [] { return platform::LocalTime{2027, 1, 1, 0, 0, 1, 0}; };
    engine.RunJob(3);
    ASSERT_EQ(runner_.calls.size(), 1u);
    EXPECT_EQ(runner_.calls[0].channelLog, root_ + "/log/channel/2027_01_01/Chan3_0x1(2027_01_01_00_00_01).txt");
    EXPECT_TRUE(std::filesystem::is_directory(root_ + "/log/channel/2027_01_01"));
}

TEST_F(JobTest, AnExceptionInAStepEndsTheJobThroughItsVerdict) {
    WriteBurnList();
    Set("DEV_SET", "DEV_NAME0", "QM2B");
    Engine(9);
    engine_->Functions().SetTest(1);
    runner_.during = [](JobStep step) {
        if (step == S::PcbaTest) throw std::runtime_error("broken pipe");
    };
    RunJob(10);
    EXPECT_EQ(CountInLog("[10] 任务线程异常\n"), 1);
    EXPECT_EQ(channels_[10].burnResult.load(), 1);
    // A step that never finished did not pass.
    EXPECT_EQ(channels_[10].status.load(), kStatusFail);
    EXPECT_EQ(frontEnd_.notices.back().flags, 5);
}

}  // namespace
}  // namespace jobs_test
