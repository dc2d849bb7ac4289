#include "station/ui/panel_variant.h"

namespace station::ui {

namespace {

// The PCBA items in the panels' column order, with their TEST_TYPE bits.
std::vector<ResultColumn> TestColumns() {
    return {{"固件", "", ResultKind::kTestItem, 0x1},    {"MAC", "", ResultKind::kTestItem, 0x8},
            {"BT", "", ResultKind::kTestItem, 0x2},      {"Sensor", "", ResultKind::kTestItem, 0x4},
            {"第三方", "", ResultKind::kTestItem, 0x10}, {"HR", "", ResultKind::kTestItem, 0x20},
            {"Flash", "", ResultKind::kTestItem, 0x40},  {"充电", "", ResultKind::kTestItem, 0x80},
            {"CYWEE", "", ResultKind::kTestItem, 0x100}, {"WIFI", "", ResultKind::kTestItem, 0x200}};
}

std::vector<ResultColumn> With(std::vector<ResultColumn> head, const std::vector<ResultColumn>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// Columns of the test panels, and the self-naming cells ("晶体 -") of the
// calibration panels.
const ResultColumn kBurnCell{"烧录", "", ResultKind::kBurn};
const ResultColumn kCrystalCell{"晶体", "", ResultKind::kCrystal};
const ResultColumn kBatteryCell{"电池", "", ResultKind::kBattery};
const ResultColumn kBurnNamed{"", "烧录 ", ResultKind::kBurn};
const ResultColumn kCrystalNamed{"", "晶体 ", ResultKind::kCrystal};
const ResultColumn kBatteryNamed{"", "电池 ", ResultKind::kBattery};

}  // namespace

const std::vector<PanelVariant>& PanelVariants() {
    static const std::vector<PanelVariant> variants = {
        {"CDownloadDlg", 101, "烧录", true, true,
         {{"", "", ResultKind::kVerdict}, {"", "", ResultKind::kMac}, {"", "", ResultKind::kSn, 0, true}}},
        {"CDownloadBCDlg", 104, "烧+校", true, true, {kCrystalNamed, kBatteryNamed, kBurnNamed}},
        {"CDownloadBCTDlg", 106, "烧+校+测", false, false, With({kBurnCell, kCrystalCell, kBatteryCell}, TestColumns())},
        {"CDownloadBTDlg", 107, "烧+测", false, false, With({kBurnCell}, TestColumns())},
        {"CDownloadCDlg", 102, "校准", true, false, {kCrystalNamed, kBatteryNamed}},
        {"CDownloadCTDlg", 108, "校+测", false, false, With({kCrystalCell, kBatteryCell}, TestColumns())},
        {"CDownloadTDlg", 103, "测试", false, false, TestColumns()},
    };
    return variants;
}

int PanelIndexFor(int funcType) {
    switch (funcType) {
        case 5: return 1;
        case 13: return 2;
        case 9: return 3;
        case 4: return 4;
        case 12: return 5;
        case 8: return 6;
        default: return 0;  // 1 burn, 2 erase, 16 GPS burn
    }
}

}  // namespace station::ui
