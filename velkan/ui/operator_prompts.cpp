#include "velkan/ui/operator_prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace velkan {

void DialogPrompts::ShowMessage(const std::string& text) {
    // Actions run under the wait cursor; the box itself takes clicks.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox::warning(parent_, QApplication::applicationName(), QString::fromStdString(text));
    QApplication::restoreOverrideCursor();
}

bool DialogPrompts::Ask(const std::string& question) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool yes = QMessageBox::question(parent_, QApplication::applicationName(), QString::fromStdString(question),
                                           QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    QApplication::restoreOverrideCursor();
    return yes;
}

std::string DialogPrompts::ChooseImageFolder() {
    return QFileDialog::getExistingDirectory(parent_, QStringLiteral("请选择驱动文件路径:")).toStdString();
}

std::string DialogPrompts::ChooseConfigToImport() {
    return QFileDialog::getOpenFileName(parent_, QStringLiteral("***** select user configure file *****"), QString(),
                                        QStringLiteral("user configure file(*.bin)"))
        .toStdString();
}

std::string DialogPrompts::ChooseConfigToSave() {
    return QFileDialog::getSaveFileName(parent_, QStringLiteral("***** select or create user configure save file *****"),
                                        QString(), QStringLiteral("user configure save file(*.bin)"))
        .toStdString();
}

void DialogPrompts::OpenFolder(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace velkan
