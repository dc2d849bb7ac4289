#pragma once
// The seven channel panels, one per function combination: which columns a
// row shows and which panel a function selects.
#include <vector>

namespace station::ui {

enum class ResultKind {
    kVerdict,  // the job's verdict (phase text while it runs)
    kMac,
    kSn,
    kBurn,
    kCrystal,
    kBattery,
    kTestItem,  // one PCBA test item, by its bit
};

struct ResultColumn {
    const char* header;  // column caption; empty where the cell names itself
    const char* prefix;  // text before the cell's value ("晶体 -")
    ResultKind kind;
    int testBit = 0;
    bool wide = false;
};

struct PanelVariant {
    const char* name;  // the panel's class name, for tests and screenshots
    int dialog;
    const char* caption;  // start button caption of the function
    bool progressBar;
    bool headerTexts;  // "三元组剩余:" and "微信剩余:" (hidden at start)
    std::vector<ResultColumn> columns;
};

// The panels in the order the view makes them (burn panel first).
const std::vector<PanelVariant>& PanelVariants();
// Index into PanelVariants() of the panel shown for FUNC_TYPE: burn, erase
// and GPS burn share the burn panel; every other value has its own.
int PanelIndexFor(int funcType);

}  // namespace station::ui
