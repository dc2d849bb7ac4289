#pragma once
#include <string>

class QWidget;

namespace velkan {

// Everything the editor asks of the operator or the desktop: message boxes,
// file and folder choosers, opening a folder. The editor talks to the
// operator only through this, so tests answer in place of modal dialogs.
class OperatorPrompts {
public:
    virtual ~OperatorPrompts() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Ask(const std::string& question) = 0;
    // Each chooser returns an empty path when the operator cancels.
    virtual std::string ChooseImageFolder() = 0;
    virtual std::string ChooseConfigToImport() = 0;
    virtual std::string ChooseConfigToSave() = 0;
    virtual void OpenFolder(const std::string& path) = 0;
};

// The real dialogs, parented to the editor window.
class DialogPrompts : public OperatorPrompts {
public:
    explicit DialogPrompts(QWidget* parent) : parent_(parent) {}
    void ShowMessage(const std::string& text) override;
    bool Ask(const std::string& question) override;
    std::string ChooseImageFolder() override;
    std::string ChooseConfigToImport() override;
    std::string ChooseConfigToSave() override;
    void OpenFolder(const std::string& path) override;

private:
    QWidget* parent_;
};

}  // namespace velkan
