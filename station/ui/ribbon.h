#pragma once
// The ribbon of the main window as a tool bar area: the application button
// with its menu, then one tool bar per group, each group its buttons over its
// caption. Commands are actions named as in
// the ribbon resource (ID_RUNALL, ...); the main window connects them.
#include <QObject>
#include <QString>
#include <map>
#include <string>
#include <vector>

class QAction;
class QMainWindow;
class QToolBar;
class QToolButton;
class QWidget;

namespace station::ui {

struct RibbonCommand {
    const char* name;
    int id;
    const char* caption;
    const char* description = "";
    bool checkable = false;
};

// Caption of the two run buttons for a function ("全流程" for 13).
const char* RunCaption(int funcType);

class Ribbon : public QObject {
    Q_OBJECT
public:
    explicit Ribbon(QMainWindow& window);

    QAction* Action(const std::string& name) const;
    // The nine groups kept at creation, then the groups of the function:
    // atCreation follows the start-up rule, otherwise the switch rule.
    void ShowFunctionGroups(int funcType, bool atCreation);
    // The run group's first element: the locked or the unlocked run button.
    void ShowLocked(bool locked);
    void SetRunCaption(int funcType);
    // Group captions currently shown, in order (tests).
    std::vector<QString> GroupCaptions() const;
    // The ribbon's font follows the window's height.
    void ScaleFont(int pixelSize);
    // A function group that does not fit beside the others folds into one
    // button that lists its commands, as a narrow ribbon does, so that every
    // caption stays whole.
    void FitWidth(int width);

private:
    QAction* Make(const RibbonCommand& command);
    void AddApplicationButton();
    QToolButton* MakeButton(QWidget* group, const std::string& name, bool large);
    void ApplyFont(QWidget* bar) const;
    QToolBar* AddGroup(const char* caption, const std::vector<std::string>& large,
                       const std::vector<std::string>& small = {});
    // A function group: AddGroup, with its folded form beside it (hidden).
    QToolBar* AddFoldingGroup(const char* caption, const std::vector<std::string>& small);
    int GroupsWidth() const;

    QMainWindow& window_;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QWidget*> runButtons_;  // the locked and unlocked run elements
    std::vector<QToolBar*> fixedGroups_;
    std::vector<QToolBar*> functionGroups_;
    // Per function group: its actions in the bar, unfolded and folded.
    struct Folding {
        QAction* unfolded;
        QAction* folded;
    };
    std::map<QToolBar*, Folding> folding_;
    int fontPixels_ = 0;  // 0: the application's font
};

}  // namespace station::ui
