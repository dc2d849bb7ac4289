#include "velkan/ui/velkan_dialog.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalBlocker>
#include <QUrl>
#include <QVBoxLayout>

#include "velkan/image_listing.h"

namespace velkan {
namespace {

constexpr const char* kVersion = "1.0";

// Button actions run to their end under the wait cursor.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QPushButton* AddButton(QWidget* parent, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

VelkanDialog::VelkanDialog(Vesctool tool, std::unique_ptr<OperatorPrompts> prompts, QWidget* parent)
    : QDialog(parent),
      prompts_(prompts ? std::move(prompts) : std::make_unique<DialogPrompts>(this)),
      session_([this](const std::string& text) { prompts_->ShowMessage(text); }, std::move(tool)) {
    setWindowTitle(QStringLiteral("Velkan %1").arg(kVersion));
    setAcceptDrops(true);

    auto* hint = new QLabel(QStringLiteral("选择uart/jlink驱动路径，或者拖入uart/jink下驱动文件或者所在路径，然后在列表中选择"), this);
    pathField_ = new QLineEdit(this);
    QPushButton* browse = AddButton(this, "...");
    QPushButton* open = AddButton(this, ">>");

    fileList_ = new QTreeWidget(this);
    fileList_->setColumnCount(1);
    fileList_->setHeaderHidden(true);
    fileList_->setRootIsDecorated(false);
    fileList_->header()->setStretchLastSection(false);
    fileList_->setColumnWidth(0, int(2000 * logicalDpiX() / 96.0));
    QPushButton* selectAll = AddButton(this, "全\n选");
    QPushButton* clear = AddButton(this, "清\n空");

    grids_ = new ConfigGridViews(this);
    QPushButton* write = AddButton(this, "写入到驱动");
    QPushButton* read = AddButton(this, "读取驱动配置");
    QPushButton* save = AddButton(this, "保存配置");
    QPushButton* import = AddButton(this, "导入配置");
    lamps_ = new StatusLamps(this);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(pathField_, 1);
    pathRow->addWidget(browse);
    pathRow->addWidget(open);
    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(selectAll);
    listButtons->addWidget(clear);
    listButtons->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(fileList_, 1);
    listRow->addLayout(listButtons);
    auto* actionRow = new QHBoxLayout;
    for (QPushButton* b : {write, read, save, import}) actionRow->addWidget(b);
    actionRow->addSpacing(24);
    actionRow->addWidget(lamps_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(pathRow);
    layout->addLayout(listRow, 1);
    layout->addWidget(grids_, 3);
    layout->addLayout(actionRow);

    connect(pathField_, &QLineEdit::textChanged, this, &VelkanDialog::ListFolder);
    connect(browse, &QPushButton::clicked, this, &VelkanDialog::BrowseFolder);
    connect(open, &QPushButton::clicked, this, &VelkanDialog::OpenFolder);
    connect(selectAll, &QPushButton::clicked, this, &VelkanDialog::ToggleSelectAll);
    connect(clear, &QPushButton::clicked, this, &VelkanDialog::ClearList);
    connect(write, &QPushButton::clicked, this, &VelkanDialog::WriteToDrivers);
    connect(read, &QPushButton::clicked, this, &VelkanDialog::ReadDriverConfig);
    connect(save, &QPushButton::clicked, this, &VelkanDialog::SaveConfig);
    connect(import, &QPushButton::clicked, this, &VelkanDialog::ImportConfig);
    resize(1280, 760);
    MarkGridsKept();
}

QPushButton* VelkanDialog::button(const QString& caption) const {
    for (QPushButton* b : findChildren<QPushButton*>()) {
        if (b->text() == caption) return b;
    }
    return nullptr;
}

std::vector<std::string> VelkanDialog::ListedImages() const {
    std::vector<std::string> images;
    for (int i = 0; i < fileList_->topLevelItemCount(); ++i) images.push_back(fileList_->topLevelItem(i)->text(0).toStdString());
    return images;
}

std::vector<std::string> VelkanDialog::CheckedImages() const {
    std::vector<std::string> images;
    for (int i = 0; i < fileList_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = fileList_->topLevelItem(i);
        if (row->checkState(0) == Qt::Checked) images.push_back(row->text(0).toStdString());
    }
    return images;
}

void VelkanDialog::SetImageChecked(int row, bool checked) {
    fileList_->topLevelItem(row)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void VelkanDialog::WriteToDrivers() {
    WaitCursor wait;
    lamps_->Set(StatusLamps::State::Busy);
    const bool ok = session_.WriteToImages(grids_->Read(), CheckedImages());
    if (ok) MarkGridsKept();
    lamps_->Set(ok ? StatusLamps::State::Pass : StatusLamps::State::Fail);
}

void VelkanDialog::ReadDriverConfig() {
    WaitCursor wait;
    lamps_->Set(StatusLamps::State::Busy);
    const std::vector<std::string> checked = CheckedImages();
    ConfigGrids shown = grids_->Read();
    const bool ok = session_.ReadFromImage(checked.empty() ? std::string() : checked.front(), shown);
    if (ok) {
        grids_->Show(shown);
        MarkGridsKept();
    }
    lamps_->Set(ok ? StatusLamps::State::Pass : StatusLamps::State::Fail);
}

void VelkanDialog::SaveConfig() {
    const std::string path = prompts_->ChooseConfigToSave();
    if (path.empty()) return;
    WaitCursor wait;
    if (session_.SaveConfig(path, grids_->Read())) MarkGridsKept();
}

void VelkanDialog::ImportConfig() {
    const std::string path = prompts_->ChooseConfigToImport();
    if (path.empty()) return;
    WaitCursor wait;
    ConfigGrids shown = grids_->Read();
    if (session_.ImportConfig(path, shown)) {
        grids_->Show(shown);
        MarkGridsKept();
    }
}

void VelkanDialog::BrowseFolder() {
    const std::string folder = prompts_->ChooseImageFolder();
    if (folder.empty()) return;
    // Listed even when the text stays the same: the operator asked for it.
    if (pathField_->text() == QString::fromStdString(folder)) ListFolder(pathField_->text());
    pathField_->setText(QString::fromStdString(folder));
}

void VelkanDialog::OpenFolder() { prompts_->OpenFolder(pathField_->text().toStdString()); }

void VelkanDialog::ToggleSelectAll() {
    const bool noneChecked = CheckedImages().empty();
    for (int i = 0; i < fileList_->topLevelItemCount(); ++i) SetImageChecked(i, noneChecked);
}

void VelkanDialog::ClearList() {
    fileList_->clear();
    SetPathQuietly(QString());
}

void VelkanDialog::DropItems(const std::vector<std::string>& items) {
    const DropListing listing = ListDroppedItems(items);
    FillList(listing.images);
    SetPathQuietly(QString::fromStdString(listing.pathField));
}

void VelkanDialog::ListFolder(const QString& folder) {
    if (folder.isEmpty()) return;
    WaitCursor wait;
    FillList(ListLoaderImages(folder.toStdString()));
}

void VelkanDialog::FillList(const std::vector<std::string>& images) {
    fileList_->clear();
    for (const auto& image : images) {
        auto* row = new QTreeWidgetItem(fileList_, QStringList{QString::fromStdString(image)});
        row->setCheckState(0, Qt::Unchecked);
    }
}

// Drops and the clear button set the field themselves; that must not list it.
void VelkanDialog::SetPathQuietly(const QString& text) {
    QSignalBlocker quiet(pathField_);
    pathField_->setText(text);
}

void VelkanDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void VelkanDialog::dropEvent(QDropEvent* event) {
    std::vector<std::string> items;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) items.push_back(url.toLocalFile().toStdString());
    }
    if (items.empty()) return;
    DropItems(items);
    event->acceptProposedAction();
}

void VelkanDialog::reject() {
    if (grids_->Read() != kept_ && !prompts_->Ask("配置已修改，尚未保存或写入驱动，确定要退出吗?")) return;
    QDialog::reject();
}

// The About entry: the window managers of this platform give a program no
// entry in their window menu, so it lives on the right click.
void VelkanDialog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("关于 Velkan(&A)..."), this, &VelkanDialog::ShowAbout);
    menu.exec(event->globalPos());
}

void VelkanDialog::ShowAbout() {
    QMessageBox::about(this, QStringLiteral("关于 Velkan"), QStringLiteral("Velkan %1").arg(kVersion));
}

}  // namespace velkan
