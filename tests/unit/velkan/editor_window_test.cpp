// The editor's window driven offscreen the way an operator drives it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "velkan/driver_files.h"
#include "velkan/ui/velkan_dialog.h"
#include "velkan_fixtures.h"

namespace {

using namespace velkan;
using velkan_test::ImageWithBlock;
using velkan_test::SampleBlock;
using velkan_test::TempDir;

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "unit_velkan";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);  // lives as long as the test process
}

// Answers the window's questions and keeps its messages.
struct ScriptedPrompts : OperatorPrompts {
    std::vector<std::string>* messages;
    explicit ScriptedPrompts(std::vector<std::string>* sink) : messages(sink) {}
    void ShowMessage(const std::string& text) override { messages->push_back(text); }
    std::vector<std::string> asked;
    bool answer = false;
    bool Ask(const std::string& question) override {
        asked.push_back(question);
        return answer;
    }
    std::string ChooseImageFolder() override { return {}; }
    std::string ChooseConfigToImport() override { return {}; }
    std::string ChooseConfigToSave() override { return {}; }
    void OpenFolder(const std::string&) override {}
};

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        auto prompts = std::make_unique<ScriptedPrompts>(&messages_);
        prompts_ = prompts.get();
        dialog_ = std::make_unique<VelkanDialog>(Vesctool(""), std::move(prompts));
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    void Click(const char* caption) {
        QPushButton* button = dialog_->button(QString::fromUtf8(caption));
        ASSERT_NE(button, nullptr) << caption;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void Type(QTableWidget* grid, int row, int column, const char* text) {
        grid->setCurrentCell(row, column);
        grid->editItem(grid->item(row, column));
        auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(row, column)));
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, QString::fromUtf8(text));
        QTest::keyClick(editor, Qt::Key_Return);
    }
    // Opens the cell's drop-down list and picks an entry.
    void Pick(QTableWidget* grid, int row, int column, const char* choice) {
        grid->setCurrentCell(row, column);
        grid->editItem(grid->item(row, column));
        auto* combo = qobject_cast<QComboBox*>(grid->indexWidget(grid->model()->index(row, column)));
        ASSERT_NE(combo, nullptr);
        const int index = combo->findText(QString::fromUtf8(choice));
        ASSERT_GE(index, 0) << choice;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // On the box itself: the switch's widget is wider than box and caption.
    void Toggle(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
    UserConfigBlock BlockIn(const std::string& path) {
        std::vector<std::string> ignored;
        auto block = ReadBlockFromImage(path, Vesctool(""), [&](const std::string& t) { ignored.push_back(t); });
        EXPECT_TRUE(block) << path;
        return block.value_or(UserConfigBlock());
    }
    std::string Cell(QTableWidget* grid, int row, int column) { return grid->item(row, column)->text().toStdString(); }

    TempDir dir_;
    std::vector<std::string> messages_;
    ScriptedPrompts* prompts_ = nullptr;  // owned by the dialog
    std::unique_ptr<VelkanDialog> dialog_;
};

TEST_F(EditorWindow, CellsEditedInTheGridsGoIntoEveryCheckedImage) {
    const UserConfigBlock empty = UserConfigBlock::Fresh();
    dir_.Write("b.BIN", ImageWithBlock(empty, 64));
    dir_.Write("a.bin", ImageWithBlock(empty, 32));
    dir_.Write("notes.txt", "x");
    std::filesystem::create_directory(dir_.Path("folder.bin"));
    QTest::keyClicks(dialog_->pathField(), QString::fromStdString(dir_.path()));
    ASSERT_EQ(dialog_->ListedImages(), (std::vector<std::string>{dir_.Path("a.bin"), dir_.Path("b.BIN")}));

    Click("写入到驱动");
    EXPECT_EQ(messages_, std::vector<std::string>{"no driver file select !"});
    EXPECT_EQ(dialog_->lamps()->state(), StatusLamps::State::Fail);

    ConfigGridViews* grids = dialog_->grids();
    EXPECT_FALSE(grids->pinGrid()->isEnabled());
    Toggle(grids->pinSwitch());
    EXPECT_TRUE(grids->pinGrid()->isEnabled());
    grids->pinGrid()->item(0, 0)->setCheckState(Qt::Checked);
    Pick(grids->pinGrid(), 0, 1, "PB");
    Type(grids->pinGrid(), 0, 2, "9");
    Pick(grids->pinGrid(), 0, 3, "1");
    Toggle(grids->flashSwitch());
    grids->flashGrid()->item(3, 0)->setCheckState(Qt::Checked);
    Pick(grids->flashGrid(), 3, 1, "NOR");
    Pick(grids->flashGrid(), 3, 2, "3");
    Type(grids->flashGrid(), 3, 3, "ef");
    Type(grids->flashGrid(), 3, 4, "40");
    Type(grids->flashGrid(), 3, 5, "17");
    Type(grids->flashGrid(), 3, 6, "0");
    dialog_->SetImageChecked(0, true);
    dialog_->SetImageChecked(1, true);

    // Without a SIZE the row in use stops the write before any image.
    messages_.clear();
    Click("写入到驱动");
    EXPECT_EQ(messages_, std::vector<std::string>{"3 line flash mem_size value error !"});
    EXPECT_EQ(dir_.Read("a.bin"), ImageWithBlock(empty, 32));

    Type(grids->flashGrid(), 3, 7, "800000");
    messages_.clear();
    Click("写入到驱动");
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(dialog_->lamps()->state(), StatusLamps::State::Pass);
    for (const char* name : {"a.bin", "b.BIN"}) {
        const UserConfigBlock written = BlockIn(dir_.Path(name));
        EXPECT_EQ(written.pinMask, 1);
        EXPECT_EQ(written.pins[0].port, 1);
        EXPECT_EQ(written.pins[0].pin, 9);
        EXPECT_EQ(written.pins[0].level, 1);
        EXPECT_EQ(written.pins[1].port, 2);  // untouched rows have no TYPE
        EXPECT_EQ(written.flashMask, 1 << 3);
        const FlashEntry& flash = written.flash[3];
        EXPECT_EQ((std::vector<int>{flash.type, flash.cmd, flash.id0, flash.id1, flash.id2, flash.flag}),
                  (std::vector<int>{0, 3, 0xef, 0x40, 0x17, 0}));
        EXPECT_EQ(flash.memSize, 0x800000u);
        EXPECT_EQ(written.pmicEnable, 0);
    }
}

TEST_F(EditorWindow, ReadShowsTheFirstCheckedImageAndItsSwitches) {
    dir_.Write("x.bin", ImageWithBlock(UserConfigBlock::Fresh(), 16));
    dir_.Write("y.elf", ImageWithBlock(SampleBlock(), 16));
    dir_.Write("z.bin", ImageWithBlock(UserConfigBlock::Fresh(), 16));
    // One dropped file: only it is listed, the field shows its folder.
    dialog_->DropItems({dir_.Path("y.elf")});
    EXPECT_EQ(dialog_->ListedImages(), std::vector<std::string>{dir_.Path("y.elf")});
    EXPECT_EQ(dialog_->pathField()->text().toStdString(), dir_.path() + "/");
    // A dropped folder lists its images.
    dialog_->DropItems({dir_.path()});
    ASSERT_EQ(dialog_->ListedImages().size(), 3u);

    Click("读取驱动配置");
    EXPECT_EQ(messages_, std::vector<std::string>{"open file fail:  !"});
    EXPECT_EQ(dialog_->lamps()->state(), StatusLamps::State::Fail);

    Click("全\n选");
    EXPECT_EQ(dialog_->CheckedImages().size(), 3u);
    Click("全\n选");
    EXPECT_TRUE(dialog_->CheckedImages().empty());
    dialog_->SetImageChecked(2, true);
    dialog_->SetImageChecked(1, true);
    Click("读取驱动配置");
    EXPECT_EQ(dialog_->lamps()->state(), StatusLamps::State::Pass);
    ConfigGridViews* grids = dialog_->grids();
    EXPECT_TRUE(grids->pinSwitch()->isChecked() && grids->pinGrid()->isEnabled());
    EXPECT_TRUE(grids->pmicSwitch()->isChecked() && grids->i2cGrid()->isEnabled() && grids->channelGrid()->isEnabled());
    EXPECT_TRUE(grids->flashSwitch()->isChecked() && grids->flashGrid()->isEnabled());
    EXPECT_EQ(grids->pinGrid()->item(2, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(Cell(grids->pinGrid(), 2, 1), "PBR");
    EXPECT_EQ(Cell(grids->i2cGrid(), 0, 0), "SCL");
    EXPECT_EQ(Cell(grids->i2cGrid(), 0, 1), "PB");
    EXPECT_EQ(Cell(grids->i2cGrid(), 0, 2), "12");
    EXPECT_EQ(Cell(grids->channelGrid(), 5, 0), "PMIC_VBAT_HVSW150_1");
    EXPECT_EQ(Cell(grids->channelGrid(), 5, 1), "1");
    EXPECT_EQ(Cell(grids->flashGrid(), 1, 1), "NAND");
    EXPECT_EQ(Cell(grids->flashGrid(), 1, 3), "c8");
    EXPECT_EQ(Cell(grids->flashGrid(), 1, 7), "1000000");

    // Reading an image whose block is all off switches the grids off.
    Click("全\n选");
    dialog_->SetImageChecked(0, true);
    Click("读取驱动配置");
    EXPECT_FALSE(grids->flashSwitch()->isChecked() || grids->flashGrid()->isEnabled());
    EXPECT_EQ(Cell(grids->flashGrid(), 1, 1), "NOR");

    Click("清\n空");
    EXPECT_TRUE(dialog_->ListedImages().empty());
    EXPECT_TRUE(dialog_->pathField()->text().isEmpty());
}

// Esc (or the close button) with the focus in a grid asks before it drops
// edits that were not read, saved or written; untouched grids close at once.
TEST_F(EditorWindow, EscAsksBeforeDroppingEditsNotReadSavedOrWritten) {
    QTableWidget* pins = dialog_->grids()->pinGrid();
    Toggle(dialog_->grids()->pinSwitch());
    Type(pins, 2, 2, "7");
    pins->setFocus();
    QTest::keyClick(pins, Qt::Key_Escape);
    EXPECT_EQ(prompts_->asked.size(), 1u);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(Cell(pins, 2, 2), "7");

    prompts_->answer = true;
    QTest::keyClick(pins, Qt::Key_Escape);
    EXPECT_EQ(prompts_->asked.size(), 2u);
    EXPECT_FALSE(dialog_->isVisible());

    dialog_->show();
    Toggle(dialog_->grids()->pinSwitch());  // back to what the window started with
    pins->item(2, 2)->setText("");
    prompts_->answer = false;
    QTest::keyClick(pins, Qt::Key_Escape);
    EXPECT_EQ(prompts_->asked.size(), 2u);
    EXPECT_FALSE(dialog_->isVisible());
}

}  // namespace

// Under the sanitizers: allocations Qt and its font and platform libraries
// keep for the life of the process are no leaks of the editor's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6\nleak:libglib\nleak:libdbus\n";
}
