// Velkan: editor of the configuration block inside RAM-loader images.
#include <QApplication>

#include "velkan/ui/velkan_dialog.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkan"));
    velkan::VelkanDialog dialog(velkan::Vesctool(velkan::Vesctool::Locate()));
    dialog.show();
    return app.exec();
}
