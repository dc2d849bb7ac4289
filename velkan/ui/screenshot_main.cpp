// velkan_screenshot: renders the editor with a few sample loader images into
// a PNG for the documentation (run on the offscreen platform).
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "velkan/config_grids.h"
#include "velkan/ui/velkan_dialog.h"

namespace {

struct QuietPrompts : velkan::OperatorPrompts {
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool Ask(const std::string&) override { return false; }
    std::string ChooseImageFolder() override { return {}; }
    std::string ChooseConfigToImport() override { return {}; }
    std::string ChooseConfigToSave() override { return {}; }
    void OpenFolder(const std::string&) override {}
};

velkan::UserConfigBlock SampleBlock() {
    velkan::UserConfigBlock block = velkan::UserConfigBlock::Fresh();
    block.pinMask = 0x0003;
    block.pins[0] = {0, 12, 1, 0};
    block.pins[1] = {1, 4, 0, 0};
    block.pmicEnable = 1;
    block.sclPort = 1;
    block.sclPin = 7;
    block.sdaPort = 1;
    block.sdaPin = 8;
    block.pmicLevels = {1, 1, 0, 1, 0, 1, 1, 1};
    block.flashMask = 0x0001;
    block.flash[0] = {0, 1, 0, 0xc8, 0x40, 0x18, 0x00, 0x01000000};
    return block;
}

void WriteImage(const std::filesystem::path& path, const velkan::UserConfigBlock& block) {
    const auto bytes = velkan::EncodeBlock(block);
    std::ofstream out(path, std::ios::binary);
    const std::string filler(4096, '\xff');
    out << filler;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out << filler;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velkan_screenshot <file.png>\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkan"));
    char pattern[] = "/tmp/velkan_shot_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::filesystem::path folder = pattern;
    for (const char* name : {"ram_patch.bin", "ram_patch_NAND.bin", "ram_patch_SD.bin", "factory_cali.bin"}) {
        WriteImage(folder / name, SampleBlock());
    }

    velkan::VelkanDialog dialog(velkan::Vesctool(""), std::make_unique<QuietPrompts>());
    dialog.show();
    dialog.pathField()->setText(QString::fromStdString(folder.string()));
    dialog.SetImageChecked(0, true);
    dialog.SetImageChecked(1, true);
    dialog.ReadDriverConfig();
    // Let the lamps come back on after their blink.
    QEventLoop settle;
    QTimer::singleShot(400, &settle, &QEventLoop::quit);
    settle.exec();
    const bool saved = dialog.grab().save(QString::fromLocal8Bit(argv[1]));
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return saved ? 0 : 1;
}
