#pragma once
// The station function in use: loaded at start-up, changed by the ribbon's
// function switch and its bit toggles. Channel jobs read it when they start.
#include <atomic>

namespace station {

class StationSettings;

class FunctionSelection {
public:
    // FUNC_TYPE with the start-up rule (a value without any of the bits 0xF
    // becomes burn), CALI_TYPE, TEST_TYPE without bit 0x100, and the erase
    // mask of the function. *replaced tells the caller to warn.
    void Load(const StationSettings& settings, bool* replaced = nullptr);
    // Switches to `funcType`, re-reads its erase mask and writes FUNC_TYPE.
    void Select(const StationSettings& settings, int funcType);

    int Func() const { return func_; }
    int Cali() const { return cali_; }
    int Test() const { return test_; }
    int Erase() const { return erase_; }
    void SetCali(int mask) { cali_ = mask; }
    void SetTest(int mask) { test_ = mask; }
    void SetErase(int mask) { erase_ = mask; }

private:
    std::atomic<int> func_{1};
    std::atomic<int> cali_{0};
    std::atomic<int> test_{0};
    std::atomic<int> erase_{0};
};

}  // namespace station
