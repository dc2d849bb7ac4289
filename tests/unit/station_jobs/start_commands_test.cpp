// The start and stop commands: their checks, messages and log lines, and
// what a started channel's thread then does.
#include "tests/unit/station_jobs/job_harness.h"

#include <thread>

namespace jobs_test {
namespace {

TEST_F(JobTest, StartOneRefusesWithTheLineOfTheFailedCheck) {
    Engine(1);
    Set("CHAN_SET", "CH2", "0");
    EXPECT_FALSE(engine_->StartOne(2));
    EXPECT_EQ(CountInLog("[0] 通道未选择 2\n"), 1);

    channels_[3].port.Set(kNoPort);
    EXPECT_FALSE(engine_->StartOne(3));
    EXPECT_EQ(CountInLog("[0] 端口无效 3\n"), 1);

    channels_[4].status = kStatusRunning;  // the start button doubles as stop
    EXPECT_FALSE(engine_->StartOne(4));
    EXPECT_EQ(channels_[4].stopRequested.load(), 1);
    EXPECT_EQ(CountInLog("[0] 用户停止运行 4\n"), 1);

    channels_[5].status = kStatusFail;
    channels_[5].macText.Set("001122334455");
    EXPECT_FALSE(engine_->StartOne(5));  // no burn list
    EXPECT_EQ(CountInLog("[0] 下载列表配置文件ImgBurnList.txt不存在 5\n"), 1);
    EXPECT_EQ(frontEnd_.messages,
              std::vector<std::string>{"x 下载列表配置文件ImgBurnList.txt不存在，请打开文件按钮配置!"});
    EXPECT_EQ(channels_[5].status.load(), kStatusIdle) << "the row is reset before the list check";
    EXPECT_EQ(channels_[5].macText.Get(), "");

    frontEnd_.secondaryScreen = true;
    WriteBurnList();
    EXPECT_FALSE(engine_->StartOne(6));
    EXPECT_EQ(frontEnd_.messages.back(), "x 请先返回主界面!");
    frontEnd_.secondaryScreen = false;

    EXPECT_TRUE(engine_->StartOne(6));
    EXPECT_EQ(channels_[6].singleStart.load(), 1);
    EXPECT_FALSE(engine_->Controls(6).Selectable());
    EXPECT_TRUE(std::filesystem::is_directory(ChannelLogDayDirectory(root_, platform::LocalTimeNow())));
    EXPECT_TRUE(channels_.channelStartEvent(6).IsSet());
    EXPECT_EQ(numbers_.startCommands, 1);
}

TEST_F(JobTest, FunctionChecksRefuseOrAskBeforeAnyChannelStarts) {
    struct Case {
        int func, cali, test, erase;
        const char* device;
        const char* crystalType;
        bool answer;
        const char* message;   // shown, or "" for none
        const char* question;  // asked, or "" for none
        bool started;
    };
    const std::vector<Case> cases = {
        {4, 1, 0, 0, "QM2D", "1", false, "x 目前无线校准功能不支持 QM2D 设备!", "", false},
        {4, 1, 0, 0, "QM2A", "0", false, "x 目前版本 QM2A 不支持有线校准功能!", "", false},
        {4, 2, 0, 0, "QM2A", "1", false, "x 目前版本 QM2A 不支持电池测量校准功能!", "", false},
        {8, 0, 1, 0, "QM2E", "0", false, "x 目前测试功能只支持 QM2B/QM2C/QM2A 设备!", "", false},
        {8, 0, 1, 0, "QM2C", "0", false, "x 测试固件信息需要填写 蓝牙名称、蓝牙版本、固件版本、BLE名称 信息!", "", false},
        {2, 0, 0, 0x1, "QM2A_NAND", "0", false, "", "擦除FLASH会擦除产线数据区，确定要执行 ?", false},
        {2, 0, 0, 0x1, "QM2A_NAND", "0", true, "", "擦除FLASH会擦除产线数据区，确定要执行 ?", true},
        {2, 0, 0, 0x10, "QM2B", "0", true, "只有2A芯片的NAND方案支持擦除 产线数据区 !", "", false},
        {2, 0, 0, 0x10, "QM2A_NAND", "0", true, "", "确定要擦除 产线数据区 ?", true},
        {1, 0, 0, 0, "QM2B", "0", true, "x 下载列表配置文件ImgBurnList.txt不存在，请打开文件按钮配置!", "", false},
        // A UART device without a RAM loader: refused before any number is
        // spent; the GNSS load needs none.
        {1, 0, 0, 0, "QM2X", "0", true, "未找到对应的串口驱动，请确认!", "", false},
        {2, 0, 0, 0x1, "QM2X", "0", true, "未找到对应的串口驱动，请确认!", "", false},
        {16, 0, 0, 0, "QM2X", "0", true, "", "", true},
    };
    Engine(1);
    for (int ch = 2; ch <= 16; ++ch) Set("CHAN_SET", "CH" + std::to_string(ch), "0");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device) + " FUNC_TYPE " + std::to_string(c.func));
        Set("DEV_SET", "DEV_NAME0", c.device);
        Set("CALI_SET", "CALI_CRYSTALTYPE", c.crystalType);
        Set("PCBA_TEST", "FW_VERSION", std::string(c.message).find("固件") == std::string::npos ? "v1" : "");
        engine_->Functions().Select(*settings_, c.func);
        engine_->Functions().SetCali(c.cali);
        engine_->Functions().SetTest(c.test);
        engine_->Functions().SetErase(c.erase);
        frontEnd_.messages.clear();
        frontEnd_.questions.clear();
        frontEnd_.answer = c.answer;
        channels_.channelStartEvent(1).WaitFor(std::chrono::milliseconds(0));
        const int started = engine_->StartAll();
        EXPECT_EQ(started, c.started ? 1 : -1);
        EXPECT_EQ(frontEnd_.messages, *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        EXPECT_EQ(frontEnd_.questions, *c.question ? std::vector<std::string>{c.question} : std::vector<std::string>{});
    }
    // Above 6000000 baud the 8M loader is needed, also by the channel's own start.
    WriteBurnList();
    Set("UART_FILTER", "BAUND", "8000000");
    Set("DEV_SET", "DEV_NAME0", "QM2B");
    engine_->Functions().Select(*settings_, 1);
    frontEnd_.messages.clear();
    const int startCommands = numbers_.startCommands;
    EXPECT_FALSE(engine_->StartOne(1));
    EXPECT_EQ(frontEnd_.messages, std::vector<std::string>{"未找到8M波特率的驱动，请设置6M以内波特率!"});
    EXPECT_EQ(numbers_.startCommands, startCommands);
    Set("UART_DRIVER_8M", "QM2B", "ram_patch_8M.bin");
    EXPECT_TRUE(engine_->StartOne(1));
    Set("UART_FILTER", "BAUND", "0");
    channels_.channelStartEvent(1).WaitFor(std::chrono::milliseconds(0));
    std::remove((root_ + "/temp/ImgBurnList.txt").c_str());

    // The channel's own start logs the area refusal instead of showing it.
    Set("DEV_SET", "DEV_NAME0", "QM2B");
    engine_->Functions().Select(*settings_, 2);
    engine_->Functions().SetErase(0x10);
    frontEnd_.messages.clear();
    EXPECT_FALSE(engine_->StartOne(1));
    EXPECT_TRUE(frontEnd_.messages.empty());
    EXPECT_EQ(CountInLog("[0] 只有2a芯片的NAND方案支持擦除 产线数据区 !\n"), 1);
}

TEST_F(JobTest, StartAllSkipsChannelsWithALineEachAndStopAllStopsTheBusyOnes) {
    WriteBurnList();
    Engine(1);
    for (int ch = 1; ch <= 16; ++ch) Set("CHAN_SET", "CH" + std::to_string(ch), ch <= 3 ? "1" : "0");
    channels_[1].status = kStatusMonitoring;
    channels_[2].port.Set(kNoPort);
    EXPECT_EQ(engine_->StartAll(), 1);
    EXPECT_EQ(CountInLog("[0] 点击运行按钮\n"), 1);
    EXPECT_EQ(CountInLog("[0] 通道1已在运行\n"), 1);
    EXPECT_EQ(CountInLog("[0] 通道2无有效端口\n"), 1);
    EXPECT_EQ(CountInLog("未打开\n"), 13);
    EXPECT_EQ(channels_[3].singleStart.load(), 0);
    EXPECT_TRUE(channels_.channelStartEvent(3).IsSet());

    engine_->StopAll();
    EXPECT_EQ(CountInLog("[0] 点击停止按钮\n"), 1);
    EXPECT_EQ(CountInLog("[0] 通道1强制关闭\n"), 1);
    EXPECT_EQ(channels_[1].stopRequested.load(), 1);

    EXPECT_FALSE(engine_->SelectFunction(2)) << "channel 1 is busy";
    EXPECT_EQ(frontEnd_.messages.back(), "有通道处于工作状态，不可切换功能，请先停止运行!");
    EXPECT_EQ(engine_->Functions().Func(), 1);
    channels_[1].status = kStatusIdle;
    EXPECT_TRUE(engine_->SelectFunction(2));
    EXPECT_EQ(settings_->Read(COMMON_SET::FUNC_TYPE), 2);
    EXPECT_EQ(engine_->Controls(5).Caption(), "擦除");
}

TEST_F(JobTest, CalibrationOnQm2aResetsTheChannelsIntoBootModeFirst) {
    Set("DEV_SET", "DEV_NAME0", "QM2A");
    Set("CALI_SET", "CALI_CRYSTALTYPE", "1");
    Engine(4);
    engine_->Functions().SetCali(1);
    for (int ch = 3; ch <= 16; ++ch) Set("CHAN_SET", "CH" + std::to_string(ch), "0");
    channels_[2].status = kStatusRunning;
    EXPECT_EQ(engine_->StartAll(), 1);
    EXPECT_EQ(boot_.resets, std::vector<int>{1});
    EXPECT_EQ(settings_->Read(COMMON_SET::RESET_BOOT), 1);
}

// The real threads: loop monitoring re-arms each channel until its job count
// is reached, every job ends with flags 5; without a count a stop while
// waiting for the next device ends the row OVER.
TEST_F(JobTest, ThreadsRunRowsOfJobsUntilTheCountOrAStop) {
    WriteBurnList();
    Set("COMMON_SET", "MODE_TYPE", "2");
    for (int ch = 3; ch <= 16; ++ch) Set("CHAN_SET", "CH" + std::to_string(ch), "0");
    Set("COMMON_SET", "FUNC_TYPE", "1");
    for (int ch = 1; ch <= 16; ++ch) channels_[ch].port.Set("/dev/pts/" + std::to_string(90 + ch));
    boot_.clock = &platform::SystemClock();  // the channel threads share no virtual clock
    StationEngine engine(*settings_, channels_, StationParts{runner_, numbers_, boot_, frontEnd_});
    engine.Functions().Load(*settings_);
    engine.SetJobsPerStart(3);
    engine.StartThreads();
    auto waitIdle = [&] {
        for (int i = 0; i < 6000 && engine.AnyActive(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !engine.AnyActive();
    };
    ASSERT_EQ(engine.StartAll(), 2);
    EXPECT_TRUE(waitIdle());
    EXPECT_EQ(frontEnd_.JobEnds(1), 3);
    EXPECT_EQ(frontEnd_.JobEnds(2), 3);
    EXPECT_EQ(runner_.calls.size(), 6u);
    EXPECT_EQ(channels_[1].status.load(), kStatusPass);

    engine.SetJobsPerStart(0);
    boot_.answerAfterMs = -1;  // the next device never comes
    ASSERT_EQ(engine.StartAll(), 2);
    for (int i = 0; i < 12000 && channels_[2].status.load() != kStatusMonitoring; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    engine.StopAll();
    EXPECT_TRUE(waitIdle());
    EXPECT_EQ(channels_[2].status.load(), kStatusIdle);
    EXPECT_EQ(runner_.calls.size(), 6u);
    engine.StopThreads();
}

}  // namespace
}  // namespace jobs_test
