#pragma once
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

#include "velkan/editor_session.h"
#include "velkan/ui/config_grid_views.h"
#include "velkan/ui/operator_prompts.h"
#include "velkan/ui/status_lamps.h"

namespace velkan {

// The editor's one window: pick loader images, edit the block in the grids,
// write it into the images or a configuration file.
class VelkanDialog : public QDialog {
    Q_OBJECT
public:
    // prompts: how to ask the operator (null: the real dialogs).
    explicit VelkanDialog(Vesctool tool, std::unique_ptr<OperatorPrompts> prompts = nullptr, QWidget* parent = nullptr);

    // The actions of the buttons.
    void WriteToDrivers();
    void ReadDriverConfig();
    void SaveConfig();
    void ImportConfig();
    void BrowseFolder();
    void OpenFolder();
    void ToggleSelectAll();
    void ClearList();
    // As if these files and folders were dropped onto the window.
    void DropItems(const std::vector<std::string>& items);

    std::vector<std::string> ListedImages() const;
    std::vector<std::string> CheckedImages() const;
    void SetImageChecked(int row, bool checked);

    QLineEdit* pathField() const { return pathField_; }
    QTreeWidget* fileList() const { return fileList_; }
    ConfigGridViews* grids() const { return grids_; }
    StatusLamps* lamps() const { return lamps_; }
    QPushButton* button(const QString& caption) const;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

public slots:
    // Esc and the close button: edits not read, saved or written are not
    // dropped without asking.
    void reject() override;

private:
    void ListFolder(const QString& folder);
    void FillList(const std::vector<std::string>& images);
    void SetPathQuietly(const QString& text);
    void ShowAbout();
    // What the grids held when last read, imported, saved or written.
    void MarkGridsKept() { kept_ = grids_->Read(); }

    std::unique_ptr<OperatorPrompts> prompts_;
    EditorSession session_;
    QLineEdit* pathField_;
    QTreeWidget* fileList_;
    ConfigGridViews* grids_;
    StatusLamps* lamps_;
    ConfigGrids kept_;
};

}  // namespace velkan
