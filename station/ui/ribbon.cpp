#include "station/ui/ribbon.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "station/engine/jobs/function_type.h"
#include "station/ui/ui_text.h"

namespace station::ui {

namespace {

const std::vector<RibbonCommand>& Commands() {
    static const std::vector<RibbonCommand> commands = {
        {"ID_RUNALL", 32771, "烧录", "启动所有选择通道运行进程"},
        {"ID_RUNALL_SIMPLE", 32843, "烧录", "启动所有选择通道运行进程"},
        {"ID_STOPALL", 32772, "停止", "停止所有通道正在运行的进程"},
        {"ID_SELLALL", 32777, "全选", "选择/取消选择所有通道"},
        {"ID_SCANPORT", 32773, "扫描", "扫描所有通道端口"},
        {"ID_CLEANSTATUS", 32783, "清除", "复位状态信息"},
        {"ID_BURNFILE_SET", 32775, "参数", "设置烧录文件信息及常规环境参数"},
        {"ID_LOCKALL", 32780, "锁定", "锁定配置信息，避免误触发", true},
        {"ID_FUNCSEL_BURN", 32809, "烧录", "", true},
        {"ID_FUNCSEL_ERASE", 32811, "擦除", "", true},
        {"ID_FUNCSEL_CALI", 32810, "校准", "", true},
        {"ID_FUNCSEL_BURN_CALI", 32825, "烧录+校准", "", true},
        {"ID_CRYSTAL_CALI", 32797, "48M晶体", "", true},
        {"ID_BATTERY_CALI", 32798, "电池测量", "", true},
        {"ID_CALI_PARA", 32805, "校准参数"},
        {"ID_ERASE_FLASH", 32803, "擦除整片FLASH",
         "擦除FLASH上所有数据。对于2B芯片还会擦除MAC/SN等信息，对于2A芯片还会擦除MAC/SN以及校准数据等信息。", true},
        {"ID_ERASE_NORMAL", 32836, "擦除非产线数据区", "擦除FLASH上数据。不会擦除写入的MAC/SN/校准信息等数据", true},
        {"ID_FWINFO_SEL", 32814, "固件信息", "", true},
        {"ID_BT_SEL", 32813, "音频蓝牙", "", true},
        {"ID_GSENSOR_SEL", 32815, "G-Sensor", "", true},
        {"ID_MAC_SEL", 32816, "MAC", "", true},
        {"ID_TP_SEL", 32819, "第三方", "", true},
        {"ID_HR_SEL", 32817, "HR", "", true},
        {"ID_FLASH_SEL", 32818, "Flash", "", true},
        {"ID_CHARGE_SEL", 32820, "充电", "", true},
        {"ID_VOLTAD_SEL", 32821, "CYWEE", "", true},
        {"ID_ALPAY_SEL", 32832, "乘车码", "", true},
        {"ID_TEST_PARA", 32831, "测试参数"},
        {"ID_ALRET_NET", 32833, "回传"},
        {"ID_MONITOR_NO", 32842, "无监控", "正常烧录模式，启动烧录后就默认烧录环境已正常，直接烧录，烧录完成后结束", true},
        {"ID_MONITOR_ONCE", 32840, "监控(单次)", "启动烧录后进入监控模式，检测到板子上电后再烧录，烧录完成后结束", true},
        {"ID_MONITOR_LOOP", 32841, "监控(循环)",
         "启动烧录后进入监控模式，检测到板子上电后再烧录，烧录完成后再进入监控模式", true},
        {"ID_APP_INFO", 32834, "第三方功能信息"},
        {"ID_APP_ABOUT", 57664, "关于 Torvane"},
        {"ID_APP_MANUAL", 32787, "使用说明"},
    };
    return commands;
}

}  // namespace

// The channels' start captions, except that the whole flow is "全流程" here
// and a value that is no job keeps the burn caption.
const char* RunCaption(int funcType) {
    if (funcType == (kFuncBurn | kFuncCalibrate | kFuncTest)) return "全流程";
    return IsJobFunction(funcType) ? ButtonCaption(funcType) : ButtonCaption(kFuncBurn);
}

Ribbon::Ribbon(QMainWindow& window) : QObject(&window), window_(window) {
    for (const RibbonCommand& command : Commands()) Make(command);
    // The "回传" button has no command: it is shown disabled.
    Action("ID_ALRET_NET")->setEnabled(false);
    AddApplicationButton();
    fixedGroups_ = {
        AddGroup("运行", {"ID_RUNALL", "ID_RUNALL_SIMPLE"}),
        AddGroup("停止", {"ID_STOPALL"}),
        AddGroup("通道", {"ID_SELLALL"}),
        AddGroup("状态", {"ID_CLEANSTATUS"}),
        AddGroup("端口", {"ID_SCANPORT"}),
        AddGroup("设置", {"ID_BURNFILE_SET"},
                 {"ID_FUNCSEL_BURN", "ID_FUNCSEL_ERASE", "ID_FUNCSEL_CALI", "ID_FUNCSEL_BURN_CALI"}),
        AddGroup("乘车码", {"ID_ALRET_NET"}),
        AddGroup("锁定", {"ID_LOCKALL"}),
        AddGroup("监控上电", {}, {"ID_MONITOR_NO", "ID_MONITOR_ONCE", "ID_MONITOR_LOOP"}),
    };
}

QAction* Ribbon::Make(const RibbonCommand& command) {
    auto* action = new QAction(Q(command.caption), this);
    action->setObjectName(command.name);
    action->setData(command.id);
    action->setCheckable(command.checkable);
    if (*command.description) {
        action->setToolTip(Q(command.description));
        action->setStatusTip(Q(command.description));
    }
    actions_[command.name] = action;
    return action;
}

QAction* Ribbon::Action(const std::string& name) const { return actions_.at(name); }

// The ribbon's main button: the information window, the about box and the
// manual, in a menu as an application button holds them.
void Ribbon::AddApplicationButton() {
    auto* bar = new QToolBar(Q("Torvane"), &window_);
    bar->setObjectName("ApplicationButton");
    bar->setMovable(false);
    bar->setFloatable(false);
    auto* button = new QToolButton(bar);
    button->setObjectName("ApplicationButton");
    button->setText(Q("Torvane"));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    auto* menu = new QMenu(button);
    for (const char* name : {"ID_APP_INFO", "ID_APP_ABOUT", "ID_APP_MANUAL"}) menu->addAction(Action(name));
    button->setMenu(menu);
    bar->addWidget(button);
    window_.addToolBar(Qt::TopToolBarArea, bar);
}

QToolButton* Ribbon::MakeButton(QWidget* group, const std::string& name, bool large) {
    auto* button = new QToolButton(group);
    button->setDefaultAction(Action(name));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (large) {
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    } else {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        button->setAutoRaise(true);
    }
    if (name.rfind("ID_RUNALL", 0) == 0) runButtons_[name] = button;
    return button;
}

// A group: its large buttons side by side, then its small ones three to a
// column, over its greyed caption, as on a ribbon.
QToolBar* Ribbon::AddGroup(const char* caption, const std::vector<std::string>& large,
                           const std::vector<std::string>& small) {
    auto* bar = new QToolBar(Q(caption), &window_);
    bar->setObjectName(Q(caption));
    bar->setMovable(false);
    bar->setFloatable(false);
    // Tight, as a ribbon's groups are: at the smallest width every group fits.
    bar->layout()->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setSpacing(0);
    auto* group = new QWidget(bar);
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(1, 2, 1, 0);
    column->setSpacing(1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (const std::string& name : large) buttons->addWidget(MakeButton(group, name, true));
    constexpr int kRowsOfSmall = 3;
    for (size_t first = 0; first < small.size(); first += kRowsOfSmall) {
        auto* stack = new QVBoxLayout;
        stack->setSpacing(0);
        for (size_t i = first; i < std::min(small.size(), first + kRowsOfSmall); ++i)
            stack->addWidget(MakeButton(group, small[i], false));
        stack->addStretch();
        buttons->addLayout(stack);
    }
    column->addLayout(buttons, 1);
    auto* title = new QLabel(Q(caption), group);
    title->setAlignment(Qt::AlignCenter);
    title->setEnabled(false);  // drawn greyed, as group captions are
    column->addWidget(title);
    bar->addWidget(group);
    ApplyFont(bar);
    window_.addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

// The folded form: one button named by the group, its commands in a menu
// (the toggles with their ticks).
QToolBar* Ribbon::AddFoldingGroup(const char* caption, const std::vector<std::string>& small) {
    QToolBar* bar = AddGroup(caption, {}, small);
    auto* button = new QToolButton(bar);
    button->setText(Q(caption));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    auto* menu = new QMenu(button);
    for (const std::string& name : small) menu->addAction(Action(name));
    button->setMenu(menu);
    QAction* folded = bar->addWidget(button);
    folded->setVisible(false);
    folding_[bar] = {bar->actions().front(), folded};
    ApplyFont(bar);
    return bar;
}

int Ribbon::GroupsWidth() const {
    int width = 0;
    for (QToolBar* bar : window_.findChildren<QToolBar*>())
        if (!bar->isHidden() && window_.toolBarArea(bar) == Qt::TopToolBarArea) width += bar->sizeHint().width();
    return width;
}

void Ribbon::FitWidth(int width) {
    for (QToolBar* bar : functionGroups_) {
        const Folding& fold = folding_.at(bar);
        fold.unfolded->setVisible(true);
        fold.folded->setVisible(false);
    }
    // The last groups fold first, until the ribbon fits.
    for (auto bar = functionGroups_.rbegin(); bar != functionGroups_.rend() && GroupsWidth() > width; ++bar) {
        const Folding& fold = folding_.at(*bar);
        fold.unfolded->setVisible(false);
        fold.folded->setVisible(true);
    }
}

void Ribbon::ShowFunctionGroups(int funcType, bool atCreation) {
    for (QToolBar* bar : functionGroups_) {
        window_.removeToolBar(bar);
        folding_.erase(bar);
        bar->deleteLater();
    }
    functionGroups_.clear();
    const bool erase = funcType & kFuncErase;
    // At start the calibration group follows the calibration bit; a switch
    // shows it for burn too (its buttons then stay disabled).
    const bool cali = atCreation ? (funcType & kFuncCalibrate) : (funcType == 1 || funcType == 4 || funcType == 5);
    const bool test = atCreation && (funcType & kFuncTest);
    if (erase) functionGroups_.push_back(AddFoldingGroup("擦 FLASH", {"ID_ERASE_FLASH", "ID_ERASE_NORMAL"}));
    if (cali) functionGroups_.push_back(AddFoldingGroup("校准项", {"ID_CRYSTAL_CALI", "ID_BATTERY_CALI", "ID_CALI_PARA"}));
    if (test)
        functionGroups_.push_back(AddFoldingGroup("PCBA测试项", {"ID_FWINFO_SEL", "ID_BT_SEL", "ID_GSENSOR_SEL",
                                                                "ID_MAC_SEL", "ID_TP_SEL", "ID_HR_SEL", "ID_FLASH_SEL",
                                                                "ID_CHARGE_SEL", "ID_VOLTAD_SEL", "ID_ALPAY_SEL",
                                                                "ID_TEST_PARA"}));
    FitWidth(window_.width());
}

void Ribbon::ShowLocked(bool locked) {
    // A button made from an action does not follow the action's visibility.
    Action("ID_RUNALL")->setVisible(!locked);
    Action("ID_RUNALL_SIMPLE")->setVisible(locked);
    runButtons_.at("ID_RUNALL")->setVisible(!locked);
    runButtons_.at("ID_RUNALL_SIMPLE")->setVisible(locked);
}

void Ribbon::SetRunCaption(int funcType) {
    for (const char* name : {"ID_RUNALL", "ID_RUNALL_SIMPLE"}) Action(name)->setText(Q(RunCaption(funcType)));
}

std::vector<QString> Ribbon::GroupCaptions() const {
    std::vector<QString> captions;
    for (QToolBar* bar : fixedGroups_) captions.push_back(bar->windowTitle());
    for (QToolBar* bar : functionGroups_) captions.push_back(bar->windowTitle());
    return captions;
}

void Ribbon::ScaleFont(int pixelSize) {
    fontPixels_ = pixelSize;
    for (QToolBar* bar : window_.findChildren<QToolBar*>()) ApplyFont(bar);
}

// Groups made after a resize take the ribbon's current size too.
void Ribbon::ApplyFont(QWidget* bar) const {
    if (fontPixels_ <= 0) return;
    QFont font = bar->font();
    font.setPixelSize(fontPixels_);
    bar->setFont(font);
}

}  // namespace station::ui
